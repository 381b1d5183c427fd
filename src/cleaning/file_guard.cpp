#include "cleaning/file_guard.h"

#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantum::cleaning {

namespace {

std::string Folder(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool SameEntry(const FileStamp& a, const FileStamp& b) {
    return a.dev == b.dev && a.ino == b.ino && (a.mode & S_IFMT) == (b.mode & S_IFMT);
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    FileStamp s;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.mtimeSec = st.st_mtim.tv_sec;
    s.mtimeNsec = st.st_mtim.tv_nsec;
    s.mode = st.st_mode;
    return s;
}

ReplaceOutcome ReplaceIfUnchanged(const std::string& path, const FileStamp& expected, const std::string& text,
                                  std::string* error) {
    auto fail = [&](const std::string& why, ReplaceOutcome outcome = ReplaceOutcome::Failed) {
        if (error) *error = why;
        return outcome;
    };
    if (!S_ISREG(expected.mode)) return fail(path + " is not a regular file; it is left as it is");
    std::string tmp = Folder(path) + "/." + path.substr(path.rfind('/') + 1) + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) return fail("Cannot write beside " + path + ": " + std::strerror(errno));
    bool ok = ::fchmod(fd, expected.mode & 07777) == 0;
    size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    int savedErrno = errno;
    if (ok && ::fsync(fd) != 0) ok = false, savedErrno = errno;
    if (::close(fd) != 0 && ok) ok = false, savedErrno = errno;
    if (!ok) {
        ::unlink(tmp.c_str());
        return fail("Cannot write " + path + ": " + std::strerror(savedErrno));
    }
    // The last moment to notice another writer: from here on only the rename is left.
    auto now = StampOf(path);
    if (!now || !(*now == expected)) {
        ::unlink(tmp.c_str());
        return fail(path + " was changed by another program meanwhile; it is left as that program wrote it",
                    ReplaceOutcome::ChangedMeanwhile);
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        savedErrno = errno;
        ::unlink(tmp.c_str());
        return fail("Cannot replace " + path + ": " + std::strerror(savedErrno));
    }
    int dfd = ::open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return ReplaceOutcome::Replaced;
}

bool RemoveListedEntry(const std::string& path, const FileStamp& listed, std::string* why) {
    auto fail = [&](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    if (!S_ISREG(listed.mode) && !S_ISLNK(listed.mode)) return fail(path + " is not a file; it is left alone");
    auto now = StampOf(path);
    if (!now) return fail(path + " is gone already");
    if (!SameEntry(*now, listed)) return fail(path + " was replaced by another file meanwhile; it is left alone");
    if (::unlink(path.c_str()) != 0) return fail("Cannot remove " + path + ": " + std::strerror(errno));
    return true;
}

std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<size_t>(in.gcount()));
        if (text.size() > limit) return std::nullopt;
    }
    if (in.bad()) return std::nullopt;
    return text;
}

}  // namespace vantum::cleaning
