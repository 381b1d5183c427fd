#include "views/size_tree_list.h"

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>
#include <algorithm>

#include "gui/prompts.h"
#include "views/keyboard_selection.h"
#include "views/size_tree_model.h"
#include "views/tree_line_view.h"

namespace vantum::views {

int FullSizeTreeBarWidth(int panelWidth, int nameWidth, int filesWidth, int cumulatedWidth) {
    return std::max(0, panelWidth - nameWidth - filesWidth - cumulatedWidth);
}

namespace {

QAction* MakeAction(QObject* owner, const char* name, const QString& caption) {
    auto* a = new QAction(caption, owner);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

}  // namespace

SizeTreeList::SizeTreeList(Prompts& prompts, FolderShell shell, QWidget* viewParent)
    : prompts_(prompts), shell_(std::move(shell)) {
    vst_ = new TreeLineView(viewParent);
    vst_->setObjectName("vst");
    model_ = new SizeTreeModel(this);
    vst_->setModel(model_);
    vst_->setItemDelegate(new SizeBarDelegate(&maxFolderSize_, SizeTreeModel::ColBar, 0, vst_));
    vst_->setSelectionMode(QAbstractItemView::SingleSelection);
    vst_->setSelectionBehavior(QAbstractItemView::SelectRows);
    vst_->setAllColumnsShowFocus(true);
    vst_->setRootIsDecorated(true);
    vst_->setUniformRowHeights(true);  // keeps full expand of large trees linear
    vst_->setAnimated(false);
    vst_->setSortingEnabled(false);  // header clicks sort through HeaderClicked
    vst_->setContextMenuPolicy(Qt::CustomContextMenu);

    QHeaderView* header = vst_->header();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    const int widths[] = {210, 200, 120, 120};
    for (int c = 0; c < SizeTreeModel::ColumnCount; ++c) header->resizeSection(c, widths[c]);
    connect(header, &QHeaderView::sectionClicked, this, &SizeTreeList::HeaderClicked);

    // The list's click event carries no row: the focused row is taken.
    connect(vst_, &QTreeView::clicked, this, [this] { ShowTreeRow(); });
    connect(vst_, &QTreeView::activated, this, [this] { ShowTreeRow(); });
    // Arrows and type-ahead make a row current as a click does, charts included.
    new KeyboardSelection(vst_, [this](const QModelIndex& row) { ShowTreeRow(row); });

    actSizeTreeOpenwithexplorer = MakeAction(this, "actSizeTreeOpenwithexplorer", "open with explorer");
    connect(actSizeTreeOpenwithexplorer, &QAction::triggered, this, &SizeTreeList::OpenWithExplorer);

    MnuDeleteFolder = MakeAction(this, "MnuDeleteFolder", "Delete to Recycle Bin");
    connect(MnuDeleteFolder, &QAction::triggered, this, [this] {
        if (TSizeFolder* folder = model_->FolderAt(vst_->currentIndex())) emit deleteRequested(folder);
    });

    actExpand = MakeAction(this, "actExpand", "Size tree: Full expand");
    actcollapse = MakeAction(this, "actcollapse", "Size tree: Full collapse");
    actExpandSizeTree = MakeAction(this, "actExpandSizeTree", "Size Tree expand");
    Action5 = MakeAction(this, "Action5", "Size Tree collapse");
    for (QAction* a : {actExpand, actExpandSizeTree})
        connect(a, &QAction::triggered, vst_, &QTreeView::expandAll);
    for (QAction* a : {actcollapse, Action5})
        connect(a, &QAction::triggered, vst_, &QTreeView::collapseAll);

    actToggleCharts = MakeAction(this, "actToggleCharts", "Full Size Tree");
    actToggleCharts->setCheckable(true);
    actToggleCharts->setToolTip("Toggles Full page \"Size Tree\"");
    connect(actToggleCharts, &QAction::triggered, this,
            [this](bool on) { SetFullSizeTree(on, vst_->window()->width()); });

    actSortName = MakeAction(this, "actSortName", "Sort \"Names\"");
    actSortSize = MakeAction(this, "actSortSize", "Sort \"Size\"");
    actSortName->setToolTip("Set sort based on Name");
    actSortSize->setToolTip("Set sort based on size");
    sortGroup_ = new QActionGroup(this);
    sortGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);  // mode 2: neither
    for (QAction* a : {actSortName, actSortSize}) {
        a->setCheckable(true);
        a->setStatusTip("Sort listview and barchart");
        sortGroup_->addAction(a);
    }
    connect(actSortName, &QAction::triggered, this, [this] { SetSortModeFromAction(SortByName); });
    connect(actSortSize, &QAction::triggered, this, [this] { SetSortModeFromAction(SortBySize); });

    popup_ = new QMenu(vst_);
    popup_->setObjectName("FolderListPopUp");
    popup_->addAction(MnuDeleteFolder);
    popup_->addSeparator();
    popup_->addAction(actSizeTreeOpenwithexplorer);
    popup_->addSeparator();
    popup_->addAction(actExpand);
    popup_->addAction(actcollapse);
    connect(vst_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popup_->popup(vst_->viewport()->mapToGlobal(pos)); });

    UpdateSortChecks();
    UpdateEnabled();
}

SizeTreeList::~SizeTreeList() {
    // The view may belong to a window that outlives the controller: detach it from the model.
    if (!vst_) return;
    if (!vst_->parent()) delete vst_.data();
    else vst_->setModel(nullptr);
}

void SizeTreeList::Clear() { model_->Clear(); }

QModelIndex SizeTreeList::AddFolderRow(const QModelIndex& parent, TSizeFolder* folder) {
    return model_->AddFolderRow(parent, folder);
}

void SizeTreeList::FillSizeTreeList(TSizeFolder* folder) {
    Clear();
    // The scale belongs to the tree shown: a bigger tree shown before must not flatten the bars.
    maxFolderSize_.Set(0);
    if (!folder) return;
    const QModelIndex first = AddFolderRow({}, folder);
    const TSizeFolder* top = folder->Tree() ? folder->Tree()->Top() : nullptr;
    // Every folder of the branch goes through the scale; the rows themselves come on demand.
    std::vector<const TSizeFolder*> stack{folder};
    while (!stack.empty()) {
        const TSizeFolder* f = stack.back();
        stack.pop_back();
        if (f != top) maxFolderSize_.Raise(f->CumulatedSize());
        for (const auto& sub : f->SubFolders) stack.push_back(sub.get());
    }
    vst_->expand(first);
}

void SizeTreeList::SetNotes(bool partial, std::vector<std::string> unfinished) {
    model_->SetNotes(partial, std::move(unfinished));
}

void SizeTreeList::SelectFolderRow(const TSizeFolder* folder) {
    vst_->collapseAll();
    const QModelIndex row = model_->IndexOf(folder);
    if (!row.isValid()) return;
    for (QModelIndex up = row.parent(); up.isValid(); up = up.parent()) vst_->expand(up);
    vst_->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    vst_->expand(row);
    vst_->scrollTo(row);
}

void SizeTreeList::ShowTreeRow(const QModelIndex& given) {
    QModelIndex row = given.isValid() ? given : vst_->currentIndex();
    if (!row.isValid()) row = model_->index(0, 0);
    TSizeFolder* folder = model_->FolderAt(row);
    if (!folder) return;
    SetCurrentFolder(folder);
    emit currentFolderChosen(folder);
    emit goToPath(QFile::decodeName(QByteArray::fromStdString(folder->Path())), true);
}

void SizeTreeList::ApplySortMode() {
    if (!currentFolder_) return;
    if (sortMode_ == SortByName) model_->sort(SizeTreeModel::ColName, Qt::AscendingOrder);
    else if (sortMode_ == SortBySize) model_->sort(SizeTreeModel::ColCumulated, Qt::DescendingOrder);
    UpdateSortChecks();
    emit chartsRebuildRequested();
}

void SizeTreeList::LoadSortMode(int mode) {
    sortMode_ = mode;
    UpdateSortChecks();
}

void SizeTreeList::SetSortModeFromAction(int mode) {
    sortMode_ = mode;
    UpdateSortChecks();
    emit sortModeChanged(mode);
    ApplySortMode();
}

void SizeTreeList::UpdateSortChecks() {
    actSortName->setChecked(sortMode_ == SortByName);
    actSortSize->setChecked(sortMode_ == SortBySize);
}

void SizeTreeList::HeaderClicked(int column) {
    headerDirection_ = headerDirection_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    model_->sort(column, headerDirection_);
}

void SizeTreeList::SetCurrentFolder(TSizeFolder* folder) {
    currentFolder_ = folder;
    UpdateEnabled();
}

void SizeTreeList::UpdateEnabled() {
    const bool has = currentFolder_ != nullptr;
    actExpandSizeTree->setEnabled(has);
    Action5->setEnabled(has);
    actToggleCharts->setEnabled(has);
    MnuDeleteFolder->setEnabled(has);
}

void SizeTreeList::SetFullSizeTree(bool on, int clientWidth) {
    emit sizeTreePageRequested();
    if (on) {
        emit panelLayoutRequested(clientWidth, true);
        const QHeaderView* h = vst_->header();
        vst_->setColumnWidth(SizeTreeModel::ColBar,
                             FullSizeTreeBarWidth(clientWidth, h->sectionSize(SizeTreeModel::ColName),
                                                  h->sectionSize(SizeTreeModel::ColFiles),
                                                  h->sectionSize(SizeTreeModel::ColCumulated)));
    } else {
        emit panelLayoutRequested(kRestoredPanelWidth, false);
    }
}

void SizeTreeList::WindowResized(int clientWidth) {
    if (actToggleCharts->isChecked()) SetFullSizeTree(true, clientWidth);
}

void SizeTreeList::OpenWithExplorer() {
    const QModelIndexList rows = vst_->selectionModel()->selectedRows();
    const TSizeFolder* folder = rows.isEmpty() ? nullptr : model_->FolderAt(rows.front());
    if (!folder) {
        prompts_.Message("No item selected");
        return;
    }
    if (!FolderExists(folder->Path())) return;
    if (useExternalExplorer_) {
        if (shell_.open) shell_.open(folder->Path());
        return;
    }
    emit goToPath(QFile::decodeName(QByteArray::fromStdString(folder->Path())), true);
    emit explorerListRequested();
}

}  // namespace vantum::views
