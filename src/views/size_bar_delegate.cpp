#include "views/size_bar_delegate.h"

#include <QAbstractItemView>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vantum::views {

void SizeBarScale::Raise(double megabytes) {
    Fixed4 v = Fixed4::FromDouble(megabytes);
    if (max_.units < v.units) max_ = v;
}

SizeBarGeometry MeasureSizeBar(double megabytes, double scale, int width) {
    SizeBarGeometry g;
    const double a = std::trunc(megabytes);
    if (!(a > 0) || !(scale > 0) || width <= 0) return g;
    const double len = std::trunc(width * a / scale);
    const double pct = std::trunc(a / scale * 100);
    g.length = static_cast<int>(std::min<double>(len, width));
    g.percent = static_cast<int>(std::min(pct, 100.0));
    return g;
}

QColor SizeBarColour(int percent) {
    percent = std::clamp(percent, 0, 100);
    return QColor(percent / 2, percent / 2, 2 * percent + 55);
}

SizeBarDelegate::SizeBarDelegate(const SizeBarScale* scale, int barColumn, int rowHeight, QObject* parent)
    : QStyledItemDelegate(parent), scale_(scale), barColumn_(barColumn), rowHeight_(rowHeight) {}

void SizeBarDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // Rows are keyed by their folder, so the internal pointer identifies the focused row.
    auto* view = qobject_cast<const QAbstractItemView*>(option->widget);
    if (!view) return;
    const QModelIndex current = view->currentIndex();
    if (current.isValid() && current.internalPointer() == index.internalPointer() && current.model() == index.model()) {
        const QVariant focused = index.data(FocusedDecorationRole);
        if (focused.isValid()) option->icon = qvariant_cast<QIcon>(focused);
    }
}

void SizeBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (index.column() != barColumn_ || !scale_) return;
    const QVariant value = index.data(BarValueRole);
    if (!value.isValid()) return;
    const QRect cell = option.rect;
    const SizeBarGeometry g = MeasureSizeBar(value.toDouble(), scale_->Megabytes(), cell.width());
    if (g.length <= 0) return;
    constexpr int kBarHeight = 11;
    const int top = cell.top() + std::max(0, (cell.height() - kBarHeight + 1) / 2);
    const QRect bar(cell.left() + 1, top, g.length, kBarHeight);
    painter->save();
    painter->setClipRect(cell);
    painter->fillRect(bar, SizeBarColour(g.percent));
    painter->setPen(Qt::black);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(bar.adjusted(0, 0, -1, -1));
    painter->restore();
}

QSize SizeBarDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    if (rowHeight_ > 0) s.setHeight(rowHeight_);
    return s;
}

}  // namespace vantum::views
