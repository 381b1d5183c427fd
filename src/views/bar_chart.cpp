#include "views/bar_chart.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "views/chart_palette.h"

namespace vantum::views {

namespace {

constexpr int kArrow = 20;
constexpr int kDepth = 10;
constexpr int kDragSlop = 4;
const QColor kAxis(64, 64, 64);
const QColor kGrid(128, 128, 128, 110);

double NiceStep(double span) {
    if (span <= 0) return 1;
    const double raw = span / 5;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / mag;
    return (f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10) * mag;
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t, a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

}  // namespace

Bars::Bars(QWidget* parent) : ChartView(parent) {
    setObjectName(QStringLiteral("Bars"));
    background_ = kBarChartBackground;
    RestoredMark()->setObjectName(QStringLiteral("Restored1"));
    FreeSpaceLabel()->setObjectName(QStringLiteral("FreeSpace1Lbl"));
    setToolTip(QStringLiteral("Left click on Pie to visualize that folder"));
}

void Bars::SetGradient(bool on) {
    gradient_ = on;
    update();
}

void Bars::SetModel(std::shared_ptr<const ChartModel> model) {
    zoomPos_.reset();
    zoomValue_.reset();
    ChartView::SetModel(std::move(model));
    emit viewChanged();
}

void Bars::SetPointsPerPage(int n) {
    pointsPerPage_ = std::max(0, n);
    first_ = 0;
    update();
    emit viewChanged();
}

void Bars::ShowLastPage() {
    if (pointsPerPage_ <= 0) return;
    first_ = std::max(0, EntryCount() - pointsPerPage_);
    update();
    emit viewChanged();
}

void Bars::Scroll(int positions) {
    if (pointsPerPage_ <= 0) return;
    first_ = std::clamp(first_ + positions, 0, std::max(0, EntryCount() - pointsPerPage_));
    update();
    emit viewChanged();
}

void Bars::ResetView() {
    zoomPos_.reset();
    zoomValue_.reset();
    pointsPerPage_ = 0;
    first_ = 0;
    update();
    emit viewChanged();
}

void Bars::ZoomTo(double posLow, double posHigh, double valueLow, double valueHigh) {
    if (posHigh <= posLow || valueHigh <= valueLow) return;
    zoomPos_ = Range{posLow, posHigh};
    zoomValue_ = Range{valueLow, valueHigh};
    update();
    emit viewChanged();
}

Bars::Range Bars::AutoPositions() const {
    if (pointsPerPage_ > 0) return Range{first_ - 0.5, first_ + pointsPerPage_ - 0.5};
    return Range{-0.5, std::max(1, EntryCount()) - 0.5};
}

Bars::Layout Bars::MakeLayout(const QRect& room, const QFontMetrics& fm) const {
    Layout l;
    QRect r = RoomBesideLegend(fm, room);
    l.depth = Is3D() ? kDepth : 0;

    int widestLabel = 0, widestMark = 0;
    double maxValue = 0;
    if (model_) {
        for (int i = 0; i < model_->count(); ++i) {
            const ChartEntry& e = model_->entries[static_cast<size_t>(i)];
            widestLabel = std::max(widestLabel, fm.horizontalAdvance(e.label));
            maxValue = std::max(maxValue, e.value.ToDouble());
        }
        // Marks are measured by their longest parts rather than one by one: 500 entries stay cheap.
        if (MarksVisible() && !model_->empty()) {
            widestMark = widestLabel + fm.horizontalAdvance(QLatin1Char(' ') + FormatChartValue(Fixed4::FromDouble(maxValue), model_->unitText)) + 8;
        }
    }
    l.labelWidth = std::min(widestLabel + 8, r.width() * 30 / 100);
    l.plot = QRect(r.left() + l.labelWidth, r.top() + l.depth, r.width() - l.labelWidth - l.depth,
                   r.height() - l.depth - fm.height() - 6);
    if (l.plot.width() < 10) l.plot.setWidth(10);
    if (l.plot.height() < 10) l.plot.setHeight(10);

    l.pos = zoomPos_ ? *zoomPos_ : AutoPositions();
    if (zoomValue_) {
        l.value = *zoomValue_;
    } else {
        // Leave room right of the longest bar for its mark and arrow.
        const int reserve = widestMark ? std::min(widestMark + kArrow + l.depth, l.plot.width() * 45 / 100) : 0;
        const double top = maxValue > 0 ? maxValue : 1;
        l.value = Range{0, top * l.plot.width() / std::max(1, l.plot.width() - reserve)};
    }
    l.pitch = l.plot.height() / (l.pos.high - l.pos.low);
    l.thickness = std::max(1.0, l.pitch * 0.7);
    return l;
}

QRectF Bars::BarRectIn(const Layout& l, int index) const {
    if (!model_ || index < 0 || index >= model_->count()) return {};
    if (index < l.pos.low - 0.5 || index > l.pos.high + 0.5) return {};
    const double v = model_->entries[static_cast<size_t>(index)].value.ToDouble();
    const double x0 = l.X(std::max(0.0, l.value.low));
    const double x1 = l.X(v);
    const double yc = l.Y(index);
    return QRectF(QPointF(x0, yc - l.thickness / 2), QPointF(std::max(x0, x1), yc + l.thickness / 2));
}

QRectF Bars::BarRect(int index, const QRect& area) const {
    Layout l = MakeLayout(FrameRoom(area), QFontMetrics(font()));
    return BarRectIn(l, index);
}

std::pair<int, int> Bars::VisibleRange(const Layout& l) const {
    if (!model_ || model_->empty()) return {0, -1};
    const int lo = std::max(0, static_cast<int>(std::ceil(l.pos.low - 0.5)));
    const int hi = std::min(model_->count() - 1, static_cast<int>(std::floor(l.pos.high + 0.5)));
    return {lo, hi};
}

bool Bars::DrawnOver(int a, int b) const {
    // The bigger value is drawn later, so that the longest bar of a crowded line stays seen;
    // equal values keep the entries' order.
    const Fixed4 va = model_->entries[static_cast<size_t>(a)].value, vb = model_->entries[static_cast<size_t>(b)].value;
    return va.units != vb.units ? va.units > vb.units : a > b;
}

int Bars::TopAt(const Layout& l, const QPointF& pos) const {
    const double at = l.pos.low + (l.plot.bottom() + 1 - pos.y()) / l.pitch;
    const int near = static_cast<int>(std::lround(at));
    // Every bar that may cover the point; the one drawn on top there is the one seen.
    const int depth = Crowded(l) ? 0 : l.depth;
    const int reach = static_cast<int>(std::ceil((l.thickness / 2 + depth + 1) / l.pitch)) + 1;
    int top = -1;
    for (int i = near - reach; i <= near + reach; ++i) {
        QRectF r = BarRectIn(l, i);
        if (r.isNull() || !r.adjusted(0, -depth, depth, 0).contains(pos)) continue;
        if (top < 0 || DrawnOver(i, top)) top = i;
    }
    return top;
}

std::vector<int> Bars::NamedEntriesIn(const Layout& l, int lineHeight) const {
    std::vector<int> named;
    const auto [lo, hi] = VisibleRange(l);
    if (!Crowded(l) && l.pitch >= lineHeight) {
        for (int i = lo; i <= hi; ++i) named.push_back(i);
        return named;
    }
    // Bottom up, one line of text at a time: each line is named after its biggest bar that is
    // on top where it is drawn, so that a click on that name's bar hits it.
    std::vector<int> line;
    for (int i = lo; i <= hi;) {
        const double lineTop = l.Y(i) - lineHeight;
        line.clear();
        int j = i;
        for (; j <= hi && (j == i || l.Y(j) > lineTop); ++j) line.push_back(j);
        std::sort(line.begin(), line.end(), [this](int a, int b) { return DrawnOver(a, b); });
        for (int c : line) {
            const QRectF r = BarRectIn(l, c);
            if (r.width() < 3) break;  // the rest are smaller still: nothing to point at
            if (TopAt(l, QPointF(std::floor(r.left()) + 2, std::floor(r.center().y()))) == c) {
                named.push_back(c);
                break;
            }
        }
        i = j;
    }
    std::sort(named.begin(), named.end());
    return named;
}

std::vector<int> Bars::NamedEntries(const QRect& area) const {
    const QFontMetrics fm(font());
    return NamedEntriesIn(MakeLayout(FrameRoom(area), fm), fm.height());
}

void Bars::Draw(QPainter& p, const QRect& area) const {
    p.save();
    QRect room = DrawFrame(p, area, true);
    p.setFont(font());
    QFontMetrics fm = p.fontMetrics();
    DrawLegend(p, room);
    const Layout l = MakeLayout(room, fm);
    const int d = l.depth;

    // Walls and value grid.
    p.setPen(kAxis);
    if (d) {
        p.setBrush(background_.lighter(108));
        p.drawRect(l.plot.translated(d, -d));
        p.drawLine(l.plot.bottomLeft(), l.plot.bottomLeft() + QPoint(d, -d));
    }
    const double step = NiceStep(l.value.high - l.value.low);
    p.setPen(textColour_);
    QLocale locale;
    for (double v = std::ceil(l.value.low / step) * step; v <= l.value.high + step * 1e-9; v += step) {
        const int x = static_cast<int>(std::lround(l.X(v)));
        if (x < l.plot.left() - 1 || x > l.plot.right() + 1) continue;
        p.setPen(QPen(kGrid, 0, Qt::DotLine));
        p.drawLine(x + d, l.plot.top() - d, x + d, l.plot.bottom() - d);
        p.setPen(textColour_);
        const QString text = locale.toString(v, 'g', 6);
        const int w = fm.horizontalAdvance(text);
        p.drawText(QRect(x - w / 2 - 2, l.plot.bottom() + 3, w + 4, fm.height()), Qt::AlignCenter, text);
    }
    p.setPen(kAxis);
    p.drawLine(l.plot.bottomLeft(), l.plot.bottomRight());
    p.drawLine(l.plot.topLeft(), l.plot.bottomLeft());

    if (model_ && !model_->empty()) {
        const auto [lo, hi] = VisibleRange(l);
        std::vector<int> order(static_cast<size_t>(hi - lo + 1));
        for (int i = lo; i <= hi; ++i) order[static_cast<size_t>(i - lo)] = i;
        // Bars closer than their thickness share pixel lines: the biggest of each goes on top,
        // and their 3D faces (slivers over the neighbours) are left out.
        const bool crowded = Crowded(l);
        if (crowded)
            std::sort(order.begin(), order.end(), [this](int a, int b) { return DrawnOver(b, a); });

        p.save();
        p.setClipRect(QRect(l.plot.left(), l.plot.top() - d, l.plot.width() + d + 1, l.plot.height() + d + 1));
        p.setPen(QPen(QColor(0, 0, 0, 90), 0));
        const bool outline = l.thickness >= 4;
        for (int i : order) {
            const ChartEntry& e = model_->entries[static_cast<size_t>(i)];
            const QRectF r = BarRectIn(l, i);
            if (r.isNull()) continue;
            if (d && !crowded) {
                QPolygonF topFace({r.topLeft(), r.topLeft() + QPointF(d, -d), r.topRight() + QPointF(d, -d), r.topRight()});
                QPolygonF side({r.topRight(), r.topRight() + QPointF(d, -d), r.bottomRight() + QPointF(d, -d), r.bottomRight()});
                p.setPen(outline ? QPen(QColor(0, 0, 0, 90), 0) : Qt::NoPen);
                p.setBrush(e.colour.lighter(115));
                p.drawPolygon(topFace);
                p.setBrush(e.colour.darker(130));
                p.drawPolygon(side);
            }
            if (gradient_ && r.width() > 2) {
                QLinearGradient g(r.topLeft(), r.topRight());
                g.setColorAt(0, e.colour);
                g.setColorAt(1, Mix(e.colour, kBarGradientColour, 0.5));
                p.setBrush(g);
            } else {
                p.setBrush(e.colour);
            }
            p.setPen(outline ? QPen(QColor(0, 0, 0, 90), 0) : Qt::NoPen);
            p.drawRect(r);
        }
        p.restore();

        // Labels on the left axis: one per line of text, naming the bar drawn on top there.
        const std::vector<int> named = NamedEntriesIn(l, fm.height());
        p.setPen(textColour_);
        for (int i : named) {
            const double y = l.Y(i);
            const QString text = fm.elidedText(model_->entries[static_cast<size_t>(i)].label, Qt::ElideMiddle, l.labelWidth - 6);
            p.drawText(QRectF(l.plot.left() - l.labelWidth, y - fm.height() / 2.0, l.labelWidth - 4, fm.height()),
                       Qt::AlignRight | Qt::AlignVCenter, text);
        }

        if (MarksVisible()) {
            // The marks name the same entries as the axis, so that both always agree.
            std::vector<QRect> taken;
            for (auto it = named.rbegin(); it != named.rend(); ++it) {
                const int i = *it;
                const QRectF r = BarRectIn(l, i);
                if (r.isNull()) continue;
                const QPointF tip(r.right() + d / 2.0, r.center().y() - d / 2.0);
                const QPoint anchor(static_cast<int>(tip.x()) + kArrow, static_cast<int>(tip.y()));
                if (DrawMark(p, anchor, model_->MarkText(i, locale), true, taken)) {
                    p.setPen(Qt::black);
                    p.drawLine(tip, QPointF(anchor));
                }
            }
        }
    }
    p.restore();
}

int Bars::EntryAt(const QPoint& pos) const {
    if (!model_ || model_->empty()) return -1;
    const Layout l = MakeLayout(FrameRoom(rect()), QFontMetrics(font()));
    if (!l.plot.adjusted(0, -l.depth, l.depth, 0).contains(pos)) return -1;
    // The bar drawn on top at the point is the one hit.
    return TopAt(l, QPointF(pos));
}

bool Bars::BeginDrag(Qt::MouseButton button, const QPoint& pos) {
    if (!zoomEnabled_ || (button != Qt::LeftButton && button != Qt::RightButton)) return false;
    drag_ = button;
    dragStart_ = dragNow_ = pos;
    moved_ = false;
    return true;
}

void Bars::UpdateDrag(const QPoint& pos) {
    if ((pos - dragStart_).manhattanLength() > kDragSlop) moved_ = true;
    if (drag_ == Qt::RightButton && moved_) {
        // Panning moves both axes with the mouse.
        const Layout l = MakeLayout(FrameRoom(rect()), QFontMetrics(font()));
        const double dv = -(pos.x() - dragNow_.x()) * (l.value.high - l.value.low) / l.plot.width();
        const double dp = (pos.y() - dragNow_.y()) / l.pitch;
        zoomPos_ = Range{l.pos.low + dp, l.pos.high + dp};
        zoomValue_ = Range{l.value.low + dv, l.value.high + dv};
        emit viewChanged();
    }
    dragNow_ = pos;
    update();
}

bool Bars::EndDrag(const QPoint& pos) {
    UpdateDrag(pos);
    const Qt::MouseButton button = drag_;
    drag_ = Qt::NoButton;
    update();
    if (!moved_) return false;
    if (button == Qt::LeftButton) {
        if (pos.x() > dragStart_.x() && pos.y() > dragStart_.y()) {
            // Dragging down and right zooms into the rectangle.
            const Layout l = MakeLayout(FrameRoom(rect()), QFontMetrics(font()));
            const QRect r = QRect(dragStart_, pos).normalized();
            auto posAt = [&](int y) { return l.pos.low + (l.plot.bottom() + 1 - y) / l.pitch; };
            auto valueAt = [&](int x) { return l.value.low + (x - l.plot.left()) * (l.value.high - l.value.low) / l.plot.width(); };
            ZoomTo(posAt(r.bottom()), posAt(r.top()), valueAt(r.left()), valueAt(r.right()));
        } else {
            // Any other direction undoes the zoom.
            zoomPos_.reset();
            zoomValue_.reset();
            emit viewChanged();
        }
    }
    return true;
}

void Bars::PaintOverlay(QPainter& p) {
    if (drag_ != Qt::LeftButton || !moved_) return;
    p.setPen(QPen(Qt::black, 0, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(dragStart_, dragNow_).normalized());
}

}  // namespace vantum::views
