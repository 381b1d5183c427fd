#include "platform/temp_name.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

namespace vantum::platform {

long MaxNameLength(const std::string& folder) {
    const long n = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    // Some file systems (eCryptfs) allow fewer bytes than NAME_MAX; none is known to allow more
    // for names a rename can take.
    return n > 0 ? std::min<long>(n, NAME_MAX) : NAME_MAX;
}

std::string TempNameBeside(const std::string& folder, const std::string& name, const std::string& suffix) {
    const auto limit = static_cast<std::size_t>(MaxNameLength(folder));
    const std::size_t fixed = 1 + suffix.size();  // the dot and the suffix
    std::size_t keep = limit > fixed ? std::min(name.size(), limit - fixed) : 0;
    // Cut before a character, not inside one, so that a leftover file still shows a readable name.
    if (keep < name.size())
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    std::string out = folder.empty() ? std::string(".") : folder;
    if (out.back() != '/') out += '/';
    out += '.';
    out.append(name, 0, keep);
    out += suffix;
    return out;
}

}  // namespace vantum::platform
