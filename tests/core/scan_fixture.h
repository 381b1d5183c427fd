#pragma once
// Helpers for scanner tests: independent sums of what is on disk, and scans of a folder.

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "core/size_tree.h"

namespace vantum::test {

// Sum of the own (lstat) sizes of the entries below path; recursing into folders unless their
// name begins with "." and hidden is false.
inline std::int64_t SumEntries(const std::string& path, bool recursive, bool hidden = true) {
    namespace fs = std::filesystem;
    std::int64_t sum = 0;
    std::error_code ec;
    for (fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
         it.increment(ec)) {
        struct stat st;
        if (::lstat(it->path().c_str(), &st) != 0) continue;
        sum += st.st_size;
        std::string name = it->path().filename().string();
        if (recursive && S_ISDIR(st.st_mode) && (hidden || name[0] != '.'))
            sum += SumEntries(it->path().string(), true, hidden);
    }
    return sum;
}

inline double MB(std::int64_t bytes) { return static_cast<double>(bytes) / 1024.0 / 1024.0; }

// Scans path into tree as the scan driver does; returns the top folder.
inline TSizeFolder* ScanInto(TSizeTree& tree, const std::string& path, bool hidden = true, int threads = 0,
                             ProgressSink* sink = nullptr) {
    tree.SetProgressSink(sink);
    tree.SetThreads(threads);
    tree.ClearBranch(tree.Root.get());
    TSizeFolder* top = tree.Root->AddSubFolder(path);
    top->IncludeSystemFolders = hidden;
    top->CreateObjectTree(top);
    tree.CalculateSizes();
    return top;
}

}  // namespace vantum::test
