#pragma once
// The target of a freedesktop .desktop entry, as a shortcut cleaner sees it.

#include <optional>
#include <string>
#include <string_view>

namespace vantum::cleaning {

// From the [Desktop Entry] group: the program of Exec= (looked up in the folders of pathEnv
// when it has no slash; left as the bare name when not found there), else URL= (a local
// file: URL as its path), else Path=. Empty when the entry names none of these.
std::string DesktopEntryTarget(std::string_view text, std::string_view pathEnv);

// The local path of a "file:" URL (file:/p, file:///p, file://localhost/p), percent-decoded;
// nullopt for other URLs, for file URLs that name another host, and for malformed escapes.
std::optional<std::string> LocalPathOfFileUrl(std::string_view url);

}  // namespace vantum::cleaning
