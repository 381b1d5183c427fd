#pragma once
// The horizontal bar chart: one bar per entry, the first entry at the bottom; value axis at the
// bottom, labels on the left, marks with arrows right of the bars; optional 3D depth, gradient
// bars, paging and zoom/pan by mouse.

#include <optional>
#include <utility>
#include <vector>

#include "views/chart_view.h"

namespace vantum::views {

class Bars : public ChartView {
    Q_OBJECT
public:
    explicit Bars(QWidget* parent = nullptr);

    void SetGradient(bool on);
    bool Gradient() const { return gradient_; }
    void SetZoomEnabled(bool on) { zoomEnabled_ = on; }
    bool ZoomEnabled() const { return zoomEnabled_; }

    // Paging: 0 points per page shows every bar.
    void SetPointsPerPage(int n);
    int PointsPerPage() const { return pointsPerPage_; }
    // The lowest position of the page shown.
    int FirstPosition() const { return first_; }
    // Shows the page holding the last entries (the top of the chart).
    void ShowLastPage();
    // Moves the page by positions (positive: towards the top).
    void Scroll(int positions);
    // Automatic ranges, no zoom, no paging, first page.
    void ResetView();
    bool IsZoomed() const { return zoomPos_.has_value(); }
    // Zooms to the positions [posLow, posHigh] and values [valueLow, valueHigh].
    void ZoomTo(double posLow, double posHigh, double valueLow, double valueHigh);

    void SetModel(std::shared_ptr<const ChartModel> model) override;

    void Draw(QPainter& p, const QRect& area) const override;
    int EntryAt(const QPoint& pos) const override;
    // The front rectangle of entry index's bar in a chart drawn into area (empty when off page).
    QRectF BarRect(int index, const QRect& area) const;
    // The entries named on the axis (and by the marks) in a chart drawn into area, bottom up.
    // Where bars are closer than a line of text, each named entry is the biggest of its line:
    // the bar drawn on top there and the one a click there hits.
    std::vector<int> NamedEntries(const QRect& area) const;

signals:
    void viewChanged();

protected:
    bool BeginDrag(Qt::MouseButton button, const QPoint& pos) override;
    void UpdateDrag(const QPoint& pos) override;
    bool EndDrag(const QPoint& pos) override;
    void PaintOverlay(QPainter& p) override;

private:
    struct Range {
        double low = 0, high = 1;
    };
    struct Layout {
        QRect plot;  // front plane
        int depth = 0;
        int labelWidth = 0;
        Range pos, value;
        double pitch = 1, thickness = 1;
        double X(double v) const { return plot.left() + (v - value.low) / (value.high - value.low) * plot.width(); }
        double Y(double p) const { return plot.bottom() + 1 - (p - pos.low) / (pos.high - pos.low) * plot.height(); }
    };
    Layout MakeLayout(const QRect& room, const QFontMetrics& fm) const;
    QRectF BarRectIn(const Layout& l, int index) const;
    std::vector<int> NamedEntriesIn(const Layout& l, int lineHeight) const;
    // The entry whose bar is drawn on top at pos, or -1.
    int TopAt(const Layout& l, const QPointF& pos) const;
    // Visible index range of a layout.
    std::pair<int, int> VisibleRange(const Layout& l) const;
    static bool Crowded(const Layout& l) { return l.pitch < l.thickness + 1; }
    // Whether entry a is drawn over entry b where their bars share pixels.
    bool DrawnOver(int a, int b) const;
    Range AutoPositions() const;

    bool gradient_ = true;
    bool zoomEnabled_ = true;
    int pointsPerPage_ = 0;
    int first_ = 0;
    std::optional<Range> zoomPos_, zoomValue_;

    Qt::MouseButton drag_ = Qt::NoButton;
    QPoint dragStart_, dragNow_;
    bool moved_ = false;
};

}  // namespace vantum::views
