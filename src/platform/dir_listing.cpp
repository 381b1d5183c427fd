#include "platform/dir_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <algorithm>

namespace vantum::platform {

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY;

EntryKind KindOfMode(mode_t m) {
    if (S_ISDIR(m)) return EntryKind::Folder;
    if (S_ISREG(m)) return EntryKind::File;
    if (S_ISLNK(m)) return EntryKind::Symlink;
    return EntryKind::Other;
}

EntryKind KindOfDType(unsigned char t, bool& known) {
    known = true;
    switch (t) {
        case DT_DIR: return EntryKind::Folder;
        case DT_REG: return EntryKind::File;
        case DT_LNK: return EntryKind::Symlink;
        case DT_UNKNOWN: known = false; return EntryKind::Other;
        default: return EntryKind::Other;
    }
}

constexpr unsigned kStatxMask =
    STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE | STATX_BLOCKS | STATX_MNT_ID;

std::uint64_t MountIdOf(const struct statx& sx) { return (sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0; }
std::uint64_t DeviceOf(const struct statx& sx) { return makedev(sx.stx_dev_major, sx.stx_dev_minor); }

}  // namespace

FolderHandle::~FolderHandle() {
    if (fd_ >= 0) ::close(fd_);
}

FolderHandle& FolderHandle::operator=(FolderHandle&& o) noexcept {
    if (this != &o) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

FolderHandle FolderHandle::Open(const std::string& path, bool noFollow) {
    if (path.empty()) return FolderHandle(-1, ENOENT);
    const int flags = noFollow ? kDirFlags : (kDirFlags & ~O_NOFOLLOW);
    int fd = ::open(path.c_str(), flags);
    if (fd >= 0 || errno != ENAMETOOLONG) return FolderHandle(fd, errno);
    // Walk the path one component at a time.
    FolderHandle cur(::open(path[0] == '/' ? "/" : ".", kDirFlags), errno);
    size_t i = 0;
    while (cur.ok() && i < path.size()) {
        while (i < path.size() && path[i] == '/') ++i;
        size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        if (j > i) {
            std::string part = path.substr(i, j - i);
            const bool last = path.find_first_not_of('/', j) == std::string::npos;
            cur = FolderHandle(::openat(cur.fd(), part.c_str(), last ? flags : (kDirFlags & ~O_NOFOLLOW)), errno);
        }
        i = j;
    }
    return cur;
}

FolderHandle FolderHandle::OpenAt(int parentFd, const char* name) {
    int fd = ::openat(parentFd, name, kDirFlags);
    return FolderHandle(fd, errno);
}

FolderIdentity IdentifyFolder(const FolderHandle& folder, bool apparentSizes) {
    FolderIdentity id;
    struct statx sx;
    if (!folder.ok() || ::statx(folder.fd(), "", AT_EMPTY_PATH, kStatxMask, &sx) != 0) return id;
    id.device = DeviceOf(sx);
    id.mountId = MountIdOf(sx);
    id.ownBytes = apparentSizes ? sx.stx_size : sx.stx_blocks * 512;
    id.ok = true;
    return id;
}

std::uint64_t FolderHandle::Device() const {
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
    return st.st_dev;
}

namespace {

constexpr std::size_t kDirBufferSize = 32 * 1024;

// The kernel's record for one entry of getdents64.
struct KernelDirent {
    std::uint64_t ino;
    std::int64_t off;
    unsigned short reclen;
    unsigned char type;
    char name[1];
};

}  // namespace

FolderReader::FolderReader(const FolderHandle& folder, bool withStat) : withStat_(withStat) {
    if (!folder.ok()) return;
    // Entries are read straight from the handle's descriptor (no second descriptor, no DIR),
    // from its start whatever read it before.
    if (::lseek(folder.fd(), 0, SEEK_SET) != 0) {
        error_ = errno;
        return;
    }
    fd_ = folder.fd();
    buf_ = std::make_unique<char[]>(kDirBufferSize);
}

FolderReader::~FolderReader() = default;

bool FolderReader::Fill() {
    for (;;) {
        long n = ::syscall(SYS_getdents64, fd_, buf_.get(), kDirBufferSize);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) error_ = errno;
            fd_ = -1;
            return false;
        }
        pos_ = 0;
        len_ = static_cast<std::size_t>(n);
        return true;
    }
}

bool FolderReader::Next(EntryView& out) {
    if (fd_ < 0) return false;
    for (;;) {
        if (pos_ >= len_ && !Fill()) return false;
        const auto* e = reinterpret_cast<const KernelDirent*>(buf_.get() + pos_);
        pos_ += e->reclen;
        const char* n = e->name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        out.name = std::string_view(n);
        out.hidden = n[0] == '.';
        bool known;
        out.kind = KindOfDType(e->type, known);
        out.size = out.blocks = out.device = out.mountId = 0;
        out.inode = e->ino;
        out.links = 1;
        out.statted = false;
        if (withStat_ || !known) {
            struct statx sx;
            if (::statx(fd_, n, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, kStatxMask, &sx) == 0) {
                out.kind = KindOfMode(sx.stx_mode);
                out.size = sx.stx_size;
                out.blocks = sx.stx_blocks * 512;
                out.device = DeviceOf(sx);
                out.mountId = MountIdOf(sx);
                out.inode = sx.stx_ino;
                out.links = sx.stx_nlink;
                out.statted = true;
            } else if (!known) {
                continue;  // vanished before we could tell what it was
            }
        }
        return true;
    }
}

std::vector<DirEntry> ListFolder(const std::string& path) {
    std::vector<DirEntry> out;
    FolderHandle h = FolderHandle::Open(path);
    FolderReader r(h, true);
    EntryView e;
    while (r.Next(e)) out.push_back(DirEntry{std::string(e.name), e.kind, e.hidden, e.size});
    return out;
}

bool IsMountPoint(const std::string& path) {
    FolderHandle h = FolderHandle::Open(path);
    if (!h.ok()) return false;
    struct stat self, parent;
    if (::fstat(h.fd(), &self) != 0) return false;
    if (::fstatat(h.fd(), "..", &parent, 0) != 0) return false;
    // The root of the whole name space is its own parent.
    if (self.st_dev == parent.st_dev && self.st_ino == parent.st_ino) return true;
    return self.st_dev != parent.st_dev;
}

DiskSpace GetDiskSpace(const std::string& path) {
    struct statvfs s;
    if (::statvfs(path.c_str(), &s) != 0) return {};
    return DiskSpace{static_cast<std::uint64_t>(s.f_bavail) * s.f_frsize,
                     static_cast<std::uint64_t>(s.f_blocks) * s.f_frsize};
}

int OpenFileLimit() {
    struct rlimit rl;
    if (::getrlimit(RLIMIT_NOFILE, &rl) != 0 || rl.rlim_cur == RLIM_INFINITY) return 1 << 20;
    return static_cast<int>(std::min<rlim_t>(rl.rlim_cur, 1 << 20));
}

void RaiseOpenFileLimit() {
    struct rlimit rl;
    if (::getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur < rl.rlim_max) {
        rl.rlim_cur = rl.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &rl);
    }
}

}  // namespace vantum::platform
