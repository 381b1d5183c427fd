#include "sizelog/window/stacked_chart.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace vantum::sizelog {

namespace {

// A step of 1, 2 or 5 times a power of ten that cuts the range into about five parts.
double NiceStep(double range) {
    if (!(range > 0)) return 1;
    const double raw = range / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

}  // namespace

StackedChart::StackedChart(Style style, QWidget* parent) : QWidget(parent), style_(style) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setMinimumSize(200, 150);
}

void StackedChart::SetTitle(const QString& title) {
    title_ = title;
    update();
}

void StackedChart::SetAxisTitle(const QString& title) {
    axisTitle_ = title;
    update();
}

void StackedChart::SetData(std::vector<Series> series, QStringList labels) {
    series_ = std::move(series);
    labels_ = std::move(labels);
    update();
}

void StackedChart::SetLabelFormat(LabelFormat format) {
    format_ = std::move(format);
    update();
}

void StackedChart::SetAxisMinimum(std::optional<double> minimum) {
    axisMin_ = minimum;
    update();
}

int StackedChart::PointCount() const {
    std::size_t n = std::size_t(labels_.size());
    for (const Series& s : series_) n = std::max(n, s.values.size());
    return int(n);
}

double StackedChart::StackedValue(int series, int point) const {
    double sum = 0;
    for (int s = 0; s <= series; ++s)
        if (std::size_t(point) < series_[s].values.size()) sum += series_[s].values[point];
    return sum;
}

std::pair<double, double> StackedChart::AxisRange() const {
    const int n = PointCount();
    double lo = 0, hi = 0;
    bool any = false;
    for (int i = 0; i < n; ++i)
        for (int s = 0; s < int(series_.size()); ++s) {
            if (std::size_t(i) >= series_[s].values.size()) continue;
            // The tops of the areas: a fitted axis shows the changes, not the ground below.
            const double top = StackedValue(s, i);
            lo = any ? std::min(lo, top) : top;
            hi = any ? std::max(hi, top) : top;
            any = true;
        }
    if (style_ == Style::Bars) lo = std::min(lo, 0.0);  // bars grow from zero
    // A little room above the highest point, and below the lowest when fitted, so that the edges
    // of the areas do not run along the frame.
    const double pad = (hi - lo) * 0.05;
    hi += pad;
    if (lo > 0 && !axisMin_) lo = std::max(0.0, lo - pad);
    if (axisMin_) lo = *axisMin_;
    if (hi <= lo) hi = lo + 1;
    return {lo, hi};
}

void StackedChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Render(p, rect());
}

void StackedChart::Render(QPainter& p, const QRect& area) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(area, palette().base());
    const QFontMetrics fm(p.font());
    const int line = fm.height();
    p.setPen(palette().text().color());

    QRect plot = area.adjusted(16 + 2 * line + fm.horizontalAdvance(QStringLiteral("000,000,000")), line * 3 / 2 + 8,
                               -16, -(2 * line + 12));
    if (!title_.isEmpty())
        p.drawText(QRect(area.left(), area.top() + 4, area.width(), line), Qt::AlignCenter, title_);

    // Legend, top right, one entry per series from the top of the stack down.
    int lx = plot.right();
    for (int s = int(series_.size()) - 1; s >= 0; --s) {
        const int w = fm.horizontalAdvance(series_[s].name) + line + 10;
        lx -= w;
    }
    for (int s = int(series_.size()) - 1; s >= 0; --s) {
        QRect box(lx, area.top() + line + 8, line - 4, line - 4);
        p.fillRect(box, series_[s].color);
        p.drawText(box.right() + 4, box.bottom(), series_[s].name);
        lx += fm.horizontalAdvance(series_[s].name) + line + 10;
    }
    plot.setTop(plot.top() + line);
    if (plot.width() < 20 || plot.height() < 20) {
        p.restore();
        return;
    }

    const auto [lo, hi] = AxisRange();
    auto y = [&, lo = lo, hi = hi](double v) { return plot.bottom() - (v - lo) / (hi - lo) * plot.height(); };

    // Value axis with grid lines.
    const double step = NiceStep(hi - lo);
    p.setPen(palette().mid().color());
    for (double v = std::ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) {
        const double yy = y(v);
        p.drawLine(QPointF(plot.left(), yy), QPointF(plot.right(), yy));
        p.save();
        p.setPen(palette().text().color());
        p.drawText(QRectF(area.left() + line + 4, yy - line / 2.0, plot.left() - area.left() - line - 8, line),
                   Qt::AlignRight | Qt::AlignVCenter, QLocale().toString(v, 'f', 0));
        p.restore();
    }
    p.setPen(palette().text().color());
    p.drawRect(plot);
    if (!axisTitle_.isEmpty()) {
        p.save();
        p.translate(area.left() + line, plot.center().y());
        p.rotate(-90);
        p.drawText(QRect(-plot.height() / 2, -line, plot.height(), line), Qt::AlignCenter, axisTitle_);
        p.restore();
    }

    const int n = PointCount();
    if (n == 0) {
        p.restore();
        return;
    }
    // Points: equally spaced over the width (areas) or in the middle of their slot (bars).
    const double slot = double(plot.width()) / n;
    auto x = [&](int i) {
        if (style_ == Style::Bars || n == 1) return plot.left() + slot * (i + 0.5);
        return plot.left() + double(plot.width()) * i / (n - 1);
    };

    p.save();
    p.setClipRect(plot);
    for (int s = 0; s < int(series_.size()); ++s) {
        const Series& ser = series_[s];
        const int count = int(ser.values.size());
        if (count == 0) continue;
        p.setPen(ser.color.darker(130));
        p.setBrush(ser.color);
        if (style_ == Style::Bars) {
            const double w = slot * 0.6;
            for (int i = 0; i < count; ++i) {
                const double top = StackedValue(s, i), bottom = top - ser.values[i];
                p.drawRect(QRectF(QPointF(x(i) - w / 2, y(top)), QPointF(x(i) + w / 2, y(bottom))));
            }
            continue;
        }
        QPainterPath path;
        path.moveTo(x(0), y(StackedValue(s, 0)));
        for (int i = 1; i < count; ++i) path.lineTo(x(i), y(StackedValue(s, i)));
        for (int i = count - 1; i >= 0; --i) path.lineTo(x(i), y(StackedValue(s, i) - ser.values[i]));
        path.closeSubpath();
        p.drawPath(path);
    }
    p.restore();

    // Value labels, then the category labels below the axis (every k-th where they would overlap).
    if (format_) {
        p.setPen(palette().text().color());
        for (int s = 0; s < int(series_.size()); ++s)
            for (int i = 0; i < int(series_[s].values.size()); ++i) {
                const QString text = format_(s, i, series_[s].values[i]);
                if (text.isEmpty()) continue;
                const double top = StackedValue(s, i);
                const double at = style_ == Style::Bars ? y(top - series_[s].values[i] / 2) : y(top) - line / 2.0;
                const int tw = fm.horizontalAdvance(text) + 6;
                QRectF box(x(i) - tw / 2.0, at - line / 2.0, tw, line);
                p.fillRect(box, QColor(255, 255, 224));
                p.drawRect(box);
                p.drawText(box, Qt::AlignCenter, text);
            }
    }
    int widest = 1;
    for (const QString& l : labels_) widest = std::max(widest, fm.horizontalAdvance(l) + 8);
    const int every = std::max(1, int(std::ceil(widest / std::max(1.0, style_ == Style::Bars ? slot : plot.width() / std::max(1.0, n - 1.0)))));
    p.setPen(palette().text().color());
    for (int i = 0; i < labels_.size(); i += every)
        if (!labels_[i].isEmpty())
            p.drawText(QRectF(x(i) - widest / 2.0, plot.bottom() + 4, widest, line), Qt::AlignCenter, labels_[i]);
    p.restore();
}

}  // namespace vantum::sizelog
