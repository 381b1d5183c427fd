#pragma once
// Folder listing: entries with kind, hidden flag and own sizes; links are never followed.
// Folders are opened relative to their parent's descriptor, so deep trees and paths longer
// than the platform's path limit work.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantum::platform {

enum class EntryKind { Folder, File, Symlink, Other };

// An open folder. Move-only; closes on destruction.
class FolderHandle {
public:
    FolderHandle() = default;
    explicit FolderHandle(int fd, int error = 0) : fd_(fd), error_(fd >= 0 ? 0 : error) {}
    ~FolderHandle();
    FolderHandle(FolderHandle&& o) noexcept : fd_(o.fd_), error_(o.error_) { o.fd_ = -1; }
    FolderHandle& operator=(FolderHandle&& o) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // Opens a folder by path. The last component is never a symbolic link when noFollow;
    // a path too long for the platform is opened component by component.
    static FolderHandle Open(const std::string& path, bool noFollow = false);
    // Opens the folder `name` inside the open folder `parent`; never follows a symbolic link.
    static FolderHandle OpenAt(int parentFd, const char* name);

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // errno of the failed open (0 when open).
    int error() const { return error_; }
    // Device of the open folder (st_dev), 0 when unknown.
    std::uint64_t Device() const;

private:
    int fd_ = -1;
    int error_ = 0;
};

// Identity of a folder as the scan compares it with its entries: device and mount.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t mountId = 0;   // 0 when the kernel does not tell
    std::uint64_t ownBytes = 0;  // the folder's own entry, in the unit asked for
    bool ok = false;
};
FolderIdentity IdentifyFolder(const FolderHandle& folder, bool apparentSizes);

struct EntryView {
    std::string_view name;  // valid until the next call to Next
    EntryKind kind = EntryKind::Other;
    bool hidden = false;        // the name begins with "."
    std::uint64_t size = 0;     // own size (lstat st_size), 0 when the entry vanished
    std::uint64_t blocks = 0;   // space taken on disk in bytes (st_blocks * 512)
    std::uint64_t device = 0;   // st_dev of the entry itself (tells mount points apart)
    std::uint64_t mountId = 0;  // mount of the entry (0 when unknown)
    std::uint64_t inode = 0;
    std::uint32_t links = 1;    // hard links of the entry
    bool statted = false;       // the fields above are known
};

// Reads the entries of an open folder, "." and ".." left out.
class FolderReader {
public:
    // withStat: also stat every entry (sizes, device, mount, links); else only the kind is
    // known, from the listing where the file system gives it.
    FolderReader(const FolderHandle& folder, bool withStat);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    bool ok() const { return fd_ >= 0; }
    bool Next(EntryView& out);
    // errno of a failure that ended the listing early (0 when it ran to the end).
    int error() const { return error_; }

private:
    bool Fill();

    int fd_ = -1;  // the handle's descriptor, read from its start
    bool withStat_;
    int error_ = 0;
    std::unique_ptr<char[]> buf_;
    std::size_t pos_ = 0, len_ = 0;
};

struct DirEntry {
    std::string name;
    EntryKind kind = EntryKind::Other;
    bool hidden = false;
    std::uint64_t size = 0;
};

// All entries of a folder with sizes; empty when it cannot be opened.
std::vector<DirEntry> ListFolder(const std::string& path);

// Whether the folder at path is the root of a file system other than its parent's.
bool IsMountPoint(const std::string& path);

// Free bytes available to the user and total bytes of the file system holding path
// (statvfs). Both 0 when it cannot be read.
struct DiskSpace {
    std::uint64_t freeBytes = 0;
    std::uint64_t totalBytes = 0;
};
DiskSpace GetDiskSpace(const std::string& path);

// Raises the open-files limit to its hard maximum (parallel walks keep parent folders open).
void RaiseOpenFileLimit();
// The soft limit on open descriptors of this process.
int OpenFileLimit();

}  // namespace vantum::platform
