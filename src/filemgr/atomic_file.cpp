#include "filemgr/atomic_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>

namespace vantum {

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Emulates RENAME_NOREPLACE where the file system lacks it: link() refuses an existing name.
int LinkThenUnlink(int dirfd, const std::string& from, const std::string& to) {
    if (linkat(dirfd, from.c_str(), dirfd, to.c_str(), 0) != 0) return errno;
    unlinkat(dirfd, from.c_str(), 0);
    return 0;
}

}  // namespace

int RenameNoReplaceAt(int dirfd, const std::string& from, const std::string& to) {
    if (renameat2(dirfd, from.c_str(), dirfd, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    const int err = errno;
    if (err == EINVAL || err == ENOSYS || err == ENOTSUP) return LinkThenUnlink(dirfd, from, to);
    return err;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    return RenameNoReplaceAt(AT_FDCWD, from, to);
}

int SyncPath(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return errno;
    int err = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    if (err) return err;
    const int dir = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return errno;
    err = fsync(dir) == 0 ? 0 : errno;
    close(dir);
    // Some file systems cannot sync a folder; the file itself is on the device then.
    return err == EINVAL ? 0 : err;
}

AtomicFile::~AtomicFile() { Discard(); }

int AtomicFile::Create(const std::string& target) {
    Discard();
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto tick = static_cast<unsigned long long>(
            std::chrono::steady_clock::now().time_since_epoch().count());
        char name[64];
        // Short, so that a target name near the length limit still gets a temporary file.
        std::snprintf(name, sizeof name, "/.~%x%llx.part", static_cast<unsigned>(getpid()) ^ counter++,
                      tick & 0xFFFFFFull);
        std::string temp = folder + name;
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            temp_ = std::move(temp);
            target_ = target;
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

int AtomicFile::Commit(bool replace) {
    if (fd_ < 0) return EBADF;
    int err = close(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    if (!err) {
        if (replace)
            err = rename(temp_.c_str(), target_.c_str()) == 0 ? 0 : errno;
        else
            err = RenameNoReplace(temp_, target_);
    }
    if (err) {
        unlink(temp_.c_str());
    }
    temp_.clear();
    return err;
}

void AtomicFile::Discard() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        temp_.clear();
    }
}

}  // namespace vantum
