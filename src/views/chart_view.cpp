#include "views/chart_view.h"

#include <algorithm>
#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include "views/chart_palette.h"

namespace vantum::views {

namespace {
constexpr int kPad = 4;
const QColor kMarkFill(255, 255, 225);
const QColor kMarkBorder(128, 128, 128);
const QColor kBorder(96, 96, 96);
}  // namespace

ChartView::ChartView(QWidget* parent)
    : QWidget(parent),
      background_(kBarChartBackground),
      textColour_(kFilesColour),
      title_(kNoChartTitle),
      foot_(QStringLiteral("Size in MB")) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 100);

    restoredMark_ = new QLabel(this);
    restoredMark_->setPixmap(style()->standardIcon(QStyle::SP_DialogOpenButton).pixmap(16, 16));
    restoredMark_->setToolTip(QStringLiteral("Size tree reloaded"));
    restoredMark_->move(6, 6);
    restoredMark_->hide();

    freeSpace_ = new QLabel(this);
    freeSpace_->setAttribute(Qt::WA_TranslucentBackground);
    freeSpace_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette pal = freeSpace_->palette();
    pal.setColor(QPalette::WindowText, kFilesColour);
    freeSpace_->setPalette(pal);
    freeSpace_->hide();
}

ChartView::~ChartView() = default;

void ChartView::SetModel(std::shared_ptr<const ChartModel> model) {
    model_ = std::move(model);
    foot_ = QStringLiteral("Size in ") + (model_ ? model_->unitText : QStringLiteral("MB"));
    hovered_ = -1;
    update();
}

void ChartView::ClearSeries() { SetModel(nullptr); }

void ChartView::SetTitle(const QString& title) {
    title_ = title;
    update();
}

void ChartView::SetMarksVisible(bool on) {
    marks_ = on;
    update();
}

void ChartView::SetLegendVisible(bool on) {
    legend_ = on;
    update();
}

void ChartView::Set3D(bool on) {
    view3D_ = on;
    update();
}

void ChartView::SetBackground(const QColor& c) {
    background_ = c;
    update();
}

void ChartView::SetTextColour(const QColor& c) {
    textColour_ = c;
    update();
}

void ChartView::SetRestoredVisible(bool on) {
    restored_ = on;
    restoredMark_->setVisible(on);
}

void ChartView::SetFreeSpaceText(const QString& text) {
    freeSpace_->setText(text);
    freeSpace_->adjustSize();
    freeSpace_->setVisible(!text.isEmpty());
    PlaceLabels();
}

QString ChartView::FreeSpaceText() const { return freeSpace_->text(); }

void ChartView::PlaceLabels() {
    int y = height() - freeSpace_->height() - 4;
    // Beside the centred foot text when there is room, else a line above it.
    const int footRight = (width() + fontMetrics().horizontalAdvance(foot_)) / 2 + 6;
    if (width() - freeSpace_->width() - 6 < footRight) y -= fontMetrics().height() + 2;
    freeSpace_->move(width() - freeSpace_->width() - 6, y);
}

QImage ChartView::Render(const QSize& size) const {
    QSize s = size.isValid() ? size : this->size();
    QImage img(s, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    Draw(p, QRect(QPoint(0, 0), s));
    return img;
}

void ChartView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Draw(p, rect());
    PaintOverlay(p);
}

void ChartView::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    PlaceLabels();
}

void ChartView::mousePressEvent(QMouseEvent* e) {
    emit mousePressed();
    const QPoint pos = e->position().toPoint();
    const int index = EntryAt(pos);
    if (index >= 0) {
        emit entryClicked(index, e->button());
        return;
    }
    if (BeginDrag(e->button(), pos)) {
        dragging_ = true;
        dragButton_ = e->button();
    }
}

void ChartView::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if (dragging_) {
        UpdateDrag(pos);
        return;
    }
    const int index = EntryAt(pos);
    setCursor(index >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (index != hovered_) {
        hovered_ = index;
        emit entryHovered(index);
    }
}

void ChartView::mouseReleaseEvent(QMouseEvent* e) {
    bool wasDrag = false;
    if (dragging_ && e->button() == dragButton_) {
        wasDrag = EndDrag(e->position().toPoint());
        dragging_ = false;
        dragButton_ = Qt::NoButton;
    }
    emit mouseReleased();
    if (e->button() == Qt::RightButton && !wasDrag) OpenPopup(e->globalPosition().toPoint());
}

void ChartView::leaveEvent(QEvent*) {
    if (hovered_ != -1) {
        hovered_ = -1;
        emit entryHovered(-1);
    }
}

void ChartView::contextMenuEvent(QContextMenuEvent* e) {
    // Mouse menus open on the right button's release (after a possible pan); this is the
    // keyboard's menu key.
    e->accept();
    if (e->reason() != QContextMenuEvent::Mouse) OpenPopup(mapToGlobal(rect().center()));
}

void ChartView::OpenPopup(const QPoint& globalPos) {
    if (popup_) popup_->popup(globalPos);
}

QFont ChartView::TitleFont() const {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(font().pointSizeF() > 0 ? font().pointSizeF() + 1 : 10);
    f.setBold(true);
    return f;
}

QRect ChartView::DrawFrame(QPainter& p, const QRect& area, bool border) const {
    p.fillRect(area, background_);
    if (border) {
        p.setPen(kBorder);
        p.setBrush(Qt::NoBrush);
        p.drawRect(area.adjusted(0, 0, -1, -1));
    }
    QRect room = area.adjusted(kPad, kPad, -kPad, -kPad);

    p.setFont(TitleFont());
    QFontMetrics tfm = p.fontMetrics();
    p.setPen(textColour_);
    QRect titleRect(room.left(), room.top(), room.width(), tfm.height());
    p.drawText(titleRect, Qt::AlignCenter, tfm.elidedText(title_, Qt::ElideRight, room.width()));
    room.setTop(room.top() + tfm.height() + kPad);

    p.setFont(font());
    QFontMetrics fm = p.fontMetrics();
    QRect footRect(room.left(), room.bottom() - fm.height() + 1, room.width(), fm.height());
    p.drawText(footRect, Qt::AlignCenter, foot_);
    room.setBottom(room.bottom() - fm.height() - kPad);
    return room;
}

int ChartView::LegendWidth(const QFontMetrics& fm, const QRect& room) const {
    if (!legend_ || !model_ || model_->empty()) return 0;
    int widest = 0;
    for (const ChartEntry& e : model_->entries)
        widest = std::max(widest, fm.horizontalAdvance(QStringLiteral("100.00 % ") + e.label));
    const int box = fm.height();
    return std::min(widest + box + 4 * kPad, room.width() * 35 / 100);
}

QRect ChartView::FrameRoom(const QRect& area) const {
    QFontMetrics tfm(TitleFont());
    QFontMetrics fm(font());
    QRect room = area.adjusted(kPad, kPad, -kPad, -kPad);
    room.setTop(room.top() + tfm.height() + kPad);
    room.setBottom(room.bottom() - fm.height() - kPad);
    return room;
}

QRect ChartView::RoomBesideLegend(const QFontMetrics& fm, const QRect& room) const {
    const int w = LegendWidth(fm, room);
    if (w <= 0) return room;
    QRect left = room;
    left.setRight(room.right() - w - kPad);
    return left;
}

QRect ChartView::DrawLegend(QPainter& p, const QRect& room) const {
    QFontMetrics fm = p.fontMetrics();
    const int w = LegendWidth(fm, room);
    if (w <= 0) return room;
    const int rowH = fm.height() + 2;
    const int rows = std::min(model_->count(), std::max(0, (room.height() - 2 * kPad) / rowH));
    QRect box(room.right() - w + 1, room.top(), w, rows * rowH + 2 * kPad);
    box.moveTop(room.top() + std::max(0, (room.height() - box.height()) / 2));
    p.setPen(kBorder);
    p.setBrush(Qt::white);
    p.drawRect(box.adjusted(0, 0, -1, -1));

    const double total = model_->total();
    const QLocale locale;
    // Listed as the chart reads from the top: the last entry first.
    for (int r = 0; r < rows; ++r) {
        const int i = model_->count() - 1 - r;
        const ChartEntry& e = model_->entries[static_cast<size_t>(i)];
        const int y = box.top() + kPad + r * rowH;
        QRect swatch(box.left() + kPad, y + 2, fm.height() - 4, fm.height() - 4);
        p.setPen(kBorder);
        p.setBrush(e.colour);
        p.drawRect(swatch);
        double pct = total > 0 ? e.value.ToDouble() * 100.0 / total : 0.0;
        QString text = FormatChartValue(RoundTo2Decimals(Fixed4::FromDouble(pct)), QStringLiteral("%"), locale) +
                       QLatin1Char(' ') + e.label;
        p.setPen(Qt::black);
        QRect textRect(swatch.right() + kPad, y, box.right() - swatch.right() - 2 * kPad, fm.height());
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(text, Qt::ElideRight, textRect.width()));
    }
    return RoomBesideLegend(fm, room);
}

QRect ChartView::PlaceMark(const QFontMetrics& fm, const QPoint& anchor, const QString& text, bool toRight,
                           std::vector<QRect>& taken, const QRect& bounds) {
    const int w = fm.horizontalAdvance(text) + 2 * 3;
    const int h = fm.height() + 2;
    QRect box(toRight ? anchor.x() : anchor.x() - w, anchor.y() - h / 2, w, h);
    if (bounds.isValid()) {
        // Kept whole inside the chart: moved in, never cut at its edge.
        if (box.width() > bounds.width() || box.height() > bounds.height()) return {};
        box.moveLeft(std::clamp(box.left(), bounds.left(), bounds.right() - box.width() + 1));
        box.moveTop(std::clamp(box.top(), bounds.top(), bounds.bottom() - box.height() + 1));
    }
    for (const QRect& r : taken)
        if (r.intersects(box)) return {};
    taken.push_back(box);
    return box;
}

bool ChartView::DrawMark(QPainter& p, const QPoint& anchor, const QString& text, bool toRight,
                         std::vector<QRect>& taken) const {
    const QRect box = PlaceMark(p.fontMetrics(), anchor, text, toRight, taken);
    if (box.isNull()) return false;
    PaintMark(p, box, text);
    return true;
}

void ChartView::PaintMark(QPainter& p, const QRect& box, const QString& text) const {
    p.setPen(kMarkBorder);
    p.setBrush(kMarkFill);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignCenter, text);
}

}  // namespace vantum::views
