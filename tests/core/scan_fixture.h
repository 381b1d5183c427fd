#pragma once
// Helpers for scanner tests: independent sums of what is on disk, and scans of a folder.

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "core/scan.h"
#include "core/size_tree.h"

namespace vantum::test {

// What the scan counts for path, summed independently: the folder's own entry and its
// entries, recursing into folders unless their name begins with "." and hidden is false (a
// folder left out still counts its own entry where it is listed). Apparent sizes (st_size) or
// disk usage (st_blocks * 512). Hard links are not matched: fixtures using it have none.
inline std::int64_t SumEntries(const std::string& path, bool recursive, bool hidden = true, bool apparent = true) {
    namespace fs = std::filesystem;
    auto size = [&](const struct stat& st) -> std::int64_t { return apparent ? st.st_size : st.st_blocks * 512; };
    struct stat self;
    if (::lstat(path.c_str(), &self) != 0) return 0;
    std::int64_t sum = size(self);
    std::error_code ec;
    for (fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
         it.increment(ec)) {
        struct stat st;
        if (::lstat(it->path().c_str(), &st) != 0) continue;
        std::string name = it->path().filename().string();
        const bool entered = S_ISDIR(st.st_mode) && (hidden || name[0] != '.');
        if (!entered) sum += size(st);
        else if (recursive) sum += SumEntries(it->path().string(), true, hidden, apparent);
    }
    return sum;
}

// What `du -sx -B1` says of path (with --apparent-size when asked); -1 when du fails to run.
// runAs is put in front of the command (e.g. a setpriv call).
inline std::int64_t DuBytes(const std::string& path, bool apparent, const std::string& runAs = "") {
    std::string cmd = runAs + "du -sx -B1 " + (apparent ? "--apparent-size " : "") + "-- '" + path + "' 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return -1;
    long long bytes = -1;
    if (std::fscanf(p, "%lld", &bytes) != 1) bytes = -1;
    ::pclose(p);
    return bytes;
}

inline double MB(std::int64_t bytes) { return static_cast<double>(bytes) / 1024.0 / 1024.0; }

// Scans path into tree as the scan driver does; returns the top folder. Apparent sizes by
// default: fixtures are made of sparse files of known lengths.
inline TSizeFolder* ScanInto(TSizeTree& tree, const std::string& path, bool hidden = true, int threads = 0,
                             ProgressSink* sink = nullptr, bool apparent = true) {
    return Scan(tree, path, ScanOptions{hidden, apparent, threads}, sink ? *sink : NullProgress()).top;
}

}  // namespace vantum::test
