#include "platform/safe_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/dir_listing.h"

namespace vantum::platform {

namespace {

// Folders kept open at once; deeper ones are closed and found again through ".." on the way
// back, so that any depth works within the descriptor limit.
constexpr std::size_t kMaxOpenFolders = 192;

struct Frame {
    DIR* dir = nullptr;  // null while parked
    long pos = 0;        // position to resume a parked listing
    EntryInfo info;
    std::string name;
};

int OpenFolderAt(int parentfd, const char* name) {
    return openat(parentfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
}

// Opened folder must be the entry that was looked at.
bool SameFolder(int fd, const EntryInfo& info) {
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_dev == info.dev && st.st_ino == info.ino;
}

}  // namespace

bool EntryInfo::IsDir() const { return S_ISDIR(mode); }
bool EntryInfo::IsLink() const { return S_ISLNK(mode); }
bool EntryInfo::IsRegular() const { return S_ISREG(mode); }
bool EntryInfo::SameAs(const EntryInfo& o) const {
    return dev == o.dev && ino == o.ino && (mode & S_IFMT) == (o.mode & S_IFMT);
}

int StatEntry(int dirfd, const char* name, EntryInfo& out) {
    struct statx sx;
    const unsigned mask = STATX_BASIC_STATS | STATX_MNT_ID;
    if (statx(dirfd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &sx) != 0) return errno;
    out.mode = sx.stx_mode;
    out.dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    out.ino = sx.stx_ino;
    out.mountId = (sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0;
    out.nlink = sx.stx_nlink;
    out.size = sx.stx_size;
    out.blocks = static_cast<std::uint64_t>(sx.stx_blocks) * 512;
    out.uid = sx.stx_uid;
    out.gid = sx.stx_gid;
    out.atime = {static_cast<time_t>(sx.stx_atime.tv_sec), static_cast<long>(sx.stx_atime.tv_nsec)};
    out.mtime = {static_cast<time_t>(sx.stx_mtime.tv_sec), static_cast<long>(sx.stx_mtime.tv_nsec)};
    return 0;
}

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const auto slash = p.rfind('/');
    std::string f = ".", n = p;
    if (slash != std::string::npos) {
        f = slash == 0 ? std::string("/") : std::string(p, 0, slash);
        n = std::string(p, slash + 1);
    }
    folder = std::move(f);
    name = std::move(n);
}

std::string SafeWalk::PathOf(const std::string& name) const {
    if (atTop_) return top_;
    std::string p = top_;
    for (const auto& n : names_) p += "/" + n;
    if (!name.empty()) p += "/" + name;
    return p;
}

bool SafeWalk::Run(const std::string& path, WalkVisitor& visitor, const EntryInfo* expected) {
    std::string folder, name;
    SplitPath(path, folder, name);
    if (name.empty() || name == "." || name == "..") {
        visitor.Failed(path, EINVAL, "not a name that can be acted on");
        return false;
    }
    FolderHandle parent = FolderHandle::Open(folder);
    if (!parent.ok()) {
        visitor.Failed(path, parent.error(), "cannot open the folder that holds it");
        return false;
    }
    std::string top = path;
    while (top.size() > 1 && top.back() == '/') top.pop_back();
    return RunAt(parent.fd(), name, top, visitor, expected);
}

bool SafeWalk::RunAt(int parentfd, const std::string& name, const std::string& topPath, WalkVisitor& visitor,
                     const EntryInfo* expected) {
    top_ = topPath;
    names_.clear();
    cancelled_ = false;
    atTop_ = false;
    bool failed = false;
    auto fail = [&](const std::string& path, int err, const std::string& what) {
        failed = true;
        visitor.Failed(path, err, what);
    };

    EntryInfo info;
    if (const int err = StatEntry(parentfd, name.c_str(), info)) {
        fail(top_, err, "cannot be read");
        return false;
    }
    if (expected && !info.SameAs(*expected)) {
        fail(top_, ESTALE, "changed since it was chosen; left alone");
        return false;
    }
    if (!info.IsDir()) {
        atTop_ = true;
        visitor.Entry(parentfd, name, info);
        atTop_ = false;
        return !failed;
    }

    std::vector<Frame> frames;
    std::size_t open = 0;
    auto enter = [&](int dirfd, const std::string& entry, const EntryInfo& st, const std::string& path) {
        const int fd = OpenFolderAt(dirfd, entry.c_str());
        if (fd < 0) {
            fail(path, errno, "cannot open folder");
            return;
        }
        if (!SameFolder(fd, st)) {
            close(fd);
            fail(path, ESTALE, "changed while being read; left alone");
            return;
        }
        if (!visitor.Enter(dirfd, entry, fd, st)) {
            close(fd);
            return;
        }
        DIR* dir = fdopendir(fd);
        if (!dir) {
            fail(path, errno, "cannot list folder");
            close(fd);
            return;
        }
        if (open >= kMaxOpenFolders) {
            for (auto& f : frames) {
                if (!f.dir) continue;
                f.pos = telldir(f.dir);
                closedir(f.dir);
                f.dir = nullptr;
                --open;
                break;
            }
        }
        frames.push_back(Frame{dir, 0, st, entry});
        ++open;
        if (frames.size() > 1) names_.push_back(entry);
    };

    enter(parentfd, name, info, top_);
    while (!frames.empty()) {
        Frame& f = frames.back();
        const int fd = dirfd(f.dir);
        if (visitor.Cancelled()) {
            cancelled_ = true;
            break;
        }
        errno = 0;
        const dirent* d = readdir(f.dir);
        if (!d) {
            if (errno) fail(PathOf(""), errno, "cannot list folder");
            // Back to the parent: find it again if it was parked, then check the folder.
            int pfd = parentfd;
            if (frames.size() > 1) {
                Frame& p = frames[frames.size() - 2];
                if (!p.dir) {
                    const int up = OpenFolderAt(fd, "..");
                    DIR* dir = up >= 0 && SameFolder(up, p.info) ? fdopendir(up) : nullptr;
                    if (!dir) {
                        if (up >= 0) close(up);
                        fail(PathOf(""), ESTALE, "its folder moved during the walk; stopped");
                        break;
                    }
                    seekdir(dir, p.pos);
                    p.dir = dir;
                    ++open;
                }
                pfd = dirfd(p.dir);
            }
            const Frame done = f;  // the listing is closed below
            const std::string path = PathOf("");
            closedir(done.dir);
            --open;
            frames.pop_back();
            if (!names_.empty()) names_.pop_back();
            atTop_ = frames.empty();
            EntryInfo now;
            if (StatEntry(pfd, done.name.c_str(), now) != 0 || !now.SameAs(done.info))
                fail(path, ESTALE, "changed during the walk; left alone");
            else
                visitor.Leave(pfd, done.name, done.info);
            atTop_ = false;
            continue;
        }
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        EntryInfo st;
        if (const int err = StatEntry(fd, n, st)) {
            fail(PathOf(n), err, err == ENOENT ? "vanished meanwhile" : "cannot be read");
            continue;
        }
        if (st.ino != d->d_ino && st.dev == f.info.dev) {
            fail(PathOf(n), ESTALE, "changed while being read; left alone");
            continue;
        }
        if (st.IsDir()) {
            if (st.dev != f.info.dev || (st.mountId && f.info.mountId && st.mountId != f.info.mountId)) {
                fail(PathOf(n), EXDEV, "is another file system (a mount point); not entered");
                continue;
            }
            enter(fd, n, st, PathOf(n));
        } else {
            visitor.Entry(fd, n, st);
        }
    }
    for (auto& f : frames)
        if (f.dir) closedir(f.dir);
    return !failed && !cancelled_;
}

}  // namespace vantum::platform
