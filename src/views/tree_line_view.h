#pragma once
// A tree view that draws dotted tree lines beside the expand buttons, whatever the style.

#include <QTreeView>

namespace vantum::views {

class TreeLineView : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;

protected:
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
};

}  // namespace vantum::views
