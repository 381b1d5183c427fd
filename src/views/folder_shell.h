#pragma once
// What the folder lists ask of the desktop: opening a folder with the shell's "open" verb and
// showing its properties. The program plugs in the desktop services, tests a recorder.

#include <functional>
#include <string>

namespace vantum::views {

struct FolderShell {
    std::function<void(const std::string& path)> open;            // required
    std::function<void(const std::string& path)> showProperties;  // empty: the entry is disabled
};

// open through QDesktopServices (xdg-open); no properties dialog.
FolderShell DesktopFolderShell();

// True when path names an existing folder (byte path, no decoding).
bool FolderExists(const std::string& path);

}  // namespace vantum::views
