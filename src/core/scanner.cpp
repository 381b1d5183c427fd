// The descent: creates one node per folder below the scanned folder, in listing order, with the
// progress events and abort rules of a serial walk, while the listing runs on worker threads.

#include <string>
#include <vector>

#include "core/parallel_lister.h"
#include "core/size_tree.h"
#include "platform/dir_listing.h"
#include "platform/mounts.h"

namespace vantum {

namespace {

std::string ChildPath(const std::string& parent, const std::string& name) {
    if (!parent.empty() && parent.back() == '/') return parent + name;
    return parent + "/" + name;
}

// Last path component after one trailing separator is removed; empty for the root "/".
std::string LastComponent(std::string path) {
    if (!path.empty() && path.back() == '/') path.pop_back();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

double BytesToMB(std::int64_t bytes) { return static_cast<double>(bytes) / 1024.0 / 1024.0; }

// Replays a listed hierarchy into the size tree in pre-order, as the serial walk would:
// counts folders, sends 1026/1027, checks for Escape after each folder it creates.
class Descent {
public:
    Descent(TSizeTree& tree, ParallelLister& lister) : tree_(tree), lister_(lister), sink_(tree.Sink()) {}

    void ScanSubFolders(TSizeFolder* folder, ListedFolder* listed, bool firstLevel) {
        lister_.WaitFor(listed, sink_);
        TScanState& st = tree_.State;
        for (auto& kid : listed->kids) {
            if (st.AbortScan) continue;  // an abort makes every further entry a skip
            if (firstLevel) {
                ++st.FirstLevelDone;
                // A total of 0 (the folder changed since it was counted) leaves the percentage open.
                if (st.FirstLevelTotal > 0) sink_.ScanPercent(st.FirstLevelDone * 100 / st.FirstLevelTotal);
            }
            TSizeFolder* child = folder->AddSubFolder(ChildPath(folder->Path, kid->name));
            child->Name = kid->name;
            ++st.FolderCount;
            if (sink_.AbortRequested()) {
                st.AbortScan = true;
                return;
            }
            if (st.FolderCount % 50 == 0) sink_.ScanCount(st.FolderCount);
            sink_.Idle();
            ScanSubFolders(child, kid.get(), false);
            if (kid->done.load(std::memory_order_acquire)) child->ListedBytes = kid->bytes;
        }
    }

private:
    TSizeTree& tree_;
    ParallelLister& lister_;
    ProgressSink& sink_;
};

// Lists one folder (path on disk) into folder's subtree; sets folder's FilesSize.
void DescendInto(TSizeTree& tree, TSizeFolder* folder, bool includeHidden) {
    if (!IsAbsolute(folder->Path)) {
        folder->FilesSize = 0;
        folder->ListedBytes = 0;
        return;
    }
    ParallelLister lister(tree.Threads(), includeHidden);
    ListedFolder* root = lister.Start(folder->Path);
    lister.WaitFor(root, tree.Sink());
    folder->FilesSize = BytesToMB(root->bytes);
    folder->ListedBytes = root->bytes;
    Descent(tree, lister).ScanSubFolders(folder, root, true);
    lister.Cancel();
}

}  // namespace

double FolderFilesSize(const std::string& path) {
    if (!IsAbsolute(path)) return 0;
    return BytesToMB(ListFolderEntries(platform::FolderHandle::Open(path), false, nullptr));
}

int CountFirstLevelFolders(const std::string& path) {
    if (!IsAbsolute(path)) return 0;
    platform::FolderHandle h = platform::FolderHandle::Open(path);
    if (!h.ok()) return 0;
    platform::FolderReader r(h, false);
    platform::EntryView e;
    int count = 2;  // "." and "..", which every folder lists here
    while (r.Next(e))
        if (e.kind == platform::EntryKind::Folder) ++count;
    return count > 1 ? count - 1 : count;
}

void ListScanDrives(std::vector<std::string>& list) {
    for (auto& m : platform::ListScanDriveMounts()) list.push_back(m);
}

void TSizeFolder::CreateObjectTree(TSizeFolder* folder) {
    TSizeTree& tree = *tree_;
    folder->Name = LastComponent(folder->Path);
    tree.State.FolderCount = 0;
    tree.State.FirstLevelDone = 0;
    tree.State.AbortScan = false;
    tree.State.FirstLevelTotal = CountFirstLevelFolders(folder->Path);
    DescendInto(tree, folder, IncludeSystemFolders);
}

void TSizeFolder::CreateFullObjectTree(TSizeFolder* folder, bool includeSystemFolders) {
    TSizeTree& tree = *tree_;
    IncludeSystemFolders = includeSystemFolders;
    folder->Name = folder->Path;
    tree.State.FolderCount = 0;
    tree.State.AbortScan = false;
    std::vector<std::string> drives;
    ListScanDrives(drives);
    tree.State.FirstLevelDone = 0;
    tree.State.FirstLevelTotal = 0;
    for (const auto& d : drives) tree.State.FirstLevelTotal += CountFirstLevelFolders(d);
    double sum = 0;
    for (const auto& d : drives) {
        // Creating the drive's node clears an abort of the drive before.
        TSizeFolder* child = folder->AddSubFolder(d);
        child->Name = d;
        DescendInto(tree, child, IncludeSystemFolders);
        sum += child->FilesSize;
    }
    folder->FilesSize = sum;
}

}  // namespace vantum
