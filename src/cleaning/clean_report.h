#pragma once
// What a cleaner did (or, listing only, would do): every removal and every skip is named.

#include <cstdint>
#include <string>
#include <vector>

namespace vantum::cleaning {

struct CleanReport {
    std::vector<std::string> removed;  // what was (or would be) removed
    std::vector<std::string> skipped;  // what was left, each with its reason
    std::uint64_t bytesFreed = 0;      // disk space freed (or to be freed)
    std::uint64_t items = 0;           // files, entries or rows removed

    void Add(const CleanReport& other) {
        removed.insert(removed.end(), other.removed.begin(), other.removed.end());
        skipped.insert(skipped.end(), other.skipped.begin(), other.skipped.end());
        bytesFreed += other.bytesFreed;
        items += other.items;
    }
};

}  // namespace vantum::cleaning
