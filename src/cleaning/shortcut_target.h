#pragma once
// The target of a shortcut file: a .lnk shell link, a .desktop entry or a symbolic link.

#include <string>

namespace vantum::cleaning {

// A symbolic link gives its link text, made absolute against the link's folder (never
// followed); a regular file named *.lnk its shell link target, one named *.desktop its entry's
// target (programs looked up on $PATH). Empty when the file cannot be read or parsed, or is
// none of these.
std::string ReadShortcutTarget(const std::string& path);

}  // namespace vantum::cleaning
