#pragma once
// Comparison of two size trees of the same folder taken at different times: which folders
// grew, shrank, appeared or went away.
//
// The two top folders are matched to each other (their paths may differ, for instance "/data"
// and "/data/"); below them a folder matches the folder of the other tree with the same path,
// compared byte for byte. Where two siblings share a name, they match in list order.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/size_tree.h"

namespace vantum {

struct FolderChange {
    std::string path;                  // full path in the newer tree (in the older for a gone one)
    const TSizeFolder* older = nullptr;  // null: the folder is new
    const TSizeFolder* newer = nullptr;  // null: the folder is gone
    double oldSize = 0;                // cumulated MB, 0 where the folder is absent
    double newSize = 0;
    double Growth() const { return newSize - oldSize; }
    bool IsNew() const { return older == nullptr; }
    bool IsGone() const { return newer == nullptr; }
};

class TreeDiff {
public:
    // Every folder of both trees once: the newer tree's in pre-order (matched and new), then
    // the gone ones in the older tree's pre-order. Empty when either tree has no top folder.
    std::vector<FolderChange> changes;
    // Whether the top folders have the same path, a trailing "/" aside.
    bool sameTop = true;

    // The change of a folder of the newer tree (null for a folder that is not in it).
    const FolderChange* Find(const TSizeFolder* newer) const;
    // The gone folders whose parent in the older tree matches newerParent: what a view shows
    // as "gone" rows under that folder.
    std::vector<const FolderChange*> GoneUnder(const TSizeFolder* newerParent) const;

    // Up to n folders with the largest growth (or shrink) of at least minMegabytes, largest
    // first; ties keep the order of changes. Unchanged folders are never listed.
    std::vector<const FolderChange*> LargestGrowths(std::size_t n, double minMegabytes = 0) const;
    std::vector<const FolderChange*> LargestShrinks(std::size_t n, double minMegabytes = 0) const;
    // Whether no folder differs in size or presence.
    bool Empty() const;

private:
    friend TreeDiff DiffTrees(const TSizeTree& older, const TSizeTree& newer);
    std::unordered_map<const TSizeFolder*, std::size_t> byNewer_;
    std::unordered_map<const TSizeFolder*, std::size_t> byOlder_;  // matched and gone folders
};

TreeDiff DiffTrees(const TSizeTree& older, const TSizeTree& newer);

}  // namespace vantum
