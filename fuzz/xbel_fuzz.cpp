// Fuzz target: the recently-used.xbel reader. Whatever it accepts, removing any bookmarks must
// leave a file it accepts again, with exactly the other bookmarks in their order.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/xbel_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto doc = vantum::cleaning::ParseXbel(std::string(reinterpret_cast<const char*>(data), size), nullptr);
    if (!doc) return 0;
    const auto& marks = doc->bookmarks;
    for (size_t i = 1; i < marks.size(); ++i)
        if (marks[i].cutBegin < marks[i - 1].cutEnd || marks[i].begin > marks[i].end) std::abort();
    std::vector<size_t> odd;
    for (size_t i = 1; i < marks.size(); i += 2) odd.push_back(i);
    auto again = vantum::cleaning::ParseXbel(vantum::cleaning::XbelWithout(*doc, odd), nullptr);
    if (!again || again->bookmarks.size() != marks.size() - odd.size()) std::abort();
    for (size_t i = 0; i < again->bookmarks.size(); ++i)
        if (again->bookmarks[i].href != marks[2 * i].href) std::abort();
    return 0;
}
