#include "filemgr/shredder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/rand.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "filemgr/atomic_file.h"

namespace vantum {

namespace {

constexpr std::uint32_t kPatterns[kShredPatternPasses] = {0x00000000, 0x000000FF, 0x00000000,
                                                          0x000000F0, 0x0000000F, 0x00000000};
// Whole blocks written per system call.
constexpr std::size_t kBlocksPerWrite = 256;

ShredResult Fail(std::string message) { return {false, std::move(message)}; }
std::string CannotFind(const std::string& path) { return "Cannot find " + path + " !"; }

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool WriteAt(int fd, const std::uint8_t* buf, std::size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t n = pwrite(fd, buf, size, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        buf += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

// Overwrites the whole blocks of the open file in every pass.
int Overwrite(int fd, std::uint64_t blocks, int passes, ProgressSink& sink) {
    std::vector<std::uint8_t> buf(kBlocksPerWrite * kShredBlock);
    for (int pass = 0; pass <= passes; ++pass) {
        const bool random = pass >= kShredPatternPasses;
        if (!random) std::memset(buf.data(), ShredPatternByte(pass), buf.size());
        std::uint64_t done = 0;
        while (done < blocks) {
            const std::uint64_t count = std::min<std::uint64_t>(kBlocksPerWrite, blocks - done);
            const std::size_t bytes = static_cast<std::size_t>(count) * kShredBlock;
            if (random && RAND_bytes(buf.data(), static_cast<int>(bytes)) != 1) return EIO;
            if (!WriteAt(fd, buf.data(), bytes, static_cast<off_t>(done * kShredBlock))) return errno;
            done += count;
            sink.Idle();
        }
        if (blocks > 0 && fdatasync(fd) != 0) return errno;
        sink.SizeProgress(pass + 1);
    }
    return 0;
}

}  // namespace

std::uint8_t ShredPatternByte(int pass) {
    return pass >= 0 && pass < kShredPatternPasses ? static_cast<std::uint8_t>(kPatterns[pass] & 0xFF) : 0;
}

ShredResult ShredFile(const std::string& path, int passes, ProgressSink& sink) {
    if (passes < 0) passes = 0;
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return Fail(CannotFind(path));

    Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) return Fail(CannotFind(path));
    struct stat before;
    if (fstatat(dir.get(), name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0) return Fail(CannotFind(path));
    if (!S_ISREG(before.st_mode)) return Fail("Cannot shred " + path + ": not a regular file");

    // Never replaces an existing "$000000.tmp"; a file of that very name is shredded in place.
    const bool renamed = name != kShredTempName;
    if (renamed && RenameNoReplaceAt(dir.get(), name, kShredTempName) != 0) return Fail(CannotFind(path));
    auto undo_rename = [&] {
        if (renamed) RenameNoReplaceAt(dir.get(), kShredTempName, name);
    };

    // O_NOFOLLOW and the inode check: what is overwritten is the file that was looked at,
    // even if the folder changed in between.
    Fd file(openat(dir.get(), kShredTempName, O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (file.get() < 0 || fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_dev != before.st_dev || st.st_ino != before.st_ino) {
        const int err = file.get() < 0 ? errno : EBUSY;
        undo_rename();
        return Fail("Cannot shred " + path + ": " + std::strerror(err));
    }

    sink.SizeRange(passes + 1);
    const std::uint64_t blocks = static_cast<std::uint64_t>(st.st_size) / kShredBlock;
    if (const int err = Overwrite(file.get(), blocks, passes, sink)) {
        undo_rename();
        return Fail("Cannot shred " + path + ": " + std::strerror(err));
    }
    if (close(file.release()) != 0) {
        const int err = errno;
        undo_rename();
        return Fail("Cannot shred " + path + ": " + std::strerror(err));
    }
    if (unlinkat(dir.get(), kShredTempName, 0) != 0) {
        const int err = errno;
        undo_rename();
        return Fail("Cannot delete " + path + ": " + std::strerror(err));
    }
    return {true, {}};
}

}  // namespace vantum
