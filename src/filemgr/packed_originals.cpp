#include "filemgr/packed_originals.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace vantum {

namespace {

bool Unchanged(const PackedOriginal& o, const struct stat& st) {
    if (st.st_dev != o.dev || st.st_ino != o.ino || (st.st_mode & S_IFMT) != o.type) return false;
    if (o.type == S_IFDIR) return true;
    return st.st_size == o.size && st.st_mtim.tv_sec == o.mtime.tv_sec &&
           st.st_mtim.tv_nsec == o.mtime.tv_nsec;
}

std::string Canonical(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

bool IsAncestorOrSame(const std::string& folder, const std::string& path) {
    if (folder == "/" || folder == path) return true;
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

}  // namespace

bool IsProtectedFolder(const std::string& path) {
    const std::string real = Canonical(path);
    if (real.empty() || real == "/") return true;
    std::vector<std::string> fixed = {"/usr", "/etc", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32",
                                      "/boot", "/opt", "/home", "/root", "/proc", "/sys", "/dev", "/run"};
    if (const char* home = std::getenv("HOME"); home && *home) {
        const std::string h = Canonical(home);
        if (!h.empty()) {
            fixed.push_back(h);
            fixed.push_back(h + "/.config");
            fixed.push_back(h + "/.local/share");
        }
    }
    for (const std::string& p : fixed)
        if (IsAncestorOrSame(real, p)) return true;
    // A mount point: its device differs from its parent's.
    struct stat st, parent;
    const std::string up = real.substr(0, std::max<std::size_t>(1, real.rfind('/')));
    return stat(real.c_str(), &st) == 0 && stat(up.c_str(), &parent) == 0 && st.st_dev != parent.st_dev;
}

RemovalReport RemovePackedOriginals(const std::vector<PackedOriginal>& originals) {
    RemovalReport report;
    std::vector<const PackedOriginal*> folders;
    for (const PackedOriginal& o : originals) {
        if (o.type == S_IFDIR) {
            folders.push_back(&o);
            continue;
        }
        struct stat st;
        if (lstat(o.path.c_str(), &st) != 0) {
            report.problems.push_back(o.path + ": " + std::strerror(errno));
            continue;
        }
        if (!Unchanged(o, st)) {
            report.problems.push_back(o.path + ": changed since it was packed; kept");
            continue;
        }
        if (unlink(o.path.c_str()) != 0) {
            report.problems.push_back(o.path + ": " + std::strerror(errno));
            continue;
        }
        ++report.removed;
    }
    // Deepest first, so that a folder emptied of its sub-folders can go too.
    std::stable_sort(folders.begin(), folders.end(), [](const PackedOriginal* a, const PackedOriginal* b) {
        return std::count(a->path.begin(), a->path.end(), '/') > std::count(b->path.begin(), b->path.end(), '/');
    });
    for (const PackedOriginal* f : folders) {
        struct stat st;
        if (lstat(f->path.c_str(), &st) != 0 || !Unchanged(*f, st)) continue;
        // A folder still holding something (a file that stayed, the archive) is kept quietly.
        rmdir(f->path.c_str());
    }
    return report;
}

}  // namespace vantum
