#include "app/navigation.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QStackedWidget>
#include <QTreeView>

#include "app/analyser_views.h"
#include "app/folder_history.h"
#include "app/gauge_status.h"
#include "gui/path_text.h"
#include "gui/prompts.h"
#include "views/keyboard_selection.h"
#include "app/window_layout.h"
#include "core/size_tree.h"

namespace vantum::app {

Navigation::Navigation(TSizeTree& tree, WindowWidgets& widgets, AnalyserViewsSlot& views, GaugeStatus& status,
                       QObject* parent)
    : QObject(parent), tree_(tree), w_(widgets), views_(views), status_(status) {
    connect(w_.dirTree, &QTreeView::clicked, this, &Navigation::DirTreeClick);
    connect(w_.dirTree, &QTreeView::doubleClicked, this, &Navigation::DirTreeClick);
    // Enter, arrows and type-ahead choose a folder as a click does (F9 then scans it).
    connect(w_.dirTree, &QTreeView::activated, this, &Navigation::DirTreeClick);
    new views::KeyboardSelection(w_.dirTree, [this](const QModelIndex& i) { DirTreeClick(i); });
}

void Navigation::GoToPath(const QString& path, bool followTree) {
    if (gui::IsExistingFolder(path)) {
        const QString before = currentPath_;
        currentPath_ = gui::WithTrailingSlash(path);
        status_.SetPanel(0, currentPath_);
        if (followTree) SyncExplorerTree(currentPath_);
        w_.historyCombo->setEditText(currentPath_);
        if (currentPath_ != before) emit CurrentPathChanged(currentPath_);
    } else if (path == QLatin1String(kAllDrivesText)) {
        w_.historyCombo->setEditText(path);
        status_.SetPanel(0, w_.historyCombo->currentText());
        // The file system root stands for the first drive.
        SyncExplorerTree(QStringLiteral("/"));
    }
}

QString Navigation::SelectedTreePath() const {
    QModelIndex i = w_.dirTree->currentIndex();
    return i.isValid() ? w_.dirModel->filePath(i) : QString();
}

void Navigation::SyncExplorerTree(const QString& path) {
    const QString want = gui::WithoutTrailingSlash(path);
    // Already there (a page shown again): the user's expanded folders stay as they are.
    if (SelectedTreePath() == want || SelectedTreePath() == path) return;
    QTreeView* t = w_.dirTree;
    t->setUpdatesEnabled(false);
    t->collapseAll();
    QModelIndex i = w_.dirModel->index(want);
    if (i.isValid()) {
        for (QModelIndex p = i.parent(); p.isValid(); p = p.parent()) t->expand(p);
        t->setCurrentIndex(i);
        t->expand(i);
        t->scrollTo(i);
    }
    t->setUpdatesEnabled(true);
}

void Navigation::ShowStartFolder(const QString& path) {
    GoToPath(path, true);
    // The home folder is where most users look first: open beside the start folder.
    const QModelIndex home = w_.dirModel->index(QDir::homePath());
    for (QModelIndex p = home; p.isValid(); p = p.parent()) w_.dirTree->expand(p);
    if (w_.dirTree->currentIndex().isValid()) w_.dirTree->scrollTo(w_.dirTree->currentIndex());
}

void Navigation::DirTreeClick(const QModelIndex& index) {
    if (!index.isValid()) return;
    const QString path = w_.dirModel->filePath(index);
    if (path.isEmpty()) return;
    GoToPath(path, false);
}

void Navigation::BrowseDir(Prompts& prompts) {
    std::optional<QString> chosen = prompts.BrowseFolder(QStringLiteral("Select Directory to scan!"), currentPath_);
    if (!chosen || chosen->isEmpty()) return;
    GoToPath(gui::WithoutTrailingSlash(*chosen), true);
}

void Navigation::GoUp() {
    if (!currentFolder_ || !currentFolder_->Parent) return;
    backHistory_.push_back(gui::FromBytes(currentFolder_->Path()));
    TSizeFolder* p = currentFolder_->Parent;
    if (p == tree_.Root.get()) {
        emit StateChanged();
        return;
    }
    views_->SelectFolderRow(p);
    w_.fpc2->setCurrentIndex(kSizeTreePage);
    GoToPath(gui::FromBytes(p->Path()), true);
    SetCurrentFolder(p);
    views_->ShowFolderCharts(p);
}

void Navigation::GoBack() {
    if (backHistory_.empty()) return;
    ShowFolderByPath(backHistory_.back());
    backHistory_.pop_back();
    emit StateChanged();
}

void Navigation::ShowFolderByPath(const QString& path) {
    if (!gui::IsExistingFolder(path)) return;
    SetCurrentFolder(tree_.FindFolder(gui::ToBytes(path)));
    views_->ShowFolderCharts(currentFolder_);
    GoToPath(path, true);
    views_->SelectFolderRow(currentFolder_);
}

void Navigation::ShowTreeFolder(TSizeFolder* folder) {
    if (!folder) return;
    SetCurrentFolder(folder);
    views_->ShowFolderCharts(folder);
    GoToPath(gui::FromBytes(folder->Path()), true);
}

void Navigation::SetCurrentFolder(TSizeFolder* folder) {
    currentFolder_ = folder;
    // While there is no current folder, Up keeps the state it had.
    if (folder) upAllowed_ = folder->Parent && folder->Parent != tree_.Root.get();
    emit StateChanged();
}

void Navigation::ClearBackHistory() {
    backHistory_.clear();
    emit StateChanged();
}

}  // namespace vantum::app
