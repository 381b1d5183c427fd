#include "app/tip_window.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QPainter>

#include "app/color_scheme.h"

namespace vantum::app {

TMyHintWindow::TMyHintWindow() : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TMyHintWindow"));
    setMargin(4);
    setTextFormat(Qt::PlainText);
    QPalette p = palette();
    p.setColor(QPalette::Window, colors::kTipBackground);
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    hide_.setSingleShot(true);
    hide_.setInterval(kHidePause);
    connect(&hide_, &QTimer::timeout, this, &QWidget::hide);
}

void TMyHintWindow::ShowTip(const QPoint& globalPos, const QString& text) {
    // The classic tips use \r\n; a bare \r would show as a box.
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setText(t.trimmed());
    adjustSize();
    move(globalPos + QPoint(2, 18));
    show();
    raise();
    hide_.start();
}

void TMyHintWindow::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    QPainter p(this);
    QPen pen(colors::kTipFrame);
    pen.setWidth(2);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // The outline runs inside the tip's edge: the client area grown by one pixel to the right
    // and at the bottom, with the 2-pixel pen centred on it.
    QRectF r(1, 1, width() - 1, height() - 1);
    p.drawRect(r);
}

TipController::TipController(QWidget* window, QObject* parent) : QObject(parent), window_(window) {
    qApp->installEventFilter(this);
}

TipController::~TipController() { qApp->removeEventFilter(this); }

void TipController::SetHintsEnabled(bool on) {
    enabled_ = on;
    if (!on) tip_.hide();
}

bool TipController::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !window_ || w->window() != window_) break;
        // Menus show the tips of their entries themselves.
        if (qobject_cast<QMenu*>(w)) break;
        if (!enabled_) return true;
        if (w->toolTip().isEmpty()) break;
        tip_.ShowTip(static_cast<QHelpEvent*>(event)->globalPos(), w->toolTip());
        return true;
    }
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::WindowDeactivate:
        if (tip_.isVisible() && watched != &tip_) tip_.hide();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vantum::app
