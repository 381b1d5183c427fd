#include "core/safe_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/temp_name.h"

namespace vantum {

namespace {

constexpr std::size_t kWriteBuffer = 256 << 10;
constexpr std::size_t kReadBuffer = 1 << 20;

std::string Reason(int err) { return std::strerror(err); }

// Folder part of a path ("." for a bare name) and the name itself.
void SplitPath(const std::string& path, std::string& dir, std::string& base) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        dir = ".";
        base = path;
    } else {
        dir = slash == 0 ? "/" : path.substr(0, slash);
        base = path.substr(slash + 1);
    }
}

bool WriteAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

}  // namespace

FileError FileError::CannotOpen(const std::string& file, const std::string& reason) {
    return FileError(Kind::Open, "Cannot open file \"" + file + "\". " + reason);
}
FileError FileError::CannotCreate(const std::string& file, const std::string& reason) {
    return FileError(Kind::Create, "Cannot create file \"" + file + "\". " + reason);
}
FileError FileError::StreamRead() { return FileError(Kind::Read, "Stream read error"); }
FileError FileError::StreamWrite() { return FileError(Kind::Write, "Stream write error"); }

// ---------------------------------------------------------------------------------------

AtomicFileWriter::AtomicFileWriter(const std::string& target) : target_(target), final_(target) {
    if (target.empty()) throw FileError::CannotCreate(target, Reason(ENOENT));
    struct stat st;
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) throw FileError::CannotCreate(target, Reason(EISDIR));
        if (!S_ISREG(st.st_mode)) throw FileError::CannotCreate(target, "Not a regular file");
        // A read-only file is the user's protection; replacing it by rename would defeat it.
        if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw FileError::CannotCreate(target, Reason(EACCES));
        char resolved[PATH_MAX];
        if (::realpath(target.c_str(), resolved)) final_ = resolved;
    }
    std::string dir, base;
    SplitPath(final_, dir, base);
    if (base.empty()) throw FileError::CannotCreate(target, Reason(EISDIR));

    // New files get 0666 less the umask, as an ordinary create would; a replaced file keeps
    // its mode and, where permitted, its owner.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temp_ = platform::TempNameBeside(dir, base, ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? (st.st_mode & 07777) : 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        int err = errno;
        temp_.clear();
        throw FileError::CannotCreate(target, Reason(err));
    }
    if (exists) {
        if (::fchown(fd_, st.st_uid, st.st_gid) != 0) {
            // Not the owner: the file becomes ours, as when a file is recreated.
        }
        ::fchmod(fd_, st.st_mode & 07777);
    }
    buf_.resize(kWriteBuffer);
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

void AtomicFileWriter::Write(const void* data, std::size_t size) {
    if (fd_ < 0) throw FileError::StreamWrite();
    const char* p = static_cast<const char*>(data);
    if (size >= buf_.size()) {
        Flush();
        if (!WriteAll(fd_, p, size)) throw FileError::StreamWrite();
        return;
    }
    if (used_ + size > buf_.size()) Flush();
    std::memcpy(buf_.data() + used_, p, size);
    used_ += size;
}

void AtomicFileWriter::Flush() {
    if (used_ == 0) return;
    if (!WriteAll(fd_, buf_.data(), used_)) throw FileError::StreamWrite();
    used_ = 0;
}

void AtomicFileWriter::Commit() {
    if (fd_ < 0) throw FileError::StreamWrite();
    Flush();
    // The data must be on the disk before the name points at it, or a crash could leave an
    // empty file where the old one was.
    if (::fsync(fd_) != 0 && errno != EINVAL) throw FileError::StreamWrite();
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw FileError::StreamWrite();
    if (::rename(temp_.c_str(), final_.c_str()) != 0) throw FileError::CannotCreate(target_, Reason(errno));
    temp_.clear();
}

// ---------------------------------------------------------------------------------------

BoundedFileReader::BoundedFileReader(const std::string& file) {
    fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) throw FileError::CannotOpen(file, Reason(errno));
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        int err = errno;
        ::close(fd_);
        throw FileError::CannotOpen(file, Reason(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw FileError::CannotOpen(file, S_ISDIR(st.st_mode) ? Reason(EISDIR) : "Not a regular file");
    }
    ::flock(fd_, LOCK_SH | LOCK_NB);  // advisory only; reading goes on without it
    size_ = static_cast<std::uint64_t>(st.st_size);
    buf_.resize(static_cast<std::size_t>(std::clamp<std::uint64_t>(size_, 1, kReadBuffer)));
}

BoundedFileReader::~BoundedFileReader() {
    if (fd_ >= 0) ::close(fd_);
}

void BoundedFileReader::Fill() {
    bufPos_ = bufEnd_ = 0;
    for (;;) {
        ssize_t r = ::read(fd_, buf_.data(), buf_.size());
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) throw FileError::StreamRead();
        bufEnd_ = static_cast<std::size_t>(r);
        return;
    }
}

void BoundedFileReader::Read(void* data, std::size_t size) {
    if (size > Remaining()) throw FileError::StreamRead();
    char* out = static_cast<char*>(data);
    while (size > 0) {
        if (bufPos_ == bufEnd_) Fill();
        std::size_t n = std::min(size, bufEnd_ - bufPos_);
        std::memcpy(out, buf_.data() + bufPos_, n);
        bufPos_ += n;
        pos_ += n;
        out += n;
        size -= n;
    }
}

}  // namespace vantum
