#include "platform/trash.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/dir_listing.h"
#include "platform/mounts.h"
#include "platform/protected_paths.h"
#include "platform/remove_tree.h"

namespace vantum::platform {

namespace {

constexpr const char* kInfoSuffix = ".trashinfo";
constexpr std::size_t kInfoSuffixLen = 10;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

int OpenDir(const std::string& path) {
    return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

std::string Errno(int err) { return std::strerror(err); }

// A folder that is ours to use as (part of) a trash: a real folder, not a link, owned by uid.
// Made with mode 0700 when missing.
int EnsurePrivateDir(const std::string& path, uid_t uid) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    if (st.st_uid != uid) return EPERM;
    return 0;
}

// Like mkdir -p; folders made on the way get mode 0700 (the base-directory rule for XDG data).
int MakeParents(const std::string& path) {
    std::string sofar;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        sofar = path.substr(0, pos);
        if (sofar.empty()) continue;
        if (mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

// Trims name to at most max bytes without splitting a UTF-8 sequence.
std::string Trim(const std::string& name, std::size_t max) {
    if (name.size() <= max) return name;
    std::size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
    return name.substr(0, n);
}

std::string Candidate(const std::string& base, unsigned n) {
    const std::size_t limit = NAME_MAX - kInfoSuffixLen;
    if (n == 0) return Trim(base, limit);
    const std::string suffix = "." + std::to_string(n);
    return Trim(base, limit - suffix.size()) + suffix;
}

bool WriteAll(int fd, const std::string& s) {
    std::size_t done = 0;
    while (done < s.size()) {
        const ssize_t w = write(fd, s.data() + done, s.size() - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(w);
    }
    return true;
}

std::string ReadSmallFile(int dirfd, const std::string& name) {
    Fd fd(openat(dirfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    std::string out;
    if (!fd.ok()) return out;
    char buf[8192];
    ssize_t r;
    while ((r = read(fd.get(), buf, sizeof buf)) > 0 && out.size() < (1u << 24)) out.append(buf, static_cast<std::size_t>(r));
    return out;
}

// Rewrites trashDir/directorysizes: drops the line of name (when given) and appends line.
void UpdateDirectorySizes(const std::string& trashDir, const std::string& dropName, const std::string& line) {
    Fd dir(OpenDir(trashDir));
    if (!dir.ok()) return;
    const std::string old = ReadSmallFile(dir.get(), "directorysizes");
    std::string out;
    std::size_t pos = 0;
    while (pos < old.size()) {
        auto end = old.find('\n', pos);
        if (end == std::string::npos) end = old.size();
        const std::string l = old.substr(pos, end - pos);
        pos = end + 1;
        const auto sp = l.rfind(' ');
        if (l.empty() || (!dropName.empty() && sp != std::string::npos && TrashPathDecode(l.substr(sp + 1)) == dropName))
            continue;
        out += l + "\n";
    }
    out += line;
    const std::string temp = "directorysizes." + std::to_string(getpid()) + ".tmp";
    Fd fd(openat(dir.get(), temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.ok()) return;
    if (!WriteAll(fd.get(), out) || renameat(dir.get(), temp.c_str(), dir.get(), "directorysizes") != 0)
        unlinkat(dir.get(), temp.c_str(), 0);
}

// Value of "Key=" inside the [Trash Info] group.
std::string InfoValue(const std::string& text, const std::string& key) {
    bool inGroup = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string l = text.substr(pos, end - pos);
        pos = end + 1;
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (!l.empty() && l[0] == '[') {
            inGroup = l == "[Trash Info]";
            continue;
        }
        if (inGroup && l.rfind(key + "=", 0) == 0) return l.substr(key.size() + 1);
    }
    return {};
}

// The top folder of a trash folder: the folder that holds .Trash-uid, or .Trash of .Trash/uid.
std::string TopdirOf(const std::string& trashDir) {
    std::string folder, name;
    SplitPath(trashDir, folder, name);
    if (name.rfind(".Trash-", 0) == 0) return folder;
    std::string top, dot;
    SplitPath(folder, top, dot);
    return top;
}

}  // namespace

std::string TrashPathEncode(const std::string& raw) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(raw.size());
    for (unsigned char c : raw) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string TrashPathDecode(const std::string& encoded) {
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size() + 0 && std::isxdigit(static_cast<unsigned char>(encoded[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(encoded[i + 2]))) {
            out += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += encoded[i];
        }
    }
    return out;
}

std::string TrashDeletionDate(std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    return buf;
}

Trash::Trash() : uid_(getuid()) {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') {
        home_ = std::string(data) + "/Trash";
    } else {
        const char* h = std::getenv("HOME");
        home_ = std::string(h && *h ? h : "/") + "/.local/share/Trash";
    }
}

Trash::Trash(std::string homeTrash) : home_(std::move(homeTrash)), uid_(getuid()) {}

std::string Trash::TrashFor(const std::string& path, int& error, std::string& topdir) const {
    error = 0;
    topdir.clear();
    struct stat item;
    if (lstat(path.c_str(), &item) != 0) {
        error = errno;
        return {};
    }
    // The home trash takes items of the file system it is (or will be) on.
    std::string probe = home_;
    struct stat st;
    while (lstat(probe.c_str(), &st) != 0) {
        std::string folder, name;
        SplitPath(probe, folder, name);
        if (folder == probe) break;
        probe = folder;
    }
    if (st.st_dev == item.st_dev) {
        if (int err = MakeParents(home_)) {
            error = err;
        } else if (!(error = EnsurePrivateDir(home_, uid_)) && !(error = EnsurePrivateDir(home_ + "/files", uid_)) &&
                   !(error = EnsurePrivateDir(home_ + "/info", uid_))) {
            return home_;
        }
        // A home trash that cannot be made: the item's own file system may still have one.
    }

    // The top folder of the item's file system: its mount point, when the mount table agrees.
    const std::string canonical = CanonicalItemPath(path);
    const auto mounts = ReadMounts();
    if (const MountEntry* m = MountOf(mounts, canonical); m && stat(m->mountPoint.c_str(), &st) == 0 && st.st_dev == item.st_dev) {
        topdir = m->mountPoint;
    } else {
        topdir = canonical;
        for (;;) {
            std::string folder, name;
            SplitPath(topdir, folder, name);
            if (folder == topdir || stat(folder.c_str(), &st) != 0 || st.st_dev != item.st_dev) break;
            topdir = folder;
        }
    }
    const std::string base = topdir == "/" ? "" : topdir;
    const std::string uid = std::to_string(uid_);
    auto usable = [&](const std::string& dir) {
        struct stat ds;
        return !EnsurePrivateDir(dir, uid_) && !EnsurePrivateDir(dir + "/files", uid_) &&
               !EnsurePrivateDir(dir + "/info", uid_) && lstat(dir.c_str(), &ds) == 0 && ds.st_dev == item.st_dev;
    };
    // $topdir/.Trash counts only as a real folder (not a link) with the sticky bit.
    if (lstat((base + "/.Trash").c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
        usable(base + "/.Trash/" + uid))
        return base + "/.Trash/" + uid;
    if (usable(base + "/.Trash-" + uid)) return base + "/.Trash-" + uid;
    if (!error) error = errno ? errno : EACCES;
    return {};
}

TrashPut Trash::Put(const std::string& path, const EntryInfo* expected, const std::uint64_t* knownBytes) {
    TrashPut out;
    auto fail = [&](TrashPut::Status status, int err, const std::string& why) {
        out.status = status;
        out.error = err;
        out.message = "Cannot move \"" + path + "\" to the trash: " + why;
        return out;
    };
    const std::string canonical = CanonicalItemPath(path);
    std::string folder, name;
    SplitPath(canonical, folder, name);
    if (name.empty() || canonical == "/") return fail(TrashPut::Status::Failed, EINVAL, "not an item");
    Fd parent(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.ok()) return fail(TrashPut::Status::Failed, errno, Errno(errno));
    EntryInfo info;
    if (int err = StatEntry(parent.get(), name.c_str(), info)) return fail(TrashPut::Status::Failed, err, Errno(err));
    if (expected && !info.SameAs(*expected))
        return fail(TrashPut::Status::Failed, ESTALE, "it changed since it was chosen; left alone");

    int err = 0;
    std::string topdir;
    const std::string trashDir = TrashFor(canonical, err, topdir);
    if (trashDir.empty())
        return fail(TrashPut::Status::NoTrash, err, "no trash can take it on its file system (" + Errno(err) + ")");
    if (trashDir == canonical || (trashDir.size() > canonical.size() && trashDir.compare(0, canonical.size() + 1, canonical + "/") == 0))
        return fail(TrashPut::Status::Failed, EINVAL, "it holds the trash itself");
    Fd files(OpenDir(trashDir + "/files"));
    Fd infos(OpenDir(trashDir + "/info"));
    if (!files.ok() || !infos.ok()) return fail(TrashPut::Status::NoTrash, errno, "the trash folder cannot be opened");

    std::string stored = topdir.empty() ? canonical : canonical.substr(topdir == "/" ? 1 : topdir.size() + 1);
    const std::string text = "[Trash Info]\nPath=" + TrashPathEncode(stored) +
                             "\nDeletionDate=" + TrashDeletionDate(std::time(nullptr)) + "\n";
    std::mt19937 rng(std::random_device{}());
    for (unsigned attempt = 0; attempt < 10000; ++attempt) {
        // Counting up is what users expect for a few collisions; random numbers after that
        // keep a thousand items of one name from costing a million tries.
        const unsigned n = attempt < 16 ? (attempt == 0 ? 0 : attempt + 1) : 17 + rng() % 1000000;
        const std::string cand = Candidate(name, n);
        const std::string infoName = cand + kInfoSuffix;
        Fd fd(openat(infos.get(), infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.ok()) {
            if (errno == EEXIST) continue;
            return fail(TrashPut::Status::NoTrash, errno, "cannot write its trash information (" + Errno(errno) + ")");
        }
        auto dropInfo = [&] { unlinkat(infos.get(), infoName.c_str(), 0); };
        if (!WriteAll(fd.get(), text) || fsync(fd.get()) != 0) {
            const int e = errno;
            dropInfo();
            return fail(TrashPut::Status::NoTrash, e, "cannot write its trash information (" + Errno(e) + ")");
        }
        EntryInfo now;
        if (StatEntry(parent.get(), name.c_str(), now) != 0 || !now.SameAs(info)) {
            dropInfo();
            return fail(TrashPut::Status::Failed, ESTALE, "it changed meanwhile; left alone");
        }
        if (renameat2(parent.get(), name.c_str(), files.get(), cand.c_str(), RENAME_NOREPLACE) != 0) {
            const int e = errno;
            dropInfo();
            if (e == EEXIST || e == ENOTEMPTY) continue;
            if (e == EXDEV) return fail(TrashPut::Status::NoTrash, e, "its trash is on another file system");
            return fail(TrashPut::Status::Failed, e, Errno(e));
        }
        out.status = TrashPut::Status::Done;
        out.item = {trashDir, cand, canonical, InfoValue(text, "DeletionDate"), info.IsDir()};
        if (info.IsDir()) {
            out.bytes = knownBytes ? *knownBytes : DiskUsageAt(files.get(), cand);
            struct stat ist;
            const long mtime = fstat(fd.get(), &ist) == 0 ? static_cast<long>(ist.st_mtime) : static_cast<long>(std::time(nullptr));
            UpdateDirectorySizes(trashDir, "", std::to_string(out.bytes) + " " + std::to_string(mtime) + " " +
                                                   TrashPathEncode(cand) + "\n");
        } else {
            out.bytes = info.blocks;
        }
        return out;
    }
    return fail(TrashPut::Status::Failed, EEXIST, "no free name in the trash");
}

std::vector<std::string> Trash::TrashDirs() const {
    std::vector<std::string> dirs;
    auto add = [&](const std::string& d) {
        struct stat st;
        if (lstat(d.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
        for (const auto& known : dirs) {
            struct stat ks;
            if (stat(known.c_str(), &ks) == 0 && ks.st_dev == st.st_dev && ks.st_ino == st.st_ino) return;
        }
        dirs.push_back(d);
    };
    add(home_);
    const std::string uid = std::to_string(uid_);
    for (const auto& m : ReadMounts()) {
        const std::string base = m.mountPoint == "/" ? "" : m.mountPoint;
        struct stat st;
        if (lstat((base + "/.Trash").c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX))
            add(base + "/.Trash/" + uid);
        add(base + "/.Trash-" + uid);
    }
    return dirs;
}

std::vector<TrashedItem> Trash::List() const {
    std::vector<TrashedItem> items;
    for (const auto& dir : TrashDirs()) {
        Fd infos(OpenDir(dir + "/info"));
        Fd files(OpenDir(dir + "/files"));
        if (!infos.ok()) continue;
        DIR* d = fdopendir(dup(infos.get()));
        if (!d) continue;
        const std::string topdir = dir == home_ ? "" : TopdirOf(dir);
        while (const dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() <= kInfoSuffixLen || n.compare(n.size() - kInfoSuffixLen, kInfoSuffixLen, kInfoSuffix) != 0) continue;
            const std::string text = ReadSmallFile(infos.get(), n);
            std::string p = TrashPathDecode(InfoValue(text, "Path"));
            if (p.empty()) continue;
            if (p.front() != '/') p = (topdir == "/" ? "" : topdir) + "/" + p;
            TrashedItem item{dir, n.substr(0, n.size() - kInfoSuffixLen), p, InfoValue(text, "DeletionDate"), false};
            struct stat st;
            if (!files.ok() || fstatat(files.get(), item.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            item.isFolder = S_ISDIR(st.st_mode);
            items.push_back(std::move(item));
        }
        closedir(d);
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const TrashedItem& a, const TrashedItem& b) { return a.deletionDate < b.deletionDate; });
    return items;
}

TrashResult Trash::Restore(const TrashedItem& item) const {
    TrashResult r;
    auto fail = [&](const std::string& why) {
        r.ok = false;
        r.problems.push_back("Cannot restore \"" + item.originalPath + "\": " + why);
        return r;
    };
    if (item.name.empty() || item.name.find('/') != std::string::npos || item.originalPath.empty() ||
        item.originalPath.front() != '/')
        return fail("not an item of the trash");
    struct stat st;
    if (lstat(item.originalPath.c_str(), &st) == 0) return fail("an item of that name exists already");
    std::string folder, name;
    SplitPath(item.originalPath, folder, name);
    if (int err = MakeParents(folder)) return fail("its folder cannot be made again (" + Errno(err) + ")");
    Fd files(OpenDir(item.trashDir + "/files"));
    Fd target(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!files.ok() || !target.ok()) return fail(Errno(errno));
    EntryInfo info;
    StatEntry(files.get(), item.name.c_str(), info);
    if (renameat2(files.get(), item.name.c_str(), target.get(), name.c_str(), RENAME_NOREPLACE) != 0) {
        const int e = errno;
        if (e == EEXIST || e == ENOTEMPTY) return fail("an item of that name exists already");
        if (e == EXDEV) return fail("its folder is now on another file system");
        return fail(Errno(e));
    }
    unlink((item.trashDir + "/info/" + item.name + kInfoSuffix).c_str());
    if (info.IsDir()) UpdateDirectorySizes(item.trashDir, item.name, "");
    r.items = 1;
    r.bytes = info.blocks;
    return r;
}

namespace {

std::vector<std::string> Names(int dirfd) {
    std::vector<std::string> names;
    DIR* d = dirfd >= 0 ? fdopendir(dup(dirfd)) : nullptr;
    if (!d) return names;
    while (const dirent* e = readdir(d))
        if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
    closedir(d);
    return names;
}

}  // namespace

std::uint64_t Trash::Size() const {
    std::uint64_t total = 0;
    for (const auto& dir : TrashDirs()) {
        Fd files(OpenDir(dir + "/files"));
        for (const auto& n : Names(files.get())) total += DiskUsageAt(files.get(), n);
    }
    return total;
}

TrashResult Trash::Empty() const {
    TrashResult r;
    for (const auto& dir : TrashDirs()) {
        Fd files(OpenDir(dir + "/files"));
        Fd infos(OpenDir(dir + "/info"));
        if (!files.ok()) continue;
        for (const auto& n : Names(files.get())) {
            const RemoveOutcome o = RemoveTreeAt(files.get(), n, dir + "/files/" + n);
            r.bytes += o.bytes;
            for (const auto& p : o.problems) r.problems.push_back(p.Message());
            if (!o.ok()) {
                r.ok = false;
                continue;  // its information stays with what is left of it
            }
            ++r.items;
            if (infos.ok()) unlinkat(infos.get(), (n + kInfoSuffix).c_str(), 0);
        }
        // Information whose item is gone.
        for (const auto& n : Names(infos.get())) {
            if (n.size() <= kInfoSuffixLen) continue;
            struct stat st;
            if (fstatat(files.get(), n.substr(0, n.size() - kInfoSuffixLen).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                unlinkat(infos.get(), n.c_str(), 0);
        }
        if (r.ok) unlink((dir + "/directorysizes").c_str());
    }
    return r;
}

}  // namespace vantum::platform
