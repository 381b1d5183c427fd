#include "cleaning/tree_cleaner.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace vantum::cleaning {

namespace {

constexpr size_t kMaxDepth = 256;

struct Level {
    DIR* dir;
    std::string path;
    std::string nameInParent;  // to remove it once empty; empty for the top folder
};

}  // namespace

CleanReport CleanFolderContents(const std::string& folder, bool listOnly) {
    CleanReport report;
    int top = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (top < 0) {
        if (errno != ENOENT) report.skipped.push_back(folder + ": " + std::strerror(errno));
        return report;
    }
    struct stat topSt {};
    ::fstat(top, &topSt);
    const dev_t device = topSt.st_dev;
    const uid_t me = ::geteuid();
    std::vector<Level> stack;
    DIR* d = ::fdopendir(top);
    if (!d) {
        ::close(top);
        report.skipped.push_back(folder + ": " + std::strerror(errno));
        return report;
    }
    stack.push_back({d, folder, {}});
    std::uint64_t files = 0;
    while (!stack.empty()) {
        Level& cur = stack.back();
        errno = 0;
        dirent* e = ::readdir(cur.dir);
        if (!e) {
            Level done = std::move(stack.back());
            stack.pop_back();
            ::closedir(done.dir);
            if (!stack.empty() && !listOnly &&
                ::unlinkat(::dirfd(stack.back().dir), done.nameInParent.c_str(), AT_REMOVEDIR) != 0 &&
                errno != ENOTEMPTY && errno != EEXIST)
                report.skipped.push_back(done.path + ": " + std::strerror(errno));
            continue;
        }
        std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string path = cur.path + "/" + std::string(name);
        int fd = ::dirfd(cur.dir);
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) report.skipped.push_back(path + ": " + std::strerror(errno));
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (st.st_dev != device) {
                report.skipped.push_back(path + ": another file system, left alone");
                continue;
            }
            if (stack.size() >= kMaxDepth) {
                report.skipped.push_back(path + ": nested too deeply, left alone");
                continue;
            }
            int sub = ::openat(fd, e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            struct stat subSt {};
            if (sub < 0 || ::fstat(sub, &subSt) != 0 || subSt.st_ino != st.st_ino || subSt.st_dev != st.st_dev) {
                if (sub >= 0) ::close(sub);
                report.skipped.push_back(path + ": changed while it was cleaned, left alone");
                continue;
            }
            DIR* subDir = ::fdopendir(sub);
            if (!subDir) {
                ::close(sub);
                report.skipped.push_back(path + ": " + std::strerror(errno));
                continue;
            }
            stack.push_back({subDir, path, std::string(name)});
            continue;
        }
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
            report.skipped.push_back(path + ": not a file, left alone");
            continue;
        }
        if (st.st_uid != me) {
            report.skipped.push_back(path + ": belongs to another user, left alone");
            continue;
        }
        if (!listOnly && ::unlinkat(fd, e->d_name, 0) != 0) {
            if (errno != ENOENT) report.skipped.push_back(path + ": " + std::strerror(errno));
            continue;
        }
        ++files;
        report.bytesFreed += static_cast<std::uint64_t>(st.st_blocks) * 512;
    }
    report.items = files;
    if (files) report.removed.push_back(folder + " (" + std::to_string(files) + " files)");
    return report;
}

}  // namespace vantum::cleaning
