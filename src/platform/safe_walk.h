#pragma once
// A depth-first walk of one file-system item for the commands that change files (delete,
// copy, disk usage of the trash). It never follows a symbolic link, never enters another
// mount, opens every folder relative to its parent, looks at every entry again (lstat) just
// before handing it on and skips one that changed since it was listed. Open descriptors and
// memory grow with the depth of the tree, not with the number of entries.
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace vantum::platform {

// What a walk knows of an entry: one statx taken without following links.
struct EntryInfo {
    mode_t mode = 0;
    std::uint64_t dev = 0;
    std::uint64_t ino = 0;
    std::uint64_t mountId = 0;  // 0 when the kernel does not tell
    std::uint64_t nlink = 0;
    std::uint64_t size = 0;    // st_size
    std::uint64_t blocks = 0;  // bytes on disk (st_blocks * 512)
    uid_t uid = 0;
    gid_t gid = 0;
    timespec atime{};
    timespec mtime{};
    bool IsDir() const;
    bool IsLink() const;
    bool IsRegular() const;
    // Same device, inode and type.
    bool SameAs(const EntryInfo& o) const;
};

// lstat of name in the folder dirfd (AT_FDCWD for a path). Returns 0 or an errno value.
int StatEntry(int dirfd, const char* name, EntryInfo& out);

// Splits a path into its folder and last name ("/a/b" -> "/a", "b"; "b" -> ".", "b").
void SplitPath(const std::string& path, std::string& folder, std::string& name);

class WalkVisitor {
public:
    virtual ~WalkVisitor() = default;
    // Polled between entries; true ends the walk early.
    virtual bool Cancelled() { return false; }
    // An entry that is not a folder, in the open folder dirfd.
    virtual void Entry(int dirfd, const std::string& name, const EntryInfo& info) = 0;
    // A folder about to be entered (fd open on it). Returning false leaves it out: no
    // entries, no Leave.
    virtual bool Enter(int /*parentfd*/, const std::string& /*name*/, int /*fd*/, const EntryInfo& /*info*/) {
        return true;
    }
    // A folder whose entries have all been handed on; its descriptor is already closed and
    // the entry was checked again (same device, inode, type).
    virtual void Leave(int /*parentfd*/, const std::string& /*name*/, const EntryInfo& /*info*/) {}
    // Something that could not be done; path names the entry.
    virtual void Failed(const std::string& path, int error, const std::string& what) = 0;
};

class SafeWalk {
public:
    // Walks path (not followed when it is a link). When expected is given, the item must
    // still be that entry (device, inode, type) or it is reported and left alone.
    // Returns false when anything was reported or the walk was cancelled.
    bool Run(const std::string& path, WalkVisitor& visitor, const EntryInfo* expected = nullptr);
    // Walks name inside the open folder parentfd; topPath is used to name entries in messages.
    bool RunAt(int parentfd, const std::string& name, const std::string& topPath, WalkVisitor& visitor,
               const EntryInfo* expected = nullptr);

    // The path of name inside the folder being walked (for messages; built on demand). While
    // the item itself is handed on (Entry for a file, Leave for the folder) it is its path.
    std::string PathOf(const std::string& name) const;
    // Depth of the folder being walked (0 = the item itself).
    std::size_t Depth() const { return names_.size(); }
    bool Cancelled() const { return cancelled_; }

private:
    std::string top_;
    std::vector<std::string> names_;  // the folders entered below top_, outermost first
    bool cancelled_ = false;
    bool atTop_ = false;
};

}  // namespace vantum::platform
