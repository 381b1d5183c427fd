#include "filemgr/copy_older.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "filemgr/atomic_file.h"

namespace vantum {

namespace {

std::string StripSlashes(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

std::string RealPath(const std::string& p) {
    char buf[PATH_MAX];
    return realpath(p.c_str(), buf) ? std::string(buf) : std::string();
}

bool Inside(const std::string& path, const std::string& folder) {
    if (path == folder) return true;
    const std::string prefix = folder == "/" ? "/" : folder + "/";
    return path.compare(0, prefix.size(), prefix) == 0;
}

// File systems whose clocks count in two-second steps, or whose times may be rounded on the
// way (FUSE stands for ntfs-3g and the like).
bool CoarseClock(int fd) {
    struct statfs fs;
    if (fstatfs(fd, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x4d44ul:      // FAT
    case 0x2011BAB0ul:  // exFAT
    case 0x5346544eul:  // NTFS
    case 0x65735546ul:  // FUSE
        return true;
    default:
        return false;
    }
}

struct Lists {
    std::vector<std::string> folders;  // relative, parents before children
    std::vector<std::string> files;    // relative: regular files and links
};

// Every file and folder below a folder, depth first, without following links or leaving
// its file system.
bool Collect(const std::string& root, const std::string& rel, dev_t dev, Lists& out, std::string& error) {
    const std::string path = root + "/" + rel;
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        error = path + ": " + std::strerror(errno);
        if (fd >= 0) close(fd);
        return false;
    }
    std::vector<std::pair<std::string, bool>> children;
    while (dirent* d = readdir(dir)) {
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
        struct stat st;
        if (fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            if (st.st_dev == dev) children.emplace_back(d->d_name, true);
        } else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
            children.emplace_back(d->d_name, false);
        }
    }
    closedir(dir);
    std::sort(children.begin(), children.end());
    for (const auto& [name, isDir] : children) {
        if (isDir) {
            out.folders.push_back(rel + "/" + name);
            if (!Collect(root, rel + "/" + name, dev, out, error)) return false;
        } else {
            out.files.push_back(rel + "/" + name);
        }
    }
    return true;
}

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

class Copier {
public:
    Copier(const std::string& src, int destfd, const CopyOlderOptions& options, CopyOlderResult& r)
        : src_(src), dest_(destfd), options_(options), r_(r) {}

    // Opens the folder of rel below the destination, creating what is missing, never through
    // a link. Answers a descriptor (or dest_) and the leaf name, or -1 with err set.
    int OpenFolder(const std::string& rel, bool includeLeaf, std::string& leaf, int& err) {
        std::vector<std::string> parts;
        for (std::size_t start = 0; start <= rel.size();) {
            std::size_t end = rel.find('/', start);
            if (end == std::string::npos) end = rel.size();
            if (end > start) parts.push_back(rel.substr(start, end - start));
            start = end + 1;
        }
        if (!includeLeaf) {
            leaf = parts.back();
            parts.pop_back();
        }
        int fd = dest_;
        for (const std::string& p : parts) {
            if (mkdirat(fd, p.c_str(), 0755) != 0 && errno != EEXIST) {
                err = errno;
                if (fd != dest_) close(fd);
                return -1;
            }
            const int next = openat(fd, p.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            err = errno;
            if (fd != dest_) close(fd);
            if (next < 0) return -1;
            fd = next;
        }
        return fd;
    }

    void File(const std::string& rel) {
        struct stat sst;
        if (lstat((src_ + "/" + rel).c_str(), &sst) != 0) return;  // gone since it was listed
        std::string leaf;
        int err = 0;
        const int dir = OpenFolder(rel, false, leaf, err);
        if (dir < 0) {
            Error(rel);
            return;
        }
        FileIn(dir, rel, leaf, sst);
        if (dir != dest_) close(dir);
    }

private:
    void Error(const std::string& rel) {
        r_.log.push_back(kLogError + rel);
        ++r_.errors;
    }

    void FileIn(int dir, const std::string& rel, const std::string& leaf, const struct stat& sst) {
        struct stat dst;
        if (fstatat(dir, leaf.c_str(), &dst, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) return Error(rel);
            if (Write(dir, rel, leaf, sst, false)) {
                r_.log.push_back(kLogNotThere + rel);
                ++r_.copied;
            } else {
                Error(rel);
            }
            return;
        }
        if (S_ISDIR(dst.st_mode)) return Error(rel);
        if (!asked_) {
            answer_ = options_.ask ? options_.ask() : options_.answer;
            asked_ = true;
        }
        const char* line = nullptr;
        switch (answer_) {
        case OverwriteAnswer::All:
            line = kLogSourceOlder;
            break;
        case OverwriteAnswer::Older:
            if (!Later(dir, dst, sst)) line = kLogOverwriteOlder;
            break;
        case OverwriteAnswer::None:
            break;
        }
        if (!line) {
            ++r_.kept;
            return;
        }
        if (Write(dir, rel, leaf, sst, true)) {
            r_.log.push_back(line + rel);
            ++r_.copied;
        } else {
            Error(rel);
        }
    }

    bool Later(int dir, const struct stat& dst, const struct stat& sst) {
        int tolerance = options_.toleranceSeconds;
        if (tolerance < 0) tolerance = CoarseClock(dir) || CoarseClock(dest_) || SourceCoarse() ? 2 : 0;
        const auto ns = [](const timespec& t) { return static_cast<long double>(t.tv_sec) * 1e9L + t.tv_nsec; };
        return ns(dst.st_mtim) > ns(sst.st_mtim) + static_cast<long double>(tolerance) * 1e9L;
    }

    bool SourceCoarse() {
        if (sourceCoarse_ < 0) {
            Fd fd(open(src_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            sourceCoarse_ = fd.fd >= 0 && CoarseClock(fd.fd) ? 1 : 0;
        }
        return sourceCoarse_ == 1;
    }

    std::string TempName() { return ".~copy" + std::to_string(getpid()) + "-" + std::to_string(counter_++) + ".part"; }

    // Writes a complete copy under a temporary name and moves it into place: an existing
    // entry (a file or a link, never followed) is replaced only when replace is set.
    bool Write(int dir, const std::string& rel, const std::string& leaf, const struct stat& sst, bool replace) {
        const std::string temp = TempName();
        const std::string from = src_ + "/" + rel;
        if (S_ISLNK(sst.st_mode)) {
            std::string target(PATH_MAX, '\0');
            const ssize_t n = readlink(from.c_str(), target.data(), target.size());
            if (n < 0) return false;
            target.resize(static_cast<std::size_t>(n));
            if (symlinkat(target.c_str(), dir, temp.c_str()) != 0) return false;
            const timespec times[2] = {sst.st_atim, sst.st_mtim};
            utimensat(dir, temp.c_str(), times, AT_SYMLINK_NOFOLLOW);
        } else {
            Fd in(open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
            if (in.fd < 0) return false;
            struct stat st;
            if (fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
            const int out = openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (out < 0) return false;
            bool ok = CopyData(in.fd, out);
            ok = ok && fchmod(out, st.st_mode & 07777) == 0;
            const timespec times[2] = {st.st_atim, st.st_mtim};
            ok = ok && futimens(out, times) == 0;
            // A replaced file must never be lost to a crash between rename and writeback.
            if (ok && replace) ok = fsync(out) == 0;
            if (close(out) != 0) ok = false;
            if (!ok) {
                unlinkat(dir, temp.c_str(), 0);
                return false;
            }
        }
        const int err = replace ? (renameat(dir, temp.c_str(), dir, leaf.c_str()) == 0 ? 0 : errno)
                                : RenameNoReplaceAt(dir, temp, leaf);
        if (err != 0) {
            unlinkat(dir, temp.c_str(), 0);
            return false;
        }
        return true;
    }

    static bool CopyData(int in, int out) {
        bool fallback = false;
        for (;;) {
            if (!fallback) {
                const ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
                if (n > 0) continue;
                if (n == 0) return true;
                if (errno == EINTR) continue;
                if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
                fallback = true;
            }
            char buf[1 << 16];
            const ssize_t n = read(in, buf, sizeof buf);
            if (n == 0) return true;
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = write(out, buf + done, static_cast<std::size_t>(n - done));
                if (w < 0) {
                    if (errno == EINTR) continue;
                    return false;
                }
                done += w;
            }
        }
    }

    std::string src_;
    int dest_;
    const CopyOlderOptions& options_;
    CopyOlderResult& r_;
    bool asked_ = false;
    OverwriteAnswer answer_ = OverwriteAnswer::None;
    int sourceCoarse_ = -1;
    unsigned counter_ = 0;
};

}  // namespace

CopyOlderResult CopyOverwriteOlder(const std::string& sourceRoot, const std::vector<std::string>& selected,
                                   const std::string& destRoot, const CopyOlderOptions& options, ProgressSink& sink) {
    CopyOlderResult r;
    const std::string src = StripSlashes(sourceRoot);
    const std::string realSrc = RealPath(src);
    const std::string realDest = RealPath(destRoot);
    struct stat dst;
    if (realDest.empty() || stat(realDest.c_str(), &dst) != 0 || !S_ISDIR(dst.st_mode)) {
        r.message = destRoot + ": not an existing folder";
        return r;
    }
    if (realSrc.empty()) {
        r.message = sourceRoot + ": not an existing folder";
        return r;
    }
    if (realDest == realSrc) {
        r.message = "The destination is the source folder itself";
        return r;
    }

    Lists lists;
    std::vector<std::string> selectedFiles;  // before the files found below selected folders
    const std::string prefix = src == "/" ? "/" : src + "/";
    for (const std::string& item : selected) {
        const std::string path = StripSlashes(item);
        if (path.compare(0, prefix.size(), prefix) != 0 || path.size() == prefix.size()) {
            r.message = item + ": not inside " + sourceRoot;
            return r;
        }
        const std::string rel = path.substr(prefix.size());
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) {
            r.message = item + ": " + std::strerror(errno);
            return r;
        }
        if (S_ISDIR(st.st_mode)) {
            if (Inside(realDest, RealPath(path))) {
                r.message = "The destination " + destRoot + " lies inside " + item;
                return r;
            }
            lists.folders.push_back(rel);
            std::string error;
            if (!Collect(src, rel, st.st_dev, lists, error)) {
                r.message = error;
                return r;
            }
        } else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
            selectedFiles.push_back(rel);
        }
    }
    lists.files.insert(lists.files.begin(), selectedFiles.begin(), selectedFiles.end());

    Fd dest(open(realDest.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dest.fd < 0) {
        r.message = destRoot + ": " + std::strerror(errno);
        return r;
    }
    sink.SizeRange(static_cast<int>(lists.folders.size() + lists.files.size()));
    int position = 0;
    Copier copier(src, dest.fd, options, r);
    for (const std::string& folder : lists.folders) {
        std::string leaf;
        int err = 0;
        const int fd = copier.OpenFolder(folder, true, leaf, err);
        if (fd < 0) {
            r.message = destRoot + "/" + folder + ": " + std::strerror(err);
            return r;
        }
        if (fd != dest.fd) close(fd);
        sink.SizeProgress(++position);
    }
    for (const std::string& file : lists.files) {
        if (sink.AbortRequested()) {
            r.message = "Copy cancelled";
            return r;
        }
        copier.File(file);
        sink.SizeProgress(++position);
        sink.Idle();
    }
    r.ok = r.errors == 0;
    return r;
}

int WriteCopyLog(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    AtomicFile file;
    if (const int err = file.Create(path)) return err;
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t w = write(file.fd(), text.data() + done, text.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(w);
    }
    return file.Commit(true);
}

}  // namespace vantum
