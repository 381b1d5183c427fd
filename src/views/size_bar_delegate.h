#pragma once
// Paints the size bar into the bar column of the folder lists and swaps the row pictures of
// the focused row.

#include <QColor>
#include <QStyledItemDelegate>

#include "core/size_format.h"

namespace vantum::views {

// Roles the folder list models answer besides the standard ones.
enum FolderRowRole {
    FocusedDecorationRole = Qt::UserRole + 1,  // the picture of a cell on the focused row
    BarValueRole,                              // MB the bar shows; no value: no bar on this row
};

// Full scale of a set of bars, in MB as a 4-decimal fixed-point value.
class SizeBarScale {
public:
    Fixed4 Value() const { return max_; }
    double Megabytes() const { return max_.ToDouble(); }
    // Keeps the larger of the current scale and mb (rounded to 4 decimals).
    void Raise(double megabytes);
    void Set(double megabytes) { max_ = Fixed4::FromDouble(megabytes); }

private:
    Fixed4 max_;
};

struct SizeBarGeometry {
    int length = 0;   // pixels
    int percent = 0;  // 0..100, drives the colour
};

// Whole megabytes of the value against the scale over a column of width pixels. Below 1 MB,
// or with no scale, the bar is empty; it never exceeds the column or 100 %.
SizeBarGeometry MeasureSizeBar(double megabytes, double scaleMegabytes, int width);
// Red and green percent / 2, blue 2 × percent + 55: dark blue at 0 %, light blue at 100 %.
QColor SizeBarColour(int percent);

class SizeBarDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // scale must outlive the delegate; rowHeight 0 keeps the style's height.
    SizeBarDelegate(const SizeBarScale* scale, int barColumn, int rowHeight, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    const SizeBarScale* scale_;
    int barColumn_;
    int rowHeight_;
};

}  // namespace vantum::views
