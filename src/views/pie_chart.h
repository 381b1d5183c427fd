#pragma once
// The pie chart: one slice per entry, counter-clockwise from a start angle of 5 degrees plus the
// rotation; circular or elliptic, flat or 3D (tilted with a rim), the largest slice optionally
// moved out; marks with short arrows outside the pie. No zoom and no panning.

#include <utility>
#include <vector>

#include "views/chart_view.h"

namespace vantum::views {

class Pies : public ChartView {
    Q_OBJECT
public:
    explicit Pies(QWidget* parent = nullptr);

    void SetElliptic(bool on);
    bool Elliptic() const { return elliptic_; }
    // Moves the largest slice out by 10 % of the radius.
    void SetExplodeBiggest(bool on);
    bool ExplodeBiggest() const { return explode_; }
    // Rotation angle in degrees, 0..359.
    void SetRotation(int degrees);
    int Rotation() const { return rotation_; }

    void Draw(QPainter& p, const QRect& area) const override;
    int EntryAt(const QPoint& pos) const override;
    // The point in the middle of a slice's top face in a chart drawn into area (for tests and
    // hit checks); null when the slice is empty or the index is out of range.
    QPointF SliceCentre(int index, const QRect& area) const;
    // Where the pie is drawn in area, moved-out slice and rim included, and the room it has
    // (beside the legend, above the foot text).
    QRectF PieBounds(const QRect& area) const;
    QRect PieRoom(const QRect& area) const;
    // The entries that get a mark in a chart drawn into area, with their boxes; the biggest
    // slices are placed first, so the smallest lose theirs where there is no room.
    std::vector<std::pair<int, QRect>> MarkBoxes(const QRect& area) const;

private:
    struct Slice {
        double start = 0, span = 0;  // degrees, counter-clockwise from 3 o'clock
        QPointF offset;
    };
    struct Layout {
        QPointF centre;
        double rx = 0, ry = 0, depth = 0;
        std::vector<Slice> slices;
        QPointF At(const Slice& s, double deg, double scale = 1.0) const;
    };
    Layout MakeLayout(const QRect& room, const QFontMetrics& fm) const;
    int SliceAt(const Layout& l, const QPointF& q) const;
    std::vector<std::pair<int, QRect>> MarkBoxesIn(const Layout& l, const QFontMetrics& fm, const QRect& bounds) const;

    bool elliptic_ = false;
    bool explode_ = false;
    int rotation_ = 0;
};

}  // namespace vantum::views
