#pragma once
// Permanent deletion of one item (a file, a link, or a folder with everything in it) on the
// safe walk: unlinkat relative to open folders, links removed as links, mount points left
// alone, every entry checked again just before it goes.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/safe_walk.h"

namespace vantum::platform {

struct RemoveProblem {
    std::string path;
    int error = 0;
    std::string what;
    // "Cannot delete \"PATH\": WHAT (strerror)".
    std::string Message() const;
};

struct RemoveOutcome {
    std::uint64_t entries = 0;  // entries removed
    std::uint64_t bytes = 0;    // disk usage of what was removed
    bool cancelled = false;
    std::vector<RemoveProblem> problems;
    bool ok() const { return !cancelled && problems.empty(); }
};

struct RemoveHooks {
    // Polled between entries; true stops the deletion where it is.
    std::function<bool()> cancel;
    // Called every few hundred entries with the count removed so far.
    std::function<void(std::uint64_t entries)> progress;
};

// Deletes path for good. expected (optional) is the entry as it was chosen; a path that is no
// longer that entry is left alone and reported.
RemoveOutcome RemoveTree(const std::string& path, const RemoveHooks& hooks = {}, const EntryInfo* expected = nullptr);
// The same for name inside the open folder parentfd (topPath names it in messages).
RemoveOutcome RemoveTreeAt(int parentfd, const std::string& name, const std::string& topPath,
                           const RemoveHooks& hooks = {}, const EntryInfo* expected = nullptr);

// Disk usage in bytes of an item and everything below it (hard links once), on the same walk.
std::uint64_t DiskUsageAt(int parentfd, const std::string& name);

}  // namespace vantum::platform
