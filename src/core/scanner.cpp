// The descent: creates one node per folder below the scanned folder, in listing order, with the
// progress events and abort rules of a serial walk, while the listing runs on worker threads.

#include <cerrno>
#include <string>
#include <vector>

#include "core/parallel_lister.h"
#include "core/size_tree.h"
#include "platform/dir_listing.h"
#include "platform/mounts.h"

namespace vantum {

namespace {

// Last path component after one trailing separator is removed; empty for the root "/".
std::string LastComponent(std::string path) {
    if (!path.empty() && path.back() == '/') path.pop_back();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

double BytesToMB(std::int64_t bytes) { return static_cast<double>(bytes) / 1024.0 / 1024.0; }

// Replays a listed hierarchy into the size tree in pre-order, as the serial walk would:
// counts folders, sends 1026/1027, checks for Escape after each folder it creates. A file
// with several names counts at the first of them in this order.
class Descent {
public:
    Descent(TSizeTree& tree, ParallelLister& lister) : tree_(tree), lister_(lister), sink_(tree.Sink()) {}

    void Run(TSizeFolder* top, ListedFolder* listed) {
        TScanState& st = tree_.State;
        if (!lister_.WaitFor(listed, sink_)) {
            st.AbortScan = true;
            return;
        }
        Account(top, *listed);
        struct Frame {
            TSizeFolder* folder;
            ListedFolder* listed;
            size_t next;
        };
        std::vector<Frame> stack{{top, listed, 0}};
        while (!stack.empty() && !st.AbortScan) {
            Frame& fr = stack.back();
            if (fr.next == fr.listed->kids.size()) {
                // Everything below was consumed and no thread touches it any more.
                fr.listed->kids.clear();
                fr.listed->kids.shrink_to_fit();
                stack.pop_back();
                continue;
            }
            ListedFolder* kid = fr.listed->kids[fr.next++].get();
            if (stack.size() == 1) {
                ++st.FirstLevelDone;
                // A total of 0 (the folder changed since it was counted) leaves the percentage open.
                if (st.FirstLevelTotal > 0) sink_.ScanPercent(st.FirstLevelDone * 100 / st.FirstLevelTotal);
            }
            TSizeFolder* child = fr.folder->AddChild(kid->name);
            ++st.FolderCount;
            if (sink_.AbortRequested()) {
                st.AbortScan = true;
                break;
            }
            if (st.FolderCount % 50 == 0) sink_.ScanCount(st.FolderCount);
            sink_.Idle();
            if (!lister_.WaitFor(kid, sink_)) {
                st.AbortScan = true;
                break;
            }
            Account(child, *kid);
            stack.push_back({child, kid, 0});
        }
    }

private:
    void Account(TSizeFolder* folder, ListedFolder& listed) {
        std::int64_t bytes = listed.bytes;
        for (const LinkedFile& l : listed.links)
            if (tree_.LinkOwners.try_emplace(TSizeTree::FileKey{l.device, l.inode}, folder).second)
                bytes += static_cast<std::int64_t>(l.bytes);
        listed.links.clear();
        listed.links.shrink_to_fit();
        folder->ListedBytes = bytes;
        folder->ReadError = listed.error;
        if (listed.error) ++tree_.State.Unreadable;
    }

    TSizeTree& tree_;
    ParallelLister& lister_;
    ProgressSink& sink_;
};

// Lists one folder (path on disk) into folder's subtree; sets folder's FilesSize.
void DescendInto(TSizeTree& tree, TSizeFolder* folder, bool includeHidden) {
    const std::string path = folder->Path();
    if (!IsAbsolute(path)) {
        folder->FilesSize = 0;
        folder->ListedBytes = 0;
        return;
    }
    ParallelLister lister(tree.ThreadSetting(), ListingRules{includeHidden, tree.ApparentSizes()});
    // Below the top, a folder that became a symbolic link since the scan is not followed.
    const bool refresh = folder->Parent && folder->Parent != tree.Root.get();
    ListedFolder* root = lister.Start(path, refresh);
    Descent(tree, lister).Run(folder, root);
    if (folder->ListedBytes >= 0) folder->FilesSize = BytesToMB(folder->ListedBytes);
    lister.Cancel();
}

}  // namespace

double FolderFilesSize(const std::string& path, bool apparentSizes) {
    if (!IsAbsolute(path)) return 0;
    platform::FolderHandle h = platform::FolderHandle::Open(path, true);
    if (!h.ok()) return 0;
    ListedFolder listed(path);
    platform::FolderIdentity id = platform::IdentifyFolder(h, apparentSizes);
    listed.device = id.device;
    listed.mountId = id.mountId;
    listed.bytes = static_cast<std::int64_t>(id.ownBytes);
    ListFolderEntries(h, ListingRules{true, apparentSizes}, listed, false);
    for (const LinkedFile& l : listed.links) listed.bytes += static_cast<std::int64_t>(l.bytes);
    return BytesToMB(listed.bytes);
}

double FolderFilesSize(const std::string& path) { return FolderFilesSize(path, false); }

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
    if (folder->HasOwnPath()) folder->Name = LastComponent(folder->Path());
    tree.State.FolderCount = 0;
    tree.State.FirstLevelDone = 0;
    tree.State.AbortScan = false;
    tree.State.Unreadable = 0;
    tree.State.FirstLevelTotal = CountFirstLevelFolders(folder->Path());
    DescendInto(tree, folder, IncludeSystemFolders);
}

void TSizeFolder::CreateFullObjectTree(TSizeFolder* folder, bool includeSystemFolders) {
    TSizeTree& tree = *tree_;
    IncludeSystemFolders = includeSystemFolders;
    folder->Name = folder->Path();
    tree.State.FolderCount = 0;
    tree.State.AbortScan = false;
    tree.State.Unreadable = 0;
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
