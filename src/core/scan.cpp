#include "core/scan.h"

#include <chrono>
#include <vector>

namespace vantum {

namespace {

// The sink belongs to the tree for the length of one call.
class SinkScope {
public:
    SinkScope(TSizeTree& tree, ProgressSink& sink) : tree_(tree), previous_(&tree.Sink()) { tree.SetProgressSink(&sink); }
    ~SinkScope() { tree_.SetProgressSink(previous_); }
    SinkScope(const SinkScope&) = delete;
    SinkScope& operator=(const SinkScope&) = delete;

private:
    TSizeTree& tree_;
    ProgressSink* previous_;
};

std::int64_t MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

ScanResult Scan(TSizeTree& tree, const std::string& target, const ScanOptions& options, ProgressSink& sink) {
    const auto start = std::chrono::steady_clock::now();
    SinkScope scope(tree, sink);
    tree.ClearBranch(tree.Root.get());
    tree.SetThreads(options.threads);
    tree.SetApparentSizes(options.apparentSizes);
    sink.StepStarted(ProgressSink::Step::Counting);

    ScanResult result;
    TSizeFolder* top = tree.Root->AddSubFolder(target);
    top->IncludeSystemFolders = options.includeHidden;
    if (target == kAllDrives)
        tree.Root->CreateFullObjectTree(top, options.includeHidden);
    else
        top->CreateObjectTree(top);
    result.top = top;
    result.folders = tree.State.FolderCount;
    result.unreadable = tree.State.Unreadable;
    result.aborted = !tree.CalculateSizes();
    result.elapsedMs = MsSince(start);
    return result;
}

ScanResult RefreshBranch(TSizeTree& tree, TSizeFolder* folder, bool includeHidden, ProgressSink& sink) {
    const auto start = std::chrono::steady_clock::now();
    SinkScope scope(tree, sink);
    ScanResult result;
    if (!folder || folder == tree.Root.get()) return result;
    sink.StepStarted(ProgressSink::Step::Counting);
    RefreshBranchCore(tree, folder, includeHidden);
    result.top = folder;
    result.folders = tree.State.FolderCount;
    result.unreadable = tree.State.Unreadable;
    result.elapsedMs = MsSince(start);
    return result;
}

std::vector<const TSizeFolder*> UnreadableFolders(const TSizeFolder& folder) {
    std::vector<const TSizeFolder*> out;
    std::vector<const TSizeFolder*> stack{&folder};
    while (!stack.empty()) {
        const TSizeFolder* f = stack.back();
        stack.pop_back();
        if (f->ReadError) out.push_back(f);
        for (auto it = f->SubFolders.rbegin(); it != f->SubFolders.rend(); ++it) stack.push_back(it->get());
    }
    return out;
}

}  // namespace vantum
