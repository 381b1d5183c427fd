#pragma once
// The size tree list `vst` and its commands: filling, selecting and showing rows, sorting,
// expanding, the "Full Size Tree" layout and the pop-up menu. The main window places the view,
// owns CurrentFolder and CurrentPath, and answers the signals.

#include <QObject>
#include <QPointer>
#include <QTreeView>
#include <QString>
#include <string>
#include <vector>

#include "core/size_tree.h"
#include "views/folder_shell.h"
#include "views/size_bar_delegate.h"

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace vantum {
class Prompts;
}

namespace vantum::views {

class SizeTreeModel;

// Width of the bar column that lets the bars use a panel's spare room; never negative.
int FullSizeTreeBarWidth(int panelWidth, int nameWidth, int filesWidth, int cumulatedWidth);

class SizeTreeList : public QObject {
    Q_OBJECT
public:
    enum SortModes { SortByName = 0, SortBySize = 1, Unsorted = 2 };
    static constexpr int kRestoredPanelWidth = 200;

    SizeTreeList(Prompts& prompts, FolderShell shell, QWidget* viewParent = nullptr);
    ~SizeTreeList() override;

    QTreeView* View() const { return vst_; }
    SizeTreeModel* Model() const { return model_; }
    QMenu* FolderListPopUp() const { return popup_; }
    // Largest cumulated size of any folder of the tree shown but its top folder.
    const SizeBarScale& MaxFolderSize() const { return maxFolderSize_; }

    // Empties the list; callers do this before the tree is emptied or changed.
    void Clear();
    // Lists the top folder's tree (the list is cleared first), sets MaxFolderSize from every
    // folder below the top folder and expands the first row.
    void FillSizeTreeList(TSizeFolder* folder);
    QModelIndex AddFolderRow(const QModelIndex& parent, TSizeFolder* folder);
    // Marks the tree shown as the result of a stopped scan (see SizeTreeModel::SetNotes).
    void SetNotes(bool partial, std::vector<std::string> unfinished);
    // Collapses everything, then focuses, selects and expands the folder's row, if listed.
    void SelectFolderRow(const TSizeFolder* folder);
    // The given row, else the focused one, else the first: its folder becomes current.
    void ShowTreeRow(const QModelIndex& row = {});
    void ApplySortMode();

    int SortMode() const { return sortMode_; }
    // The mode loaded from the settings; sets the check marks, sorts nothing.
    void LoadSortMode(int mode);
    TSizeFolder* CurrentFolder() const { return currentFolder_; }

    // On: the list takes clientWidth and its bar column the spare room; off: the left panel
    // goes back to 200 pixels and the columns stay.
    void SetFullSizeTree(bool on, int clientWidth);
    // "open with explorer" on the selected row.
    void OpenWithExplorer();

    // Header click: flips the header's direction and sorts every sibling group by the column.
    void HeaderClicked(int column);
    Qt::SortOrder HeaderDirection() const { return headerDirection_; }

    QAction* actExpand = nullptr;
    QAction* actcollapse = nullptr;
    QAction* actExpandSizeTree = nullptr;
    QAction* Action5 = nullptr;
    QAction* actToggleCharts = nullptr;
    QAction* actSortName = nullptr;
    QAction* actSortSize = nullptr;
    QAction* actSizeTreeOpenwithexplorer = nullptr;
    QAction* MnuDeleteFolder = nullptr;

public slots:
    // The window's CurrentFolder (null for none); enables the commands that need one.
    void SetCurrentFolder(vantum::TSizeFolder* folder);
    void SetUseExternalExplorer(bool on) { useExternalExplorer_ = on; }
    // The window's resize handler: keeps the bar column filling the width in full-tree mode.
    void WindowResized(int clientWidth);

signals:
    // A row click made this folder current: CurrentFolder := folder, then its charts.
    void currentFolderChosen(vantum::TSizeFolder* folder);
    // GoToPath(path, followTree).
    void goToPath(const QString& path, bool followTree);
    // The sort changed: the charts of CurrentFolder are to be rebuilt.
    void chartsRebuildRequested();
    void sortModeChanged(int mode);
    // Show the size tree page of the left panel.
    void sizeTreePageRequested();
    // The left panel's width; rightHidden: the right panel gets width 0.
    void panelLayoutRequested(int leftWidth, bool rightHidden);
    // Show the explorer list page of the right panel.
    void explorerListRequested();
    // "Delete to Recycle Bin" on the focused row's folder.
    void deleteRequested(vantum::TSizeFolder* folder);

private:
    void SetSortModeFromAction(int mode);
    void UpdateSortChecks();
    void UpdateEnabled();

    Prompts& prompts_;
    FolderShell shell_;
    QPointer<QTreeView> vst_;
    SizeTreeModel* model_;
    SizeBarScale maxFolderSize_;
    QActionGroup* sortGroup_;
    QMenu* popup_;
    TSizeFolder* currentFolder_ = nullptr;
    int sortMode_ = SortByName;
    bool useExternalExplorer_ = false;
    Qt::SortOrder headerDirection_ = Qt::AscendingOrder;
};

}  // namespace vantum::views
