#include "filemgr/lec_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/crypto.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "filemgr/atomic_file.h"
#include "filemgr/lec_cipher.h"

namespace vantum {

namespace {

constexpr std::size_t kChunk = 8192;

// Reads until the buffer is full or the file ends. Returns the count, or -1 with errno set.
ssize_t ReadFull(int fd, std::uint8_t* buf, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, buf + got, size - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

bool WriteFull(int fd, const std::uint8_t* buf, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, buf, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        buf += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

LecResult Fail(std::string message) { return {false, std::move(message)}; }

LecResult IoFailure(const char* what, const std::string& path, int err) {
    return Fail(std::string("Error ") + what + " " + path + ": " + std::strerror(err));
}

// The source, read only (a read-only file must be readable); only regular files, so that a
// FIFO or a device can neither block nor run forever.
class Source {
public:
    explicit Source(const std::string& path) {
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        struct stat st;
        if (fd_ >= 0 && (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
            close(fd_);
            fd_ = -1;
        }
        if (fd_ >= 0) fcntl(fd_, F_SETFL, 0);
    }
    ~Source() {
        if (fd_ >= 0) close(fd_);
    }
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// One fixed buffer, wiped when the file is done.
struct Buffer {
    std::uint8_t data[kChunk];
    ~Buffer() { OPENSSL_cleanse(data, sizeof data); }
};

// Runs the rest of the source through the cipher into out.
LecResult Stream(int in, int out, LecCipher& cipher, const std::string& source,
                 const std::string& target, ProgressSink& sink) {
    Buffer buf;
    for (;;) {
        const ssize_t n = ReadFull(in, buf.data, kChunk);
        if (n < 0) return IoFailure("reading", source, errno);
        if (n == 0) break;
        cipher.Process(buf.data, static_cast<std::size_t>(n));
        if (!WriteFull(out, buf.data, static_cast<std::size_t>(n)))
            return IoFailure("writing", target, errno);
        sink.Idle();
        if (static_cast<std::size_t>(n) < kChunk) break;
    }
    return {true, {}};
}

LecResult Finish(AtomicFile& out, ExistingTarget existing, const std::string& target) {
    const int err = out.Commit(existing == ExistingTarget::Replace);
    if (err == EEXIST) return Fail(target + " already exists");
    if (err) return IoFailure("writing", target, err);
    return {true, {}};
}

}  // namespace

LecResult EncryptFile(const std::string& source, const std::string& target,
                      std::string_view passphrase, ExistingTarget existing, ProgressSink& sink) {
    Source in(source);
    if (in.fd() < 0) return Fail(kLecCannotOpenSource);
    if (existing == ExistingTarget::Keep && Exists(target)) return Fail(target + " already exists");
    AtomicFile out;
    if (out.Create(target) != 0) return Fail(kLecCannotCreateTarget);

    LecCipher cipher(passphrase, LecCipher::Direction::Encrypt);
    const LecCipher::CheckBlock check = cipher.Check();
    if (!WriteFull(out.fd(), check.data(), check.size())) return IoFailure("writing", target, errno);
    LecResult r = Stream(in.fd(), out.fd(), cipher, source, target, sink);
    if (!r.ok) return r;
    return Finish(out, existing, target);
}

LecResult DecryptFile(const std::string& source, const std::string& target,
                      std::string_view passphrase, ExistingTarget existing, ProgressSink& sink) {
    Source in(source);
    if (in.fd() < 0) return Fail(kLecCannotOpenSource);

    LecCipher cipher(passphrase, LecCipher::Direction::Decrypt);
    LecCipher::CheckBlock expected = cipher.Check();
    LecCipher::CheckBlock stored{};
    const ssize_t n = ReadFull(in.fd(), stored.data(), stored.size());
    if (n < 0) return IoFailure("reading", source, errno);
    if (static_cast<std::size_t>(n) < stored.size())
        return Fail(source + " is too short to be an encrypted file");
    const bool match = CRYPTO_memcmp(expected.data(), stored.data(), stored.size()) == 0;
    OPENSSL_cleanse(expected.data(), expected.size());
    if (!match) return Fail(kLecIncorrectPassphrase);

    if (existing == ExistingTarget::Keep && Exists(target)) return Fail(target + " already exists");
    AtomicFile out;
    if (out.Create(target) != 0) return Fail(kLecCannotCreateTarget);
    LecResult r = Stream(in.fd(), out.fd(), cipher, source, target, sink);
    if (!r.ok) return r;
    return Finish(out, existing, target);
}

}  // namespace vantum
