#pragma once
// A tmpfs mounted for one test, in a mount namespace of the test process alone, so that no
// other process on the machine sees it. Needs root (CAP_SYS_ADMIN); a test that cannot have
// it says why with GTEST_SKIP.
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace vantum::test {

class TmpfsMount {
public:
    // Mounts a tmpfs of sizeKiB at path (an existing empty folder). error() tells why not.
    TmpfsMount(const std::string& path, unsigned sizeKiB) : path_(path) {
        static int privateNs = -1;
        if (privateNs < 0) {
            privateNs = unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 ? 1 : 0;
            if (!privateNs) error_ = std::string("no private mount namespace: ") + std::strerror(errno);
        }
        if (privateNs != 1) {
            if (error_.empty()) error_ = "no private mount namespace";
            return;
        }
        const std::string opts = "size=" + std::to_string(sizeKiB) + "k,mode=0755";
        if (mount("tmpfs", path.c_str(), "tmpfs", 0, opts.c_str()) != 0) {
            error_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
            return;
        }
        mounted_ = true;
    }
    ~TmpfsMount() {
        if (mounted_) umount2(path_.c_str(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool ok() const { return mounted_; }
    const std::string& error() const { return error_; }
    // Makes the file system read-only (true on success).
    bool RemountReadOnly() {
        return mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string path_;
    std::string error_;
    bool mounted_ = false;
};

}  // namespace vantum::test

// Skips the test, with the reason, when the mount could not be made.
#define REQUIRE_MOUNT(m) \
    if (!(m).ok()) GTEST_SKIP() << (m).error()
