#include "platform/remove_tree.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

namespace vantum::platform {

namespace {

class Remover : public WalkVisitor {
public:
    Remover(SafeWalk& walk, const RemoveHooks& hooks, RemoveOutcome& out) : walk_(walk), hooks_(hooks), out_(out) {}

    bool Cancelled() override { return hooks_.cancel && hooks_.cancel(); }
    void Entry(int dirfd, const std::string& name, const EntryInfo& info) override {
        if (unlinkat(dirfd, name.c_str(), 0) != 0) {
            Failed(walk_.PathOf(name), errno, "cannot be deleted");
            return;
        }
        Count(info);
    }
    void Leave(int parentfd, const std::string& name, const EntryInfo& info) override {
        if (unlinkat(parentfd, name.c_str(), AT_REMOVEDIR) != 0) {
            // A folder that kept entries (a mount point, a failure) already has its reason.
            if (errno != ENOTEMPTY || out_.problems.empty()) Failed(walk_.PathOf(name), errno, "cannot be deleted");
            return;
        }
        Count(info);
    }
    void Failed(const std::string& path, int error, const std::string& what) override {
        out_.problems.push_back({path, error, what});
    }

private:
    void Count(const EntryInfo& info) {
        ++out_.entries;
        out_.bytes += info.blocks;
        if (hooks_.progress && (out_.entries & 255) == 0) hooks_.progress(out_.entries);
    }

    SafeWalk& walk_;
    const RemoveHooks& hooks_;
    RemoveOutcome& out_;
};

class Usage : public WalkVisitor {
public:
    void Entry(int, const std::string&, const EntryInfo& info) override { Add(info); }
    bool Enter(int, const std::string&, int, const EntryInfo& info) override {
        Add(info);
        return true;
    }
    void Failed(const std::string&, int, const std::string&) override {}
    std::uint64_t bytes = 0;

private:
    void Add(const EntryInfo& info) {
        if (info.nlink > 1 && !info.IsDir() && !seen_.insert({info.dev, info.ino}).second) return;
        bytes += info.blocks;
    }
    std::set<std::pair<std::uint64_t, std::uint64_t>> seen_;
};

}  // namespace

std::string RemoveProblem::Message() const {
    std::string m = "Cannot delete \"" + path + "\": " + what;
    if (error) m += std::string(" (") + std::strerror(error) + ")";
    return m;
}

RemoveOutcome RemoveTreeAt(int parentfd, const std::string& name, const std::string& topPath, const RemoveHooks& hooks,
                           const EntryInfo* expected) {
    RemoveOutcome out;
    SafeWalk walk;
    Remover remover(walk, hooks, out);
    walk.RunAt(parentfd, name, topPath, remover, expected);
    out.cancelled = walk.Cancelled();
    return out;
}

RemoveOutcome RemoveTree(const std::string& path, const RemoveHooks& hooks, const EntryInfo* expected) {
    RemoveOutcome out;
    SafeWalk walk;
    Remover remover(walk, hooks, out);
    walk.Run(path, remover, expected);
    out.cancelled = walk.Cancelled();
    return out;
}

std::uint64_t DiskUsageAt(int parentfd, const std::string& name) {
    SafeWalk walk;
    Usage usage;
    walk.RunAt(parentfd, name, name, usage);
    return usage.bytes;
}

}  // namespace vantum::platform
