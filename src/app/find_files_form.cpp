#include "app/find_files_form.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/path_text.h"
#include "gui/prompts.h"
#include "core/safe_file.h"

namespace vantum::app {

namespace {

constexpr int kColumnWidths[] = {150, 60, 500};

QIcon RowIcon(bool hasExtension) {
    static const QIcon file = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    static const QIcon plain = [] {
        QPixmap blank(16, 16);
        blank.fill(Qt::transparent);
        return QIcon(blank);
    }();
    return hasExtension ? file : plain;
}

}  // namespace

TFindFileForm::TFindFileForm(Prompts& prompts, FolderOpener openFolder, FoundSortState& sortState, QWidget* parent)
    : QDialog(parent), prompts_(prompts), openFolder_(std::move(openFolder)), sortState_(sortState) {
    setObjectName(QStringLiteral("FindFileForm"));
    setWindowTitle(QStringLiteral("Found files"));
    resize(664, 233);

    list_ = new QTableWidget(0, 3, this);
    list_->setObjectName(QStringLiteral("ListView1"));
    list_->setHorizontalHeaderLabels({QStringLiteral("FileName"), QStringLiteral("Ext"), QStringLiteral("FilePath")});
    for (int c = 0; c < 3; ++c) list_->setColumnWidth(c, kColumnWidths[c]);
    list_->setShowGrid(true);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    list_->horizontalHeader()->setSectionsClickable(true);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);
    list_->setToolTip(QString::fromLatin1(kListHint));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);

    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("PopupMenu1"));
    saveAction_ = popup_->addAction(QString::fromLatin1(kSaveListText));
    saveAction_->setObjectName(QStringLiteral("Savelisttofile1"));
    connect(saveAction_, &QAction::triggered, this, &TFindFileForm::SaveList);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popup_->popup(list_->viewport()->mapToGlobal(pos)); });
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this, &TFindFileForm::SortByColumn);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int, int) { OpenFocusedFolder(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
}

void TFindFileForm::Fill() {
    rows_.clear();
    if (thefiles_) {
        rows_.reserve(thefiles_->size());
        for (const std::string& path : *thefiles_) rows_.push_back(SplitFoundPath(path));
    }
    ShowRows();
}

void TFindFileForm::ShowRows() {
    list_->setUpdatesEnabled(false);
    list_->clearContents();
    list_->setRowCount(static_cast<int>(rows_.size()));
    int r = 0;
    for (const FoundRow& row : rows_) {
        auto* name = new QTableWidgetItem(RowIcon(!row.ext.empty()), gui::FromBytes(row.name));
        list_->setItem(r, 0, name);
        list_->setItem(r, 1, new QTableWidgetItem(gui::FromBytes(row.ext)));
        list_->setItem(r, 2, new QTableWidgetItem(gui::FromBytes(row.folder)));
        ++r;
    }
    list_->setUpdatesEnabled(true);
}

void TFindFileForm::SortByColumn(int column) {
    if (column < 0 || column > 2) return;
    SortFoundRows(rows_, static_cast<FoundColumn>(column), sortState_);
    ShowRows();
}

void TFindFileForm::OpenFocusedFolder() {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    const std::string& folder = rows_[static_cast<size_t>(row)].folder;
    // The "No item found" row has no folder.
    if (folder.empty() || !openFolder_) return;
    openFolder_(QUrl::fromLocalFile(gui::FromBytes(folder)));
}

void TFindFileForm::SaveList() {
    if (!thefiles_) return;
    std::optional<Prompts::FileChoice> choice =
        prompts_.SaveFile(QString::fromLatin1(kSaveListText), QString::fromLatin1(kFoundListFilter),
                          QString::fromLatin1(kFoundListExtension), QString(), QString(), true);
    if (!choice || choice->path.isEmpty()) return;
    try {
        SaveFoundList(gui::ToBytes(choice->path), *thefiles_, FoundListFormatOfFilter(choice->filterIndex));
    } catch (const FileError& e) {
        prompts_.Message(QString::fromLocal8Bit(e.what()), Prompts::Kind::Error);
    }
}

}  // namespace vantum::app
