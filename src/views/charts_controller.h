#pragma once
// The controller of the bar and pie charts: builds both from the current folder, turns clicks
// into drill-downs and popup targets, owns the chart options, the bar paging actions, the pie
// rotation and the chart popup. Everything the window must do in reply is a signal; settings
// go in and out as a plain ChartOptions value.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "views/chart_model.h"

class QAction;
class QActionGroup;
class QMenu;
class QTimer;
class QFileIconProvider;

namespace vantum {
class TSizeFolder;
class TSizeTree;
}  // namespace vantum

namespace vantum::views {

class Bars;
class Pies;
class ChartView;

// The chart settings the window loads and saves (Switches/MarkVisible, ShowLegend, Toggle3D,
// ExplodeBiggest, FreeSpace, Show Hints; PieForm/Elyptic; Settings/EnableZoom; Bars/Gradient).
struct ChartOptions {
    bool markVisible = true;
    bool showLegend = false;
    bool toggle3D = true;
    bool explodeBiggest = false;
    bool elliptic = false;
    bool freeSpace = false;
    bool showHints = true;
    bool enableZoom = true;
    bool barsGradient = true;
    friend bool operator==(const ChartOptions&, const ChartOptions&) = default;
};

class ChartsController : public QObject {
    Q_OBJECT
public:
    ChartsController(Bars* bars, Pies* pies, QObject* parent = nullptr);
    ~ChartsController() override;

    // Window state the charts read.
    void SetTree(TSizeTree* tree) { tree_ = tree; }
    void SetScanAllDrives(bool on) { scanAllDrives_ = on; }
    void SetSortMode(int mode) { sortMode_ = mode; }
    void SetCurrentPath(const std::string& path) { currentPath_ = path; }
    const std::string& CurrentPath() const { return currentPath_; }
    // CurrentFolder as the window holds it; none disables the folder commands.
    void SetCurrentFolder(TSizeFolder* folder);
    TSizeFolder* CurrentFolder() const { return currentFolder_; }
    void SetDriveQuery(DriveQuery q) { drives_ = std::move(q); }
    // Who carries out a left-click drill-down; unset: ShowFolderByPath of this controller.
    void SetDrillDown(std::function<void(const std::string& path)> drillDown) { drillDown_ = std::move(drillDown); }
    // Whether "Properties" has a dialog to open; off keeps the entry disabled.
    void SetPropertiesAvailable(bool on);

    void SetOptions(const ChartOptions& options);
    ChartOptions Options() const;

    // Rebuilds both charts for folder (sorting its children by the sort mode); none: nothing.
    void ShowFolderCharts(TSizeFolder* folder);
    // Drill-down: nothing when the folder is not on disk; else the tree's folder of that path
    // (the top folder when unknown) becomes current and is shown.
    void ShowFolderByPath(const std::string& path);
    // The tree is about to be emptied: drop every reference into it.
    void ClearCharts();
    // The "reloaded" marks on both charts.
    void SetRestored(bool on);
    // The tree shown comes from a stopped scan: the titles say "(partial)".
    void SetPartial(bool on) { partial_ = on; }

    // Path (with a trailing slash) of the entry last right-clicked.
    const std::string& ChartTargetPath() const { return chartTargetPath_; }
    std::shared_ptr<const ChartModel> Model() const { return model_; }
    // The text shown for an entry on hover: label and value.
    QString HoverText(int index) const;

    Bars* bars() const { return bars_; }
    Pies* pies() const { return pies_; }

    // Chart options.
    QAction* actLabels;
    QAction* actshowLegend;
    QAction* act3D;
    QAction* actExplode;
    QAction* actElypticPie;
    QAction* actFreeSpace;
    QAction* actShowHints2;
    QAction* actRotateLeft;
    QAction* actRotateRight;
    // Bar paging.
    QAction* actBarsSpread;
    QAction* actBarsUp;
    QAction* actBarsDown;
    QAction* actBarsNormal;
    // The popup of both charts and its entries.
    QMenu* ChartPopUp;
    QMenu* Contentoffolder1;
    QAction* actPoPDelFolder;
    QAction* actPopRefresh;
    QAction* actPopShowInVantu;
    QAction* actPopShowinExpl;
    QAction* Properties1;
    QTimer* Timer1;

signals:
    void currentFolderChanged(vantum::TSizeFolder* folder);
    void currentPathChanged(const std::string& path);
    void chartTargetPathChanged(const std::string& path);
    // GoToPath(path) with the explorer tree following.
    void goToPathRequested(const std::string& path);
    void selectFolderRowRequested(vantum::TSizeFolder* folder);
    void syncExplorerTreeRequested(const std::string& path);
    // Left panel page (0 explorer tree, 1 size tree list), right panel page (3 explorer list).
    void leftPageRequested(int page);
    void rightPageRequested(int page);
    void statusTextRequested(int panel, const QString& text);
    void openWithShellRequested(const std::string& path);
    // "Show in Explorer": the folder in the desktop's file manager.
    void showInFileManagerRequested(const std::string& path);
    void refreshBranchRequested();
    // "Delete folder to recycle bin" on the folder entry last right-clicked.
    void deleteRequested(vantum::TSizeFolder* folder);
    void folderPropertiesRequested(const std::string& path);
    // Tool tips of the window and the chart toolbar follow the charts' hint switch.
    void hintsToggled(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyOptions();
    void UpdateActions();
    void OnEntryClicked(ChartView* chart, int index, Qt::MouseButton button);
    void OnEntryHovered(ChartView* chart, int index);
    void OnTick();
    void OnRotationChanged();
    void ClearFolderContent();
    void FillFolderMenu(QMenu* menu, const std::string& folder);
    void OnPopupAboutToShow();

    Bars* bars_;
    Pies* pies_;
    TSizeTree* tree_ = nullptr;
    TSizeFolder* currentFolder_ = nullptr;
    std::string currentPath_;
    std::string chartTargetPath_;
    // Whether the entry last right-clicked is a folder (not the files or free-space entry,
    // whose target is the shown folder itself).
    bool chartTargetIsFolder_ = false;
    bool scanAllDrives_ = false;
    bool partial_ = false;
    int sortMode_ = 0;
    DriveQuery drives_;
    std::function<void(const std::string&)> drillDown_;
    bool propertiesAvailable_ = true;
    bool enableZoom_ = true;
    bool barsGradient_ = true;
    std::shared_ptr<const ChartModel> model_;
    QActionGroup* rotateGroup_;
    std::unique_ptr<QFileIconProvider> icons_;
};

}  // namespace vantum::views
