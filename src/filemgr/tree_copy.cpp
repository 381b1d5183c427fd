#include "filemgr/tree_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#include "platform/dir_listing.h"

namespace vantum {

using platform::EntryInfo;
using Conflict = FileOpQuestions::Conflict;

namespace {

constexpr std::size_t kChunk = 8u << 20;

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

FileOpQuestions::Item Facts(const std::string& path, const EntryInfo& info) {
    return {path, info.size, info.mtime.tv_sec, info.IsDir()};
}

// A short temporary name in the destination folder.
std::string TempName() {
    static unsigned counter = 0;
    return ".~vt" + std::to_string(getpid()) + "." + std::to_string(++counter) + ".part";
}

void ApplyOwnerModeTimes(int fd, const EntryInfo& info) {
    // The owner only sticks for root; anyone else keeps their own, as cp -a does.
    if (fchown(fd, info.uid, info.gid) != 0 && fchown(fd, static_cast<uid_t>(-1), info.gid) != 0) {
    }
    fchmod(fd, info.mode & 07777);
    const timespec times[2] = {info.atime, info.mtime};
    futimens(fd, times);
}

class CopyWalk : public platform::WalkVisitor {
public:
    CopyWalk(TreeCopy& copy, platform::SafeWalk& walk, int destfd, std::string destFolder, std::string destName)
        : copy_(copy), walk_(walk), topfd_(destfd), topFolder_(std::move(destFolder)), topName_(std::move(destName)) {}
    ~CopyWalk() override {
        for (auto& d : stack_) close(d.fd);
    }

    bool Cancelled() override { return copy_.PollCancel(); }

    void Entry(int dirfd, const std::string& name, const EntryInfo& info) override {
        const bool top = stack_.empty();
        const int destfd = top ? topfd_ : stack_.back().fd;
        const std::string destFolder = top ? topFolder_ : stack_.back().path;
        std::string destName = top ? topName_ : name;
        const std::string srcPath = walk_.PathOf(name);
        const TreeCopy::Action a = copy_.Settle(destfd, destFolder, destName, info, srcPath, top);
        if (a == TreeCopy::Action::Skip || a == TreeCopy::Action::Cancel) return;
        copy_.CopyEntry(dirfd, name, srcPath, info, destfd, destFolder, destName, a == TreeCopy::Action::Replace);
    }

    bool Enter(int, const std::string& name, int, const EntryInfo& info) override {
        const bool top = stack_.empty();
        const int destfd = top ? topfd_ : stack_.back().fd;
        const std::string destFolder = top ? topFolder_ : stack_.back().path;
        std::string destName = top ? topName_ : name;
        const std::string srcPath = walk_.PathOf(top ? "" : name);
        const TreeCopy::Action a = copy_.Settle(destfd, destFolder, destName, info, srcPath, top);
        if (a == TreeCopy::Action::Skip || a == TreeCopy::Action::Cancel) return false;
        const std::string destPath = Join(destFolder, destName);
        if (a == TreeCopy::Action::Create && mkdirat(destfd, destName.c_str(), 0700) != 0) {
            copy_.Fail(destPath, errno, "cannot make the folder");
            return false;
        }
        const int fd = openat(destfd, destName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            copy_.Fail(destPath, errno, "cannot open the folder");
            return false;
        }
        stack_.push_back({fd, destPath, a == TreeCopy::Action::Create});
        return true;
    }

    void Leave(int, const std::string&, const EntryInfo& info) override {
        Dest d = stack_.back();
        stack_.pop_back();
        // A merged folder keeps its own mode and times.
        if (d.made) ApplyOwnerModeTimes(d.fd, info);
        close(d.fd);
        copy_.AddBytes(0);
    }

    void Failed(const std::string& path, int error, const std::string& what) override { copy_.Fail(path, error, what); }

private:
    struct Dest {
        int fd;
        std::string path;
        bool made;
    };
    TreeCopy& copy_;
    platform::SafeWalk& walk_;
    int topfd_;
    std::string topFolder_;
    std::string topName_;
    std::vector<Dest> stack_;
};

}  // namespace

std::string KeepBothName(int destfd, const std::string& name) {
    const auto dot = name.rfind('.');
    const bool hasExt = dot != std::string::npos && dot > 0;
    const std::string stem = hasExt ? name.substr(0, dot) : name;
    const std::string ext = hasExt ? name.substr(dot) : "";
    for (unsigned n = 2;; ++n) {
        const std::string suffix = " (" + std::to_string(n) + ")" + ext;
        std::string s = stem;
        if (s.size() + suffix.size() > NAME_MAX) s.resize(NAME_MAX > suffix.size() ? NAME_MAX - suffix.size() : 0);
        const std::string cand = s + suffix;
        struct stat st;
        if (fstatat(destfd, cand.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT) return cand;
    }
}

void TreeCopy::Fail(const std::string& path, int error, const std::string& what) {
    std::string m = "Cannot copy \"" + path + "\": " + what;
    if (error) m += std::string(" (") + std::strerror(error) + ")";
    errors_.push_back(std::move(m));
}

bool TreeCopy::PollCancel() {
    if (!cancelled_ && sink_) {
        sink_->Idle();
        if (sink_->AbortRequested()) cancelled_ = true;
    }
    return cancelled_;
}

void TreeCopy::AddBytes(std::uint64_t n) {
    done_ += n;
    if (!sink_ || total_ == 0) return;
    const int permille = static_cast<int>(std::min<std::uint64_t>(1000, done_ * 1000 / total_));
    if (permille != lastPermille_) {
        lastPermille_ = permille;
        sink_->SizeProgress(permille);
    }
}

TreeCopy::Action TreeCopy::Settle(int destfd, const std::string& destPath, std::string& name, const EntryInfo& src,
                                  const std::string& srcPath, bool top) {
    if (top && decided_ != Action::None) return std::exchange(decided_, Action::None);
    EntryInfo existing;
    if (platform::StatEntry(destfd, name.c_str(), existing) != 0) return Action::Create;
    // The item itself (a copy into its own folder): a second copy beside it.
    if (existing.dev == src.dev && existing.ino == src.ino) {
        name = KeepBothName(destfd, name);
        return Action::Create;
    }
    if (!top && src.IsDir() && existing.IsDir()) return Action::Merge;
    Conflict choice = Conflict::Cancel;
    if (replaceAll_) choice = Conflict::Replace;
    else if (skipAll_) choice = Conflict::Skip;
    else if (keepBothAll_) choice = Conflict::KeepBoth;
    else if (!questions_) {
        Fail(Join(destPath, name), EEXIST, "an item of that name exists already");
        skipped_ = true;
        return Action::Skip;
    } else {
        const auto answer = questions_->AskConflict(Facts(srcPath, src), Facts(Join(destPath, name), existing));
        choice = answer.choice;
        if (answer.applyToAll) {
            replaceAll_ = choice == Conflict::Replace;
            skipAll_ = choice == Conflict::Skip;
            keepBothAll_ = choice == Conflict::KeepBoth;
        }
    }
    switch (choice) {
    case Conflict::Cancel:
        cancelled_ = true;
        return Action::Cancel;
    case Conflict::Skip:
        skipped_ = true;
        return Action::Skip;
    case Conflict::KeepBoth:
        name = KeepBothName(destfd, name);
        return Action::Create;
    case Conflict::Replace:
        break;
    }
    if (src.IsDir() && existing.IsDir()) return Action::Merge;
    if (src.IsDir() != existing.IsDir()) {
        Fail(Join(destPath, name), EISDIR,
             existing.IsDir() ? "a folder cannot be replaced by a file" : "a file cannot be replaced by a folder");
        skipped_ = true;
        return Action::Skip;
    }
    return Action::Replace;
}

bool TreeCopy::CopyData(int in, int out, const std::string& srcPath, const std::string& destPath) {
    bool plain = false;
    std::vector<char> buf;
    for (;;) {
        if (PollCancel()) return false;
        ssize_t n;
        if (!plain) {
            n = copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM)) {
                plain = true;
                buf.resize(1u << 20);
                continue;
            }
            if (n < 0) {
                Fail(errno == ENOSPC || errno == EDQUOT ? destPath : srcPath, errno, "the data could not be copied");
                return false;
            }
        } else {
            n = read(in, buf.data(), buf.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                Fail(srcPath, errno, "cannot be read");
                return false;
            }
            for (ssize_t off = 0; off < n;) {
                const ssize_t w = write(out, buf.data() + off, static_cast<std::size_t>(n - off));
                if (w < 0) {
                    if (errno == EINTR) continue;
                    Fail(destPath, errno, "cannot be written");
                    return false;
                }
                off += w;
            }
        }
        if (n == 0) return true;
        AddBytes(static_cast<std::uint64_t>(n));
    }
}

bool TreeCopy::CopyEntry(int srcdirfd, const std::string& srcName, const std::string& srcPath, const EntryInfo& info,
                         int destfd, const std::string& destFolder, const std::string& destName, bool replace) {
    const std::string destPath = Join(destFolder, destName);
    const std::string temp = TempName();
    auto place = [&]() {
        const int r = replace ? renameat(destfd, temp.c_str(), destfd, destName.c_str())
                              : renameat2(destfd, temp.c_str(), destfd, destName.c_str(), RENAME_NOREPLACE);
        if (r != 0) {
            Fail(destPath, errno, "cannot be put in place");
            unlinkat(destfd, temp.c_str(), 0);
            return false;
        }
        return true;
    };
    // A second name of a file copied already becomes a second name of its copy.
    const auto key = std::make_pair(info.dev, info.ino);
    if (!info.IsDir() && info.nlink > 1) {
        if (auto it = links_.find(key); it != links_.end()) {
            if (linkat(AT_FDCWD, it->second.c_str(), destfd, temp.c_str(), 0) == 0) return place();
        }
    }
    bool ok = false;
    if (info.IsLink()) {
        std::string target(static_cast<std::size_t>(info.size) + 1, '\0');
        const ssize_t n = readlinkat(srcdirfd, srcName.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) {
            Fail(srcPath, n < 0 ? errno : EOVERFLOW, "the link cannot be read");
            return false;
        }
        target.resize(static_cast<std::size_t>(n));
        if (symlinkat(target.c_str(), destfd, temp.c_str()) != 0) {
            Fail(destPath, errno, "the link cannot be made");
            return false;
        }
        if (fchownat(destfd, temp.c_str(), info.uid, info.gid, AT_SYMLINK_NOFOLLOW) != 0) {
        }
        const timespec times[2] = {info.atime, info.mtime};
        utimensat(destfd, temp.c_str(), times, AT_SYMLINK_NOFOLLOW);
        ok = place();
    } else if (info.IsRegular()) {
        const int in = openat(srcdirfd, srcName.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (in < 0) {
            Fail(srcPath, errno, "cannot be opened");
            return false;
        }
        struct stat st;
        if (fstat(in, &st) != 0 || st.st_ino != info.ino || static_cast<std::uint64_t>(st.st_dev) != info.dev) {
            close(in);
            Fail(srcPath, ESTALE, "changed while being copied");
            return false;
        }
        const int out = openat(destfd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (out < 0) {
            Fail(destPath, errno, "cannot be created");
            close(in);
            return false;
        }
        bool good = CopyData(in, out, srcPath, destPath);
        if (good) {
            ApplyOwnerModeTimes(out, info);
            // A file that replaces another reaches the device before the old one goes.
            if (replace && fsync(out) != 0) {
                Fail(destPath, errno, "cannot be written");
                good = false;
            }
        }
        close(in);
        if (close(out) != 0 && good) {
            Fail(destPath, errno, "cannot be written");
            good = false;
        }
        if (!good) {
            unlinkat(destfd, temp.c_str(), 0);
            return false;
        }
        ok = place();
    } else if (S_ISFIFO(info.mode) || S_ISCHR(info.mode) || S_ISBLK(info.mode)) {
        struct statx sx;
        dev_t rdev = 0;
        if (!S_ISFIFO(info.mode) && statx(srcdirfd, srcName.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &sx) == 0)
            rdev = makedev(sx.stx_rdev_major, sx.stx_rdev_minor);
        if (mknodat(destfd, temp.c_str(), (info.mode & S_IFMT) | 0600, rdev) != 0) {
            Fail(destPath, errno, "cannot be made");
            return false;
        }
        if (fchownat(destfd, temp.c_str(), info.uid, info.gid, AT_SYMLINK_NOFOLLOW) != 0) {
        }
        fchmodat(destfd, temp.c_str(), info.mode & 07777, 0);
        const timespec times[2] = {info.atime, info.mtime};
        utimensat(destfd, temp.c_str(), times, AT_SYMLINK_NOFOLLOW);
        ok = place();
    } else {
        Fail(srcPath, ENOTSUP, "a socket cannot be copied");
        skipped_ = true;
        return false;
    }
    if (ok && !info.IsDir() && info.nlink > 1) links_.emplace(key, destPath);
    return ok;
}

bool TreeCopy::CopyInto(const std::string& src, const std::string& destFolder, const std::string& destName,
                        Action decided) {
    decided_ = decided;
    const bool ok = CopyInto(src, destFolder, destName);
    decided_ = Action::None;
    return ok;
}

bool TreeCopy::CopyInto(const std::string& src, const std::string& destFolder, const std::string& destName) {
    const std::size_t before = errors_.size();
    const bool skippedBefore = skipped_;
    const int destfd = open(destFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (destfd < 0) {
        Fail(destFolder, errno, "the destination folder cannot be opened");
        return false;
    }
    platform::SafeWalk walk;
    CopyWalk visitor(*this, walk, destfd, destFolder, destName);
    walk.Run(src, visitor);
    close(destfd);
    return !cancelled_ && errors_.size() == before && skipped_ == skippedBefore;
}

}  // namespace vantum
