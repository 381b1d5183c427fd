#include "views/pie_chart.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "views/chart_palette.h"

namespace vantum::views {

namespace {

constexpr int kArrow = 8;
constexpr double kStartRotation = 5.0;
constexpr double kTilt = 0.6;    // vertical squeeze of the 3D view
constexpr double kRim = 0.2;     // rim height relative to the horizontal radius

double Rad(double deg) { return deg * std::numbers::pi / 180.0; }

double Norm(double deg) {
    double d = std::fmod(deg, 360.0);
    return d < 0 ? d + 360.0 : d;
}

}  // namespace

Pies::Pies(QWidget* parent) : ChartView(parent) {
    setObjectName(QStringLiteral("Pies"));
    background_ = kPieChartBackground;
    RestoredMark()->setObjectName(QStringLiteral("Restored2"));
    FreeSpaceLabel()->setObjectName(QStringLiteral("FreeSpace1Lb2"));
    setToolTip(QStringLiteral("Left click on Pie to visualize that folder\nRight click on Pie to open explorer in that folder"));
}

void Pies::SetElliptic(bool on) {
    elliptic_ = on;
    update();
}

void Pies::SetExplodeBiggest(bool on) {
    explode_ = on;
    update();
}

void Pies::SetRotation(int degrees) {
    rotation_ = static_cast<int>(Norm(degrees));
    update();
}

QPointF Pies::Layout::At(const Slice& s, double deg, double scale) const {
    return centre + s.offset + QPointF(rx * scale * std::cos(Rad(deg)), -ry * scale * std::sin(Rad(deg)));
}

Pies::Layout Pies::MakeLayout(const QRect& room, const QFontMetrics& fm) const {
    Layout l;
    QRectF r = RoomBesideLegend(fm, room);
    if (MarksVisible() && model_ && !model_->empty()) {
        int widest = 0;
        for (int i = 0; i < model_->count(); ++i) widest = std::max(widest, fm.horizontalAdvance(model_->entries[static_cast<size_t>(i)].label));
        widest += fm.horizontalAdvance(QStringLiteral(" 0,000.00 MB")) + 8;
        const double mx = std::min<double>(widest + kArrow + 4, r.width() * 0.25);
        const double my = fm.height() + kArrow + 6;
        r.adjust(mx, my, -mx, -my);
    }
    double w = std::max(10.0, r.width()), h = std::max(10.0, r.height());
    // The moved-out slice reaches a tenth of the radius further: the pie is made smaller so
    // that it still fits, rim included.
    if (explode_) {
        w /= 1.1;
        h /= 1.1;
    }
    if (Is3D()) {
        if (elliptic_) {
            l.depth = h * 0.12;
            l.rx = w / 2;
            l.ry = (h - l.depth) / 2;
        } else {
            l.rx = std::min(w / 2, h / (2 * kTilt + kRim));
            l.ry = l.rx * kTilt;
            l.depth = l.rx * kRim;
        }
    } else if (elliptic_) {
        l.rx = w / 2;
        l.ry = h / 2;
    } else {
        l.rx = l.ry = std::min(w, h) / 2;
    }
    l.centre = QPointF(r.center().x(), r.center().y() - l.depth / 2);

    if (!model_ || model_->empty()) return l;
    const double total = model_->total();
    if (total <= 0) return l;
    int biggest = -1;
    if (explode_) {
        double best = -1;
        for (int i = 0; i < model_->count(); ++i) {
            const double v = model_->entries[static_cast<size_t>(i)].value.ToDouble();
            if (v > best) best = v, biggest = i;
        }
    }
    double angle = kStartRotation + rotation_;
    for (int i = 0; i < model_->count(); ++i) {
        Slice s;
        s.start = Norm(angle);
        s.span = model_->entries[static_cast<size_t>(i)].value.ToDouble() * 360.0 / total;
        angle += s.span;
        if (i == biggest && s.span < 360.0) {
            const double mid = Rad(s.start + s.span / 2);
            s.offset = QPointF(0.1 * l.rx * std::cos(mid), -0.1 * l.ry * std::sin(mid));
        }
        l.slices.push_back(s);
    }
    return l;
}

void Pies::Draw(QPainter& p, const QRect& area) const {
    p.save();
    QRect room = DrawFrame(p, area, false);
    p.setFont(font());
    QFontMetrics fm = p.fontMetrics();
    DrawLegend(p, room);
    const Layout l = MakeLayout(room, fm);
    if (l.slices.empty()) {
        p.restore();
        return;
    }
    // Slices are filled without antialiasing and outlined once: hundreds of antialiased pies
    // would cost a full rasterisation each.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    const QPen edge(QColor(0, 0, 0, 110), 0);
    auto arc = [&](const Slice& s, double a0, double a1, double dy) {
        QPolygonF poly;
        const int steps = std::max(1, static_cast<int>(std::ceil((a1 - a0) / 3.0)));
        for (int k = 0; k <= steps; ++k) poly << l.At(s, a0 + (a1 - a0) * k / steps) + QPointF(0, dy);
        return poly;
    };

    if (l.depth > 0) {
        // The rim: the lower half of each slice's outline extruded down, far pieces first.
        struct Wall {
            int index;
            double a0, a1;
        };
        std::vector<Wall> walls;
        for (int i = 0; i < static_cast<int>(l.slices.size()); ++i) {
            const Slice& s = l.slices[static_cast<size_t>(i)];
            if (s.span <= 0) continue;
            for (double base : {0.0, 360.0}) {
                const double a0 = std::max(s.start, base + 180.0), a1 = std::min(s.start + s.span, base + 360.0);
                if (a1 > a0) walls.push_back({i, a0, a1});
            }
        }
        std::sort(walls.begin(), walls.end(), [](const Wall& a, const Wall& b) {
            auto far = [](const Wall& w) { return std::abs(Norm((w.a0 + w.a1) / 2) - 270.0); };
            return far(a) > far(b);
        });
        for (const Wall& w : walls) {
            const Slice& s = l.slices[static_cast<size_t>(w.index)];
            QPolygonF poly = arc(s, w.a0, w.a1, 0);
            QPolygonF lower = arc(s, w.a0, w.a1, l.depth);
            std::reverse(lower.begin(), lower.end());
            poly << lower;
            p.setBrush(model_->entries[static_cast<size_t>(w.index)].colour.darker(140));
            p.drawPolygon(poly);
        }
    }

    // Top faces never overlap, so all slices of one colour are filled in one go: the palette
    // has a dozen colours, and each fill call has a fixed cost that hundreds of slices add up.
    std::vector<std::pair<QRgb, QPainterPath>> faces;
    for (int i = 0; i < static_cast<int>(l.slices.size()); ++i) {
        const Slice& s = l.slices[static_cast<size_t>(i)];
        if (s.span <= 0) continue;
        QPolygonF poly = arc(s, s.start, s.start + s.span, 0);
        if (s.span < 360.0) poly.prepend(l.centre + s.offset);
        const QRgb colour = model_->entries[static_cast<size_t>(i)].colour.rgba();
        auto it = std::find_if(faces.begin(), faces.end(), [&](const auto& f) { return f.first == colour; });
        if (it == faces.end()) it = faces.insert(faces.end(), {colour, QPainterPath()});
        it->second.addPolygon(poly);
        it->second.closeSubpath();
    }
    for (const auto& [colour, path] : faces) p.fillPath(path, QColor::fromRgba(colour));

    // Outlines: the pie's edge, the rim's lower edge and the cuts between slices wide enough
    // to show one.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(edge);
    p.setBrush(Qt::NoBrush);
    for (const Slice& s : l.slices) {
        if (s.span <= 0) continue;
        p.drawPolyline(arc(s, s.start, s.start + s.span, 0));
        if (l.depth > 0) {
            for (double base : {0.0, 360.0}) {
                const double a0 = std::max(s.start, base + 180.0), a1 = std::min(s.start + s.span, base + 360.0);
                if (a1 > a0) p.drawPolyline(arc(s, a0, a1, l.depth));
            }
        }
    }
    if (l.depth > 0) {
        const Slice still;
        p.drawLine(l.At(still, 180.0), l.At(still, 180.0) + QPointF(0, l.depth));
        p.drawLine(l.At(still, 360.0), l.At(still, 360.0) + QPointF(0, l.depth));
    }
    for (const Slice& s : l.slices) {
        if (s.span <= 0 || s.span >= 360.0) continue;
        if (Rad(s.span) * std::max(l.rx, l.ry) < 3.0) continue;
        p.drawLine(l.centre + s.offset, l.At(s, s.start));
        p.drawLine(l.centre + s.offset, l.At(s, s.start + s.span));
    }

    if (MarksVisible()) {
        p.setRenderHint(QPainter::Antialiasing, false);
        QLocale locale;
        for (const auto& [i, box] : MarkBoxesIn(l, fm, RoomBesideLegend(fm, room))) {
            const Slice& s = l.slices[static_cast<size_t>(i)];
            const double mid = s.start + s.span / 2;
            const double c = std::cos(Rad(mid)), sn = std::sin(Rad(mid));
            QPointF edgePoint = l.At(s, mid);
            if (sn < 0) edgePoint += QPointF(0, l.depth);
            // The line runs from the slice to the near edge of its box.
            const QPointF to(c >= 0 ? box.left() : box.right(), box.center().y());
            p.setPen(Qt::black);
            p.drawLine(edgePoint, to);
            PaintMark(p, box, model_->MarkText(i, locale));
        }
    }
    p.restore();
}

std::vector<std::pair<int, QRect>> Pies::MarkBoxesIn(const Layout& l, const QFontMetrics& fm, const QRect& bounds) const {
    std::vector<std::pair<int, QRect>> out;
    if (!model_) return out;
    // Biggest slices first: where marks would collide, the smallest slices lose theirs.
    std::vector<int> order(l.slices.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return model_->entries[static_cast<size_t>(a)].value.units > model_->entries[static_cast<size_t>(b)].value.units;
    });
    std::vector<QRect> taken;
    QLocale locale;
    for (int i : order) {
        const Slice& s = l.slices[static_cast<size_t>(i)];
        const double mid = s.start + s.span / 2;
        const double c = std::cos(Rad(mid)), sn = std::sin(Rad(mid));
        QPointF edgePoint = l.At(s, mid);
        if (sn < 0) edgePoint += QPointF(0, l.depth);
        const QPointF tip = edgePoint + QPointF(kArrow * c, -kArrow * sn);
        const QRect box = PlaceMark(fm, tip.toPoint(), model_->MarkText(i, locale), c >= 0, taken, bounds);
        if (!box.isNull()) out.emplace_back(i, box);
    }
    return out;
}

std::vector<std::pair<int, QRect>> Pies::MarkBoxes(const QRect& area) const {
    const QFontMetrics fm(font());
    const QRect room = FrameRoom(area);
    return MarkBoxesIn(MakeLayout(room, fm), fm, RoomBesideLegend(fm, room));
}

QRect Pies::PieRoom(const QRect& area) const {
    const QFontMetrics fm(font());
    return RoomBesideLegend(fm, FrameRoom(area));
}

QRectF Pies::PieBounds(const QRect& area) const {
    const Layout l = MakeLayout(FrameRoom(area), QFontMetrics(font()));
    QRectF bounds;
    for (const Slice& s : l.slices) {
        const QPointF c = l.centre + s.offset;
        bounds |= QRectF(c.x() - l.rx, c.y() - l.ry, 2 * l.rx, 2 * l.ry + l.depth);
    }
    return bounds;
}

int Pies::SliceAt(const Layout& l, const QPointF& q) const {
    // The moved-out slice first: it lies over its neighbours.
    std::vector<int> order(l.slices.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_partition(order.begin(), order.end(), [&](int i) { return !l.slices[static_cast<size_t>(i)].offset.isNull(); });
    for (int i : order) {
        const Slice& s = l.slices[static_cast<size_t>(i)];
        if (s.span <= 0) continue;
        const QPointF c = l.centre + s.offset;
        const double u = (q.x() - c.x()) / l.rx, v = -(q.y() - c.y()) / l.ry;
        if (u * u + v * v > 1.0) continue;
        const double a = Norm(std::atan2(v, u) * 180.0 / std::numbers::pi);
        if (Norm(a - s.start) <= s.span) return i;
    }
    return -1;
}

int Pies::EntryAt(const QPoint& pos) const {
    const Layout l = MakeLayout(FrameRoom(rect()), QFontMetrics(font()));
    if (l.slices.empty()) return -1;
    int i = SliceAt(l, pos);
    if (i < 0 && l.depth > 0) {
        // On the rim: the slice above that point of the outline.
        const QPointF up(pos.x(), pos.y() - l.depth);
        i = SliceAt(l, up);
        if (i >= 0) {
            const Slice& s = l.slices[static_cast<size_t>(i)];
            const QPointF c = l.centre + s.offset;
            if (pos.y() < c.y()) i = -1;  // the rim is only below the centre line
        }
    }
    return i;
}

QPointF Pies::SliceCentre(int index, const QRect& area) const {
    const Layout l = MakeLayout(FrameRoom(area), QFontMetrics(font()));
    if (index < 0 || index >= static_cast<int>(l.slices.size())) return {};
    const Slice& s = l.slices[static_cast<size_t>(index)];
    if (s.span <= 0) return {};
    return l.At(s, s.start + s.span / 2, 0.6);
}

}  // namespace vantum::views
