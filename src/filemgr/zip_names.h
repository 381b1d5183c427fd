#pragma once
// Rules for names inside zip archives: which files are stored uncompressed, which entry
// names may be unpacked, and where a link entry may point.
#include <string>
#include <vector>

namespace vantum {

bool IsValidUtf8(const std::string& text);

// Splits an entry name into the folder components it would create. Empty when the name is
// refused, with why set: absolute names, drive letters, backslashes, "..", control characters.
// A trailing "/" (a folder entry) leaves no empty last component.
std::vector<std::string> SafeEntryComponents(const std::string& name, std::string& why);

// Whether a link stored at the entry with these folder components (without its own name)
// and pointing at target stays inside the unpack folder.
bool LinkStaysInside(const std::vector<std::string>& folders, const std::string& target);

}  // namespace vantum
