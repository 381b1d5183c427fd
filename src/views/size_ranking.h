#pragma once
// The size ranking `TopTenTree` in its group box: the folders below the current folder whose own
// files take the most room, largest first, with the pop-up `TopTenPop`.

#include <QObject>
#include <QPointer>
#include <QGroupBox>
#include <QString>
#include <vector>

#include "core/size_tree.h"
#include "views/folder_shell.h"
#include "views/size_bar_delegate.h"

class QAction;
class QMenu;
class QTreeView;
class QWidget;

namespace vantum {
class Prompts;
}

namespace vantum::views {

class SizeRankingModel;

// Every descendant of folder (not folder itself), depth first in pre-order, largest FilesSize
// first; folders of equal size keep that order.
std::vector<TSizeFolder*> RankFolders(const TSizeFolder* folder);

class SizeRanking : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kCaptionPrefix = "Size ranking for files in single folders without subdir for path: ";

    SizeRanking(Prompts& prompts, FolderShell shell, QWidget* parent = nullptr);
    ~SizeRanking() override;

    QGroupBox* SizeRankGB() const { return box_; }
    QTreeView* TopTenTree() const { return view_; }
    SizeRankingModel* Model() const { return model_; }
    QMenu* TopTenPop() const { return popup_; }
    // FilesSize of the largest row at the last fill: the full scale of the bars.
    const SizeBarScale& RankingMaxSize() const { return rankingMaxSize_; }

    // Rebuilds the ranking of current with listLength + 1 rows at most ("Folder list lenght"
    // from the settings); nothing happens without a current folder.
    void FillSizeRanking(TSizeFolder* current, int listLength);
    // Empties the ranking; callers do this before the tree is emptied or changed.
    void Clear();
    // The row click: the focused row, else the first.
    void RowClicked();
    void OpenWithExplorer();
    void ShowProperties();

    QAction* actSizeTreeOpenwithexplorer = nullptr;
    QAction* DeletetoRecycleBin1 = nullptr;
    QAction* Properties2 = nullptr;

public slots:
    void SetCurrentFolder(vantum::TSizeFolder* folder);
    // The window's CurrentPath, the folder "Properties" shows.
    void SetCurrentPath(const QString& path) { currentPath_ = path; }
    void SetUseExternalExplorer(bool on) { useExternalExplorer_ = on; }

signals:
    // Row click, in this order: collapse the explorer tree, GoToPath(path, followTree), then
    // SelectFolderRow(folder) in the size tree list.
    void collapseExplorerTree();
    void goToPath(const QString& path, bool followTree);
    void selectFolderRow(const vantum::TSizeFolder* folder);
    // Show the explorer list page of the right panel.
    void explorerListRequested();
    // "Delete to Recycle Bin" on the focused row's folder (the first row when none is focused).
    void deleteRequested(vantum::TSizeFolder* folder);

private:
    void UpdateEnabled();

    Prompts& prompts_;
    FolderShell shell_;
    QPointer<QGroupBox> box_;
    QTreeView* view_;
    SizeRankingModel* model_;
    SizeBarScale rankingMaxSize_;
    QMenu* popup_;
    TSizeFolder* currentFolder_ = nullptr;
    QString currentPath_;
    bool useExternalExplorer_ = false;
};

}  // namespace vantum::views
