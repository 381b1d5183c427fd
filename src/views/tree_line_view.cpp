#include "views/tree_line_view.h"

#include <QPainter>

namespace vantum::views {

void TreeLineView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    QTreeView::drawBranches(painter, rect, index);
    const int indent = indentation();
    if (indent <= 0 || !model()) return;
    painter->save();
    QPen pen(QColor(150, 150, 150));
    pen.setStyle(Qt::DotLine);
    painter->setPen(pen);

    const int top = rect.top(), bottom = rect.bottom(), mid = rect.top() + rect.height() / 2;
    // Keep the expand button's square free of lines.
    const int gap = model()->hasChildren(index) ? 6 : 0;
    auto hasNextSibling = [this](const QModelIndex& i) { return i.row() + 1 < model()->rowCount(i.parent()); };

    int x = rect.right() + 1 - indent;  // this row's own branch column
    if (x >= rect.left()) {
        const int cx = x + indent / 2;
        const bool isRoot = !index.parent().isValid();
        if (!(isRoot && index.row() == 0)) painter->drawLine(cx, top, cx, mid - gap);
        if (hasNextSibling(index)) painter->drawLine(cx, mid + gap, cx, bottom);
        painter->drawLine(cx + std::max(gap, 1), mid, x + indent - 2, mid);
    }
    // Ancestors that have siblings below them carry a line through this row.
    for (QModelIndex a = index.parent(); a.isValid(); a = a.parent()) {
        x -= indent;
        if (x < rect.left()) break;
        if (hasNextSibling(a)) painter->drawLine(x + indent / 2, top, x + indent / 2, bottom);
    }
    painter->restore();
}

}  // namespace vantum::views
