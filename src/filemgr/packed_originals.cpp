#include "filemgr/packed_originals.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vantum {

namespace {

bool Unchanged(const PackedOriginal& o, const struct stat& st) {
    if (st.st_dev != o.dev || st.st_ino != o.ino || (st.st_mode & S_IFMT) != o.type) return false;
    if (o.type == S_IFDIR) return true;
    return st.st_size == o.size && st.st_mtim.tv_sec == o.mtime.tv_sec &&
           st.st_mtim.tv_nsec == o.mtime.tv_nsec;
}

}  // namespace

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
