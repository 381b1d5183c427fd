#pragma once
// Deleting the originals of files that were moved into an archive. Each one is checked again
// just before it goes: same device, inode, type, size and modification time as when it was
// packed, else it stays and is reported. Links are removed as themselves, never their targets.
#include <sys/types.h>

#include <ctime>
#include <string>
#include <vector>

namespace vantum {

struct PackedOriginal {
    std::string path;
    dev_t dev = 0;
    ino_t ino = 0;
    mode_t type = 0;  // S_IFREG, S_IFLNK or S_IFDIR
    off_t size = 0;
    timespec mtime{};
};

struct RemovalReport {
    int removed = 0;                    // files and links deleted
    std::vector<std::string> problems;  // each names the path that stayed
};

// Whether a folder must never be emptied: the root, the system folders, /home, /root, /proc,
// /sys, /dev, /run, $HOME, ~/.config, ~/.local/share, a mount point, or an ancestor of one of
// these, however the path is spelled.
bool IsProtectedFolder(const std::string& path);

// Files and links first, in the given order; then folders, deepest first, removed only when
// they are empty by then.
RemovalReport RemovePackedOriginals(const std::vector<PackedOriginal>& originals);

}  // namespace vantum
