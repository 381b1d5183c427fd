#pragma once
// The target path stored in a Shell Link (.lnk) file, read by the published binary format.

#include <string>
#include <string_view>

namespace vantum::cleaning {

// The target as the link stores it, without resolving it: the UNC form (share name and path
// suffix) when the link records a network location, else the local base path with its
// suffix. Unicode strings are returned as UTF-8, the others as the bytes they are. Empty when
// the data is not a shell link or holds no target path.
std::string ParseShellLinkTarget(std::string_view data);

}  // namespace vantum::cleaning
