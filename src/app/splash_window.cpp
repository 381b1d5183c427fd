#include "app/splash_window.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>

#include "app/color_scheme.h"

namespace vantum::app {

TSplashForm::TSplashForm(const QRect& centreOn)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SplashForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWidth, kHeight);
    setWindowOpacity(240.0 / 255.0);
    QBitmap mask(QStringLiteral(":/vantum/splash_mask.png"));
    if (!mask.isNull()) setMask(mask);
    QRect r(QPoint(0, 0), size());
    r.moveCenter(centreOn.center());
    move(r.topLeft());
}

void TSplashForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, colors::kWindow);
    g.setColorAt(1, colors::kSelection);
    p.fillRect(rect(), g);
    p.setPen(colors::kAccent);
    QFont f = font();
    f.setPointSize(28);
    f.setBold(true);
    p.setFont(f);
    p.drawText(rect().adjusted(0, 0, 0, -40), Qt::AlignCenter, QStringLiteral("Vantum"));
    f.setPointSize(10);
    f.setBold(false);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(rect().adjusted(0, 60, 0, 0), Qt::AlignCenter,
               QStringLiteral("Version ") + QStringLiteral(VANTUM_VERSION));
}

void TSplashForm::RollUpAndClose() {
    auto* anim = new QPropertyAnimation(this, "geometry", this);
    const QRect from = geometry();
    QRect to = from;
    to.setTop(from.center().y());
    to.setHeight(1);
    anim->setDuration(kRollUpMs);
    anim->setStartValue(from);
    anim->setEndValue(to);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    clearMask();
    connect(anim, &QPropertyAnimation::finished, this, &QWidget::close);
    anim->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace vantum::app
