#pragma once
// Flat item model of the size ranking: one row per folder reference, in the order added.

#include <QAbstractItemModel>
#include <vector>

#include "core/size_tree.h"

namespace vantum::views {

class SizeRankingModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { ColName = 0, ColBar = 1, ColPath = 2, ColSize = 3, ColumnCount = 4 };

    explicit SizeRankingModel(QObject* parent = nullptr);

    void Clear();
    // Replaces every row in one reset, so the view repaints once.
    void SetRows(std::vector<TSizeFolder*> rows);
    // Appends a row for folder (the ranking is flat: parent must be invalid).
    QModelIndex AddFolderRow(const QModelIndex& parent, TSizeFolder* folder);
    TSizeFolder* FolderAt(const QModelIndex& index) const;
    const std::vector<TSizeFolder*>& Rows() const { return rows_; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<TSizeFolder*> rows_;
};

}  // namespace vantum::views
