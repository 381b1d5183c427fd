#include "views/size_ranking.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/prompts.h"
#include "views/size_ranking_model.h"

namespace vantum::views {

std::vector<TSizeFolder*> RankFolders(const TSizeFolder* folder) {
    std::vector<TSizeFolder*> out;
    if (!folder) return out;
    std::vector<TSizeFolder*> stack;
    for (auto it = folder->SubFolders.rbegin(); it != folder->SubFolders.rend(); ++it) stack.push_back(it->get());
    while (!stack.empty()) {
        TSizeFolder* f = stack.back();
        stack.pop_back();
        out.push_back(f);
        for (auto it = f->SubFolders.rbegin(); it != f->SubFolders.rend(); ++it) stack.push_back(it->get());
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const TSizeFolder* a, const TSizeFolder* b) { return a->FilesSize > b->FilesSize; });
    return out;
}

SizeRanking::SizeRanking(Prompts& prompts, FolderShell shell, QWidget* parent)
    : prompts_(prompts), shell_(std::move(shell)) {
    box_ = new QGroupBox(parent);
    box_->setObjectName("SizeRankGB");
    view_ = new QTreeView(box_);
    view_->setObjectName("TopTenTree");
    auto* layout = new QVBoxLayout(box_);
    layout->addWidget(view_);

    model_ = new SizeRankingModel(this);
    view_->setModel(model_);
    view_->setItemDelegate(new SizeBarDelegate(&rankingMaxSize_, SizeRankingModel::ColBar, 20, view_));
    view_->setRootIsDecorated(false);
    view_->setItemsExpandable(false);
    view_->setUniformRowHeights(true);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setAllColumnsShowFocus(true);
    view_->setSortingEnabled(false);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    QHeaderView* header = view_->header();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);  // hot tracking; a click does not sort
    header->setHighlightSections(false);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    const int widths[] = {100, 100, 300, 100};
    for (int c = 0; c < SizeRankingModel::ColumnCount; ++c) header->resizeSection(c, widths[c]);

    connect(view_, &QTreeView::clicked, this, &SizeRanking::RowClicked);

    actSizeTreeOpenwithexplorer = new QAction("open with explorer", this);
    actSizeTreeOpenwithexplorer->setObjectName("actSizeTreeOpenwithexplorer");
    connect(actSizeTreeOpenwithexplorer, &QAction::triggered, this, &SizeRanking::OpenWithExplorer);
    DeletetoRecycleBin1 = new QAction("Delete to Recycle Bin", this);
    DeletetoRecycleBin1->setObjectName("DeletetoRecycleBin1");
    connect(DeletetoRecycleBin1, &QAction::triggered, this, [this] {
        QModelIndex row = view_->currentIndex();
        if (!row.isValid()) row = model_->index(0, 0);
        if (TSizeFolder* folder = model_->FolderAt(row)) emit deleteRequested(folder);
    });
    Properties2 = new QAction("Properties", this);
    Properties2->setObjectName("Properties2");
    if (!shell_.showProperties) Properties2->setToolTip("No properties dialog is available on this desktop");
    connect(Properties2, &QAction::triggered, this, &SizeRanking::ShowProperties);

    popup_ = new QMenu(view_);
    popup_->setObjectName("TopTenPop");
    popup_->setToolTipsVisible(true);
    popup_->addAction(actSizeTreeOpenwithexplorer);
    popup_->addSeparator();
    popup_->addAction(DeletetoRecycleBin1);
    popup_->addSeparator();
    popup_->addAction(Properties2);
    connect(view_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popup_->popup(view_->viewport()->mapToGlobal(pos)); });
    UpdateEnabled();
}

SizeRanking::~SizeRanking() {
    if (!box_) return;
    if (!box_->parent()) delete box_.data();
    else view_->setModel(nullptr);
}

void SizeRanking::Clear() {
    model_->Clear();
    box_->setTitle(QString());
}

void SizeRanking::FillSizeRanking(TSizeFolder* current, int listLength) {
    if (!current) return;
    std::vector<TSizeFolder*> ranked = RankFolders(current);
    box_->setTitle(QString::fromLatin1(kCaptionPrefix) + QFile::decodeName(QByteArray::fromStdString(current->Name)));
    // listLength + 1 rows: the default 20 shows 21. A negative length shows none.
    const std::size_t wanted = listLength < 0 ? 0 : static_cast<std::size_t>(listLength) + 1;
    if (ranked.size() > wanted) ranked.resize(wanted);
    if (!ranked.empty()) rankingMaxSize_.Set(ranked.front()->FilesSize);
    model_->SetRows(std::move(ranked));
}

void SizeRanking::RowClicked() {
    QModelIndex row = view_->currentIndex();
    if (!row.isValid()) row = model_->index(0, 0);
    const TSizeFolder* folder = model_->FolderAt(row);
    if (!folder) return;
    emit collapseExplorerTree();
    emit goToPath(QFile::decodeName(QByteArray::fromStdString(folder->Path())), true);
    emit selectFolderRow(folder);
}

void SizeRanking::OpenWithExplorer() {
    const QModelIndexList rows = view_->selectionModel()->selectedRows();
    if (rows.size() != 1) {
        prompts_.Message("No item selected");
        return;
    }
    const TSizeFolder* folder = model_->FolderAt(rows.front());
    if (!folder || !FolderExists(folder->Path())) return;
    if (useExternalExplorer_) {
        if (shell_.open) shell_.open(folder->Path());
        return;
    }
    emit goToPath(QFile::decodeName(QByteArray::fromStdString(folder->Path())), true);
    emit explorerListRequested();
}

void SizeRanking::ShowProperties() {
    if (!currentFolder_ || !shell_.showProperties) return;
    shell_.showProperties(QFile::encodeName(currentPath_).toStdString());
}

void SizeRanking::SetCurrentFolder(TSizeFolder* folder) {
    currentFolder_ = folder;
    UpdateEnabled();
}

void SizeRanking::UpdateEnabled() {
    Properties2->setEnabled(currentFolder_ && shell_.showProperties);
    DeletetoRecycleBin1->setEnabled(currentFolder_ != nullptr);
}

}  // namespace vantum::views
