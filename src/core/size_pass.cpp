// The size pass after a scan, and emptying and refreshing one branch.

#include "core/size_tree.h"

namespace vantum {

bool TSizeTree::CalculateSizes() {
    if (State.AbortScan) {
        State.AbortScan = false;
        return false;
    }
    State.ProgressPos = 0;
    State.ProgressMax = State.FolderCount;
    sink_->SizeRange(State.FolderCount);
    SumBranch(Root.get());
    return true;
}

void TSizeTree::SumBranch(TSizeFolder* folder) {
    for (auto& ptr : folder->SubFolders) {
        TSizeFolder* c = ptr.get();
        // The descent's listing already summed the folder's entries; list only where it did not.
        if (c->ListedBytes >= 0) {
            c->FilesSize = static_cast<double>(c->ListedBytes) / 1024.0 / 1024.0;
            c->ListedBytes = -1;
        } else {
            c->FilesSize = FolderFilesSize(c->Path);
        }
        AddToAncestors(c);
        ++State.ProgressPos;
        sink_->SizeProgress(State.ProgressPos);
        sink_->Idle();
        SumBranch(c);
    }
}

void TSizeTree::AddToAncestors(TSizeFolder* folder) {
    if (!folder || folder == Root.get()) return;
    for (TSizeFolder* a = folder->Parent; a && a != Root.get(); a = a->Parent) a->SubFoldersSize += folder->FilesSize;
}

void TSizeTree::ClearBranch(TSizeFolder* folder) {
    if (!folder) return;
    folder->SubFolders.clear();
    folder->FilesSize = 0;
    folder->SubFoldersSize = 0;
    folder->ListedBytes = -1;
}

void RefreshBranchCore(TSizeTree& tree, TSizeFolder* folder, bool includeSystemFolders) {
    if (!folder || folder == tree.Root.get()) return;
    // Take the branch's old total out of its ancestors; the new one goes back in below.
    const double old = folder->CumulatedSize();
    for (TSizeFolder* a = folder->Parent; a && a != tree.Root.get(); a = a->Parent) a->SubFoldersSize -= old;
    tree.ClearBranch(folder);
    folder->IncludeSystemFolders = includeSystemFolders;
    folder->CreateObjectTree(folder);
    // Escape during the rescan ends it; the sizes of what was found are still taken.
    tree.State.AbortScan = false;
    folder->ListedBytes = -1;
    tree.State.ProgressPos = 0;
    tree.State.ProgressMax = tree.State.FolderCount;
    tree.Sink().SizeRange(tree.State.FolderCount);
    tree.SumBranch(folder);
    tree.AddToAncestors(folder);
}

}  // namespace vantum
