#pragma once
// One call for a whole scan: the descent (one folder or every drive), then the size pass.
// The window's scan driver, vantum-cli and the tests all scan through it.

#include <cstdint>
#include <string>

#include "core/progress.h"
#include "core/size_tree.h"

namespace vantum {

struct ScanOptions {
    bool includeHidden = true;   // enter folders whose name begins with "."
    bool apparentSizes = false;  // count file lengths (st_size) instead of disk usage
    int threads = 0;             // listing workers; 0 = adapt to the machine and the storage
};

struct ScanResult {
    TSizeFolder* top = nullptr;    // the scanned folder (or "<All Drives>"); null when none was made
    std::int32_t folders = 0;      // folders found below the top
    std::int32_t unreadable = 0;   // folders that could not be listed (counted as empty)
    bool aborted = false;          // stopped by the user: the tree is partial and not sized
    std::int64_t elapsedMs = 0;
};

// Empties tree, then scans target (a folder path, or kAllDrives for every fixed and network
// drive) into it and sizes it. The sink receives every progress event of both steps and is
// the tree's sink only for the length of the call.
ScanResult Scan(TSizeTree& tree, const std::string& target, const ScanOptions& options, ProgressSink& sink);

// Rescans one branch of a scanned tree with the tree's own options and corrects the totals of
// its ancestors. Returns the counters of the rescan.
ScanResult RefreshBranch(TSizeTree& tree, TSizeFolder* folder, bool includeHidden, ProgressSink& sink);

// Every folder of the branch (folder included) that could not be listed, in pre-order.
std::vector<const TSizeFolder*> UnreadableFolders(const TSizeFolder& folder);

}  // namespace vantum
