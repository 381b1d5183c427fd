#pragma once
// The freedesktop Trash: the home trash ($XDG_DATA_HOME/Trash) for the home file system and
// $topdir/.Trash/$uid or $topdir/.Trash-$uid on the others. Items move by one rename; nothing
// is ever copied across file systems, and an item no trash can take is reported, not deleted.
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "platform/safe_walk.h"

namespace vantum::platform {

struct TrashedItem {
    std::string trashDir;      // the trash folder (holding files/ and info/)
    std::string name;          // name in files/ (and of info/NAME.trashinfo)
    std::string originalPath;  // absolute, decoded bytes
    std::string deletionDate;  // as written: YYYY-MM-DDThh:mm:ss, local time
    bool isFolder = false;
};

struct TrashPut {
    enum class Status { Done, NoTrash, Failed };
    Status status = Status::Failed;
    int error = 0;
    std::string message;  // names the item; empty when done
    TrashedItem item;     // where it went, when done
    std::uint64_t bytes = 0;  // disk usage of what went to the trash
    bool ok() const { return status == Status::Done; }
};

struct TrashResult {
    bool ok = true;
    std::uint64_t items = 0;
    std::uint64_t bytes = 0;
    std::vector<std::string> problems;  // messages naming the file
};

class Trash {
public:
    // The trash of the current user, from $XDG_DATA_HOME (or $HOME/.local/share).
    Trash();
    // A trash with its home trash at homeTrash (tests).
    explicit Trash(std::string homeTrash);

    const std::string& HomeTrash() const { return home_; }

    // Moves path into the trash of its file system. expected: the entry as it was chosen
    // (optional); a path that changed meanwhile is left alone. A known disk usage spares the
    // walk that sums it for a folder's directorysizes line.
    TrashPut Put(const std::string& path, const EntryInfo* expected = nullptr, const std::uint64_t* knownBytes = nullptr);

    // Every item of the home trash and of the trashes on mounted file systems, oldest first.
    std::vector<TrashedItem> List() const;
    // Moves an item back to its original path; refuses when that path exists. Missing
    // folders on the way are made again.
    TrashResult Restore(const TrashedItem& item) const;
    // Disk usage of everything in the trashes.
    std::uint64_t Size() const;
    // Deletes everything in the trashes for good.
    TrashResult Empty() const;

    // The trash folder that takes items of the file system holding path (created as needed);
    // empty, with error set, when there is none.
    std::string TrashFor(const std::string& path, int& error, std::string& topdir) const;

private:
    std::vector<std::string> TrashDirs() const;

    std::string home_;
    uid_t uid_;
};

// "Path=" value: percent-encoded raw bytes; '/' and unreserved characters stay.
std::string TrashPathEncode(const std::string& raw);
std::string TrashPathDecode(const std::string& encoded);
// Local time as "YYYY-MM-DDThh:mm:ss".
std::string TrashDeletionDate(std::time_t when);

}  // namespace vantum::platform
