#pragma once
// What the window asks of the size views (tree list, charts, ranking). The views implement it;
// until they are wired in, the null implementation stands in and the window works without them.

#include <memory>
#include <string>
#include <vector>

namespace vantum {
class TSizeFolder;
}
namespace vantum::settings {
struct MainWindowSettings;
}

namespace vantum::app {

// What the views say about the tree on screen beside its sizes.
struct TreeNotes {
    bool partial = false;                 // the scan was stopped: not every folder was read
    std::vector<std::string> unfinished;  // paths of the folders (or drives) not finished
    int unreadable = 0;                   // folders that could not be read
};

class AnalyserViews {
public:
    virtual ~AnalyserViews() = default;

    // Tree list: empty it (before the tree is emptied), fill it with the top folder, select
    // a folder's row (collapsing the rest).
    virtual void ClearSizeTreeList() {}
    virtual void FillSizeTreeList(TSizeFolder* /*top*/) {}
    virtual void SelectFolderRow(TSizeFolder* /*folder*/) {}
    // Re-sort the tree list in the given mode (0 name, 1 size, 2 none) and rebuild the charts
    // of the current folder. Only called while there is a current folder.
    virtual void ApplySortMode(int /*mode*/, TSizeFolder* /*current*/) {}
    // "Full Size Tree": let the size-bar column take the spare width.
    virtual void SetFullSizeTree(bool /*on*/) {}

    // Charts: rebuild both for a folder; back to the normal unpaged bar view; drop every point.
    virtual void ShowFolderCharts(TSizeFolder* /*folder*/) {}
    virtual void BarsNormal() {}
    virtual void ClearBars() {}
    // The "reloaded" marks on both charts (Restored1, Restored2).
    virtual void SetRestored(bool /*on*/) {}

    // Ranking: rebuild for the current folder. Only called while there is a current folder.
    virtual void FillSizeRanking(TSizeFolder* /*current*/) {}
    // Ranking: empty it (before the tree is emptied).
    virtual void ClearSizeRanking() {}

    // Notes on the tree shown; they stay until the next call (a new scan or tree file).
    virtual void SetTreeNotes(const TreeNotes& /*notes*/) {}

    // The window's settings were read at start-up (chart options, sort mode, explorer choice).
    virtual void SettingsLoaded(const settings::MainWindowSettings& /*values*/) {}
};

// Holds the views the window talks to; a null implementation until real ones are set.
class AnalyserViewsSlot {
public:
    AnalyserViewsSlot() : views_(std::make_unique<AnalyserViews>()) {}
    AnalyserViews& operator*() const { return *views_; }
    AnalyserViews* operator->() const { return views_.get(); }
    void Set(std::unique_ptr<AnalyserViews> views) {
        views_ = views ? std::move(views) : std::make_unique<AnalyserViews>();
    }

private:
    std::unique_ptr<AnalyserViews> views_;
};

}  // namespace vantum::app
