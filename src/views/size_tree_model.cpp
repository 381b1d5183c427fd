#include "views/size_tree_model.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <cstring>
#include <algorithm>
#include <cmath>

#include "views/row_icons.h"
#include "views/size_bar_delegate.h"
#include "views/size_texts.h"

namespace vantum::views {

namespace {

// Case-insensitive for A to Z only, by byte value otherwise.
int ComparePaths(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Sizes closer than 0.001 MB compare equal.
int CompareSizes(double a, double b) {
    const double d = std::trunc(a * 1000 - b * 1000);
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

}  // namespace

SizeTreeModel::SizeTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void SizeTreeModel::SetNotes(bool partial, std::vector<std::string> unfinished) {
    partial_ = partial;
    unfinished_ = std::move(unfinished);
    if (!roots_.empty()) emit dataChanged(index(0, 0), index(0, ColumnCount - 1));
}

namespace {

QString DecodedName(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

// "Not finished: a, b and 3 more" for the first row of a stopped scan.
QString UnfinishedText(const std::vector<std::string>& paths) {
    constexpr std::size_t kNamed = 10;
    QStringList named;
    for (std::size_t i = 0; i < paths.size() && i < kNamed; ++i) named << DecodedName(paths[i]);
    QString text = QStringLiteral("Scan stopped. Not finished: ") + named.join(QStringLiteral(", "));
    if (paths.size() > kNamed) text += QStringLiteral(" and %1 more").arg(paths.size() - kNamed);
    return text;
}

}  // namespace

int SizeTreeModel::Compare(const TSizeFolder& a, const TSizeFolder& b, int column) {
    switch (column) {
        // Siblings share their parent's path: their names order them as their paths would.
        case ColName: return ComparePaths(a.Name, b.Name);
        case ColFiles: return CompareSizes(a.FilesSize, b.FilesSize);
        case ColCumulated: return CompareSizes(a.CumulatedSize(), b.CumulatedSize());
        default: return 0;
    }
}

void SizeTreeModel::Clear() {
    beginResetModel();
    roots_.clear();
    children_.clear();
    rowOf_.clear();
    endResetModel();
}

QModelIndex SizeTreeModel::AddFolderRow(const QModelIndex& parent, TSizeFolder* folder) {
    if (!folder) return {};
    if (parent.isValid()) {
        // Child rows are the tree's own sub-folders; a foreign folder cannot be hung here.
        if (folder->Parent != FolderAt(parent)) return {};
        return IndexOf(folder);
    }
    QModelIndex existing = IndexOf(folder);
    if (existing.isValid()) return existing;  // a folder has one row, or its pointer is ambiguous
    const int row = static_cast<int>(roots_.size());
    beginInsertRows({}, row, row);
    roots_.push_back(folder);
    endInsertRows();
    return createIndex(row, 0, folder);
}

TSizeFolder* SizeTreeModel::FolderAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return nullptr;
    return static_cast<TSizeFolder*>(index.internalPointer());
}

int SizeTreeModel::RootRow(const TSizeFolder* folder) const {
    auto it = std::find(roots_.begin(), roots_.end(), folder);
    return it == roots_.end() ? -1 : static_cast<int>(it - roots_.begin());
}

const SizeTreeModel::Children& SizeTreeModel::ChildrenOf(const TSizeFolder* parent) const {
    Children& c = children_[parent];
    bool renumber = false;
    if (c.order.size() != parent->SubFolders.size()) {
        // First use, or the tree changed under a cached list: start from the tree's order.
        c.order.clear();
        c.order.reserve(parent->SubFolders.size());
        for (const auto& sub : parent->SubFolders) c.order.push_back(sub.get());
        c.generation = 0;
        renumber = true;
    }
    if (c.generation != generation_) {
        if (sortColumn_ >= 0) {
            const int col = sortColumn_;
            if (sortOrder_ == Qt::AscendingOrder)
                std::stable_sort(c.order.begin(), c.order.end(),
                                 [col](const TSizeFolder* a, const TSizeFolder* b) { return Compare(*a, *b, col) < 0; });
            else
                std::stable_sort(c.order.begin(), c.order.end(),
                                 [col](const TSizeFolder* a, const TSizeFolder* b) { return Compare(*a, *b, col) > 0; });
        }
        c.generation = generation_;
        renumber = true;
    }
    if (renumber)
        for (std::size_t i = 0; i < c.order.size(); ++i) rowOf_[c.order[i]] = static_cast<int>(i);
    return c;
}

int SizeTreeModel::RowOf(const TSizeFolder* folder) const {
    const int root = RootRow(folder);
    if (root >= 0) return root;
    if (!folder->Parent) return -1;
    ChildrenOf(folder->Parent);
    auto it = rowOf_.find(folder);
    return it == rowOf_.end() ? -1 : it->second;
}

QModelIndex SizeTreeModel::IndexOf(const TSizeFolder* folder, int column) const {
    if (!folder || roots_.empty()) return {};
    // The folder is listed when it or one of its ancestors is a root-level row.
    const TSizeFolder* f = folder;
    while (f && RootRow(f) < 0) f = f->Parent;
    if (!f) return {};
    const int row = RowOf(folder);
    if (row < 0) return {};
    return createIndex(row, column, const_cast<TSizeFolder*>(folder));
}

QModelIndex SizeTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount) return {};
    if (!parent.isValid()) {
        if (row >= static_cast<int>(roots_.size())) return {};
        return createIndex(row, column, roots_[static_cast<std::size_t>(row)]);
    }
    if (parent.column() != 0) return {};
    const TSizeFolder* p = FolderAt(parent);
    if (!p || row >= static_cast<int>(p->SubFolders.size())) return {};
    return createIndex(row, column, ChildrenOf(p).order[static_cast<std::size_t>(row)]);
}

QModelIndex SizeTreeModel::parent(const QModelIndex& child) const {
    const TSizeFolder* f = FolderAt(child);
    if (!f || RootRow(f) >= 0 || !f->Parent) return {};
    TSizeFolder* p = f->Parent;
    const int row = RowOf(p);
    return row < 0 ? QModelIndex() : createIndex(row, 0, p);
}

int SizeTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(roots_.size());
    if (parent.column() != 0) return 0;
    const TSizeFolder* p = FolderAt(parent);
    return p ? static_cast<int>(p->SubFolders.size()) : 0;
}

int SizeTreeModel::columnCount(const QModelIndex&) const { return ColumnCount; }

bool SizeTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant SizeTreeModel::data(const QModelIndex& index, int role) const {
    const TSizeFolder* f = FolderAt(index);
    if (!f) return {};
    const int col = index.column();
    switch (role) {
        case Qt::DisplayRole:
            switch (col) {
                case ColName:
                    if (partial_ && roots_.front() == f) return DecodedName(f->Name) + QStringLiteral(" (partial)");
                    return DecodedName(f->Name);
                case ColFiles: return SizeCellText(f->FilesSize);
                case ColCumulated: return SizeCellText(f->FilesSize + f->SubFoldersSize);
                default: return {};
            }
        case Qt::ToolTipRole:
            if (col != ColName) return {};
            if (f->ReadError)
                return QStringLiteral("Could not be read: ") + QString::fromLocal8Bit(std::strerror(f->ReadError));
            if (partial_ && roots_.front() == f && !unfinished_.empty())
                return DecodedName(f->Path()) + QLatin1Char('\n') + UnfinishedText(unfinished_);
            return DecodedName(f->Path());
        case Qt::DecorationRole:
            if (col == ColName && f->ReadError) return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
            if (col == ColName) return RowIcon(RowImage::FolderClosed);
            if (col == ColFiles || col == ColCumulated) return RowIcon(RowImage::FolderPie);
            return {};
        case FocusedDecorationRole:
            if (col == ColName && f->ReadError) return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
            if (col == ColName) return RowIcon(RowImage::FolderOpen);
            if (col == ColFiles || col == ColCumulated) return RowIcon(RowImage::FolderMarked);
            return {};
        case BarValueRole:
            // The top folder's row, the first root-level row, carries no bar.
            if (col != ColBar || (!roots_.empty() && roots_.front() == f)) return {};
            return f->CumulatedSize();
        default: return {};
    }
}

QVariant SizeTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case ColName: return QStringLiteral("Directory");
        case ColBar: return QStringLiteral("Summary Size");
        case ColFiles: return QStringLiteral("Files in Dir / MB");
        case ColCumulated: return QStringLiteral("Cumulated Size / MB");
        default: return {};
    }
}

Qt::ItemFlags SizeTreeModel::flags(const QModelIndex& index) const {
    const TSizeFolder* f = FolderAt(index);
    if (!f) return Qt::NoItemFlags;
    Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (f->SubFolders.empty()) fl |= Qt::ItemNeverHasChildren;
    return fl;
}

void SizeTreeModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    sortColumn_ = column;
    sortOrder_ = order;
    ++generation_;
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before) after.push_back(IndexOf(FolderAt(i), i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace vantum::views
