#pragma once
// Item model of the size tree list. Each index's internal pointer is its TSizeFolder; child
// rows come from the folder's SubFolders on demand, so only the rows a view has asked for cost
// memory (one pointer each, plus the row lookup). The tree itself is never reordered: sorting
// permutes the list's own child order, sibling by sibling.

#include <QAbstractItemModel>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/size_tree.h"

namespace vantum::views {

class SizeTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { ColName = 0, ColBar = 1, ColFiles = 2, ColCumulated = 3, ColumnCount = 4 };

    explicit SizeTreeModel(QObject* parent = nullptr);

    // Drops every row; call before the tree is emptied or changed.
    void Clear();
    // A root-level row for folder (parent invalid), or the row of folder under parent when it is
    // one of parent's sub-folders (child rows always follow the tree). Invalid when refused.
    QModelIndex AddFolderRow(const QModelIndex& parent, TSizeFolder* folder);

    TSizeFolder* FolderAt(const QModelIndex& index) const;
    // The row of folder in the given column; invalid when the folder is not in the list.
    QModelIndex IndexOf(const TSizeFolder* folder, int column = ColName) const;
    bool IsEmpty() const { return roots_.empty(); }
    // Notes on the tree shown, kept until set again: after a stopped scan the first row says
    // "(partial)" and its tool tip names the folders that were not finished.
    void SetNotes(bool partial, std::vector<std::string> unfinished);
    bool Partial() const { return partial_; }

    // Sign of the list's comparison of two folders by column (1 compares equal).
    static int Compare(const TSizeFolder& a, const TSizeFolder& b, int column);

    // The column and direction of the last sort, or -1 when the list keeps the tree's order.
    int SortColumn() const { return sortColumn_; }
    Qt::SortOrder SortOrder() const { return sortOrder_; }
    // Rows materialised so far (children lists the view has asked for).
    std::size_t MaterialisedRows() const { return rowOf_.size(); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Reorders the siblings under every parent by column; other parents' order is kept.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    struct Children {
        std::vector<TSizeFolder*> order;
        std::uint64_t generation = 0;
    };

    const Children& ChildrenOf(const TSizeFolder* parent) const;
    int RowOf(const TSizeFolder* folder) const;
    int RootRow(const TSizeFolder* folder) const;

    std::vector<TSizeFolder*> roots_;
    mutable std::unordered_map<const TSizeFolder*, Children> children_;
    mutable std::unordered_map<const TSizeFolder*, int> rowOf_;
    bool partial_ = false;
    std::vector<std::string> unfinished_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    std::uint64_t generation_ = 0;  // bumped by every sort; stale children lists re-sort on use
};

}  // namespace vantum::views
