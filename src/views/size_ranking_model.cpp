#include "views/size_ranking_model.h"

#include <QColor>
#include <QFile>

#include "views/row_icons.h"
#include "views/size_bar_delegate.h"
#include "views/size_texts.h"

namespace vantum::views {

SizeRankingModel::SizeRankingModel(QObject* parent) : QAbstractItemModel(parent) {}

void SizeRankingModel::Clear() { SetRows({}); }

void SizeRankingModel::SetRows(std::vector<TSizeFolder*> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

QModelIndex SizeRankingModel::AddFolderRow(const QModelIndex& parent, TSizeFolder* folder) {
    if (parent.isValid() || !folder) return {};
    const int row = static_cast<int>(rows_.size());
    beginInsertRows({}, row, row);
    rows_.push_back(folder);
    endInsertRows();
    return index(row, 0);
}

TSizeFolder* SizeRankingModel::FolderAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return nullptr;
    return static_cast<TSizeFolder*>(index.internalPointer());
}

QModelIndex SizeRankingModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= ColumnCount)
        return {};
    return createIndex(row, column, rows_[static_cast<std::size_t>(row)]);
}

QModelIndex SizeRankingModel::parent(const QModelIndex&) const { return {}; }

int SizeRankingModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SizeRankingModel::columnCount(const QModelIndex&) const { return ColumnCount; }

QVariant SizeRankingModel::data(const QModelIndex& index, int role) const {
    const TSizeFolder* f = FolderAt(index);
    if (!f) return {};
    const int col = index.column();
    switch (role) {
        case Qt::DisplayRole:
            switch (col) {
                case ColName: return QFile::decodeName(QByteArray::fromStdString(f->Name));
                case ColPath: return QFile::decodeName(QByteArray::fromStdString(f->Path()));
                case ColSize: return RankingSizeText(f->FilesSize);
                default: return {};
            }
        case Qt::BackgroundRole:
            if (col == ColName) return QColor(247, 247, 247);
            return {};
        case Qt::DecorationRole:
            if (col == ColName) return RowIcon(RowImage::FolderClosed);
            if (col == ColPath) return RowIcon(RowImage::FolderPie);
            return {};
        case FocusedDecorationRole:
            if (col == ColName) return RowIcon(RowImage::FolderOpen);
            if (col == ColPath) return RowIcon(RowImage::FolderMarked);
            return {};
        case BarValueRole:
            if (col == ColBar) return f->FilesSize;
            return {};
        default: return {};
    }
}

QVariant SizeRankingModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case ColName: return QStringLiteral("Foldername");
        case ColBar: return QStringLiteral("graph");
        case ColPath: return QStringLiteral("path");
        case ColSize: return QStringLiteral("Size of files in dir");
        default: return {};
    }
}

Qt::ItemFlags SizeRankingModel::flags(const QModelIndex& index) const {
    if (!FolderAt(index)) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace vantum::views
