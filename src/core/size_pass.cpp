// The size pass after a scan, and emptying and refreshing one branch.

#include <vector>

#include "core/size_tree.h"

namespace vantum {

namespace {

bool IsInBranch(const TSizeFolder* f, const TSizeFolder* branch) {
    for (; f; f = f->Parent)
        if (f == branch) return true;
    return false;
}

}  // namespace

bool TSizeTree::CalculateSizes() {
    if (State.AbortScan) {
        State.AbortScan = false;
        return false;
    }
    State.ProgressPos = 0;
    State.ProgressMax = State.FolderCount;
    sink_->StepStarted(ProgressSink::Step::Sizing);
    sink_->SizeRange(State.FolderCount);
    SumBranch(Root.get());
    return true;
}

void TSizeTree::SumBranch(TSizeFolder* folder) {
    // Pre-order without recursion: sizes are taken (and reported) folder by folder, then the
    // totals are gathered bottom-up in one pass, so that depth costs nothing extra.
    std::vector<TSizeFolder*> order;
    std::vector<TSizeFolder*> stack;
    for (auto it = folder->SubFolders.rbegin(); it != folder->SubFolders.rend(); ++it) stack.push_back(it->get());
    while (!stack.empty()) {
        TSizeFolder* c = stack.back();
        stack.pop_back();
        // The descent's listing already summed the folder's entries; list only where it did not.
        if (c->ListedBytes >= 0) {
            c->FilesSize = static_cast<double>(c->ListedBytes) / 1024.0 / 1024.0;
            c->ListedBytes = -1;
        } else {
            c->FilesSize = FolderFilesSize(c->Path(), apparent_);
        }
        order.push_back(c);
        ++State.ProgressPos;
        sink_->SizeProgress(State.ProgressPos);
        sink_->Idle();
        for (auto it = c->SubFolders.rbegin(); it != c->SubFolders.rend(); ++it) stack.push_back(it->get());
    }
    // Children come after their parent in pre-order: walking it backwards, every folder is
    // complete when it hands its total up.
    double below = 0;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        TSizeFolder* c = *it;
        const double add = c->FilesSize + c->SubFoldersSize;
        if (c->Parent == folder) below += add;
        else c->Parent->SubFoldersSize += add;
    }
    // Root holds no total of its own.
    if (folder == Root.get()) return;
    for (TSizeFolder* a = folder; a && a != Root.get(); a = a->Parent) a->SubFoldersSize += below;
}

void TSizeTree::AddToAncestors(TSizeFolder* folder) {
    if (!folder || folder == Root.get()) return;
    for (TSizeFolder* a = folder->Parent; a && a != Root.get(); a = a->Parent) a->SubFoldersSize += folder->FilesSize;
}

void TSizeTree::ClearBranch(TSizeFolder* folder) {
    if (!folder) return;
    // Files counted inside the branch may count elsewhere once it is scanned again.
    if (folder == Root.get()) {
        LinkOwners.clear();
    } else {
        for (auto it = LinkOwners.begin(); it != LinkOwners.end();)
            it = IsInBranch(it->second, folder) ? LinkOwners.erase(it) : std::next(it);
    }
    folder->SubFolders.clear();
    folder->FilesSize = 0;
    folder->SubFoldersSize = 0;
    folder->ListedBytes = -1;
    folder->ReadError = 0;
}

void RefreshBranchCore(TSizeTree& tree, TSizeFolder* folder, bool includeSystemFolders) {
    if (!folder || folder == tree.Root.get()) return;
    // Take the branch's old total out of its ancestors; the new one goes back in below.
    // A file with another name outside the branch keeps counting where it counted before.
    const double old = folder->CumulatedSize();
    for (TSizeFolder* a = folder->Parent; a && a != tree.Root.get(); a = a->Parent) a->SubFoldersSize -= old;
    tree.ClearBranch(folder);
    folder->IncludeSystemFolders = includeSystemFolders;
    folder->CreateObjectTree(folder);
    // Escape during the rescan ends it; the sizes of what was found are still taken.
    tree.State.AbortScan = false;
    folder->FilesSize = folder->ListedBytes >= 0 ? static_cast<double>(folder->ListedBytes) / 1024.0 / 1024.0 : 0;
    folder->ListedBytes = -1;
    tree.State.ProgressPos = 0;
    tree.State.ProgressMax = tree.State.FolderCount;
    tree.Sink().StepStarted(ProgressSink::Step::Sizing);
    tree.Sink().SizeRange(tree.State.FolderCount);
    tree.SumBranch(folder);
    tree.AddToAncestors(folder);
}

}  // namespace vantum
