#pragma once
// The folder properties of our own, for desktops whose file manager offers none: the facts
// of one folder gathered by a walk that stays on its file system and follows no link, and a
// small window that shows them.

#include <QString>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

class QWidget;

namespace vantum::app {

struct FolderFacts {
    std::string path;
    std::uint64_t diskBytes = 0;      // st_blocks * 512, every entry once per hard link set
    std::uint64_t apparentBytes = 0;  // st_size of files and links, hard links once too
    std::uint64_t files = 0;          // everything that is not a folder (links, FIFOs, ...)
    std::uint64_t folders = 0;        // below the folder, not counting itself
    std::uint64_t unreadable = 0;     // entries the walk could not read
    unsigned mode = 0;                // st_mode of the folder
    unsigned uid = 0, gid = 0;
    std::time_t modified = 0, accessed = 0;
    int error = 0;                    // errno when the folder itself could not be looked at
    bool cancelled = false;
};

// Walks path; cancel is polled between entries.
FolderFacts GatherFolderFacts(const std::string& path, const std::function<bool()>& cancel = {});

// "drwxr-x---" and "0750".
QString PermissionText(unsigned mode);

// A window of its own (not modal, deleted on close) showing the facts.
QWidget* ShowFolderPropertiesWindow(const FolderFacts& facts, QWidget* parent);

}  // namespace vantum::app
