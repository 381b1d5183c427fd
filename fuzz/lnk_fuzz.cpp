// Fuzz target: the Shell Link reader on arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cleaning/lnk_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string target = vantum::cleaning::ParseShellLinkTarget(std::string_view(reinterpret_cast<const char*>(data), size));
    // Strings in a link end at their NUL, so a target never holds one.
    if (target.find('\0') != std::string::npos) std::abort();
    return 0;
}
