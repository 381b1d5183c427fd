#include "app/color_scheme.h"

#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QToolTip>
#include <QWidget>

namespace vantum::app {

namespace {

void Fill(QWidget* w, const QColor& background) {
    if (!w) return;
    QPalette p = w->palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::Button, background);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void ColorMenus(QWidget* menuBar) {
    if (!menuBar) return;
    for (QMenu* menu : menuBar->findChildren<QMenu*>()) {
        QPalette p = menu->palette();
        p.setColor(QPalette::Window, colors::kWindow);
        p.setColor(QPalette::Base, colors::kWindow);
        p.setColor(QPalette::Highlight, colors::kSelection);
        menu->setPalette(p);
    }
}

}  // namespace

void ApplyColorScheme(const ColorSchemeTargets& t, bool blueDesign) {
    Fill(t.window, colors::kWindow);
    Fill(t.statusBar, colors::kWindow);
    Fill(t.coolBar, colors::kWindow);
    if (t.historyCombo) {
        QPalette p = t.historyCombo->palette();
        p.setColor(QPalette::Base, colors::kWindow);
        p.setColor(QPalette::Button, colors::kWindow);
        t.historyCombo->setPalette(p);
    }
    if (t.menuBar) {
        const QColor bar = blueDesign ? colors::kWindow : colors::kMenuBarPlain;
        Fill(t.menuBar, bar);
        // The style paints the bar itself; the sheet makes it take the colour.
        t.menuBar->setStyleSheet(QStringLiteral("QMenuBar { background: %1; }"
                                                "QMenuBar::item:selected { background: %2; }")
                                     .arg(bar.name(), colors::kSelection.name()));
        QPalette p = t.menuBar->palette();
        p.setColor(QPalette::Highlight, colors::kSelection);
        t.menuBar->setPalette(p);
        ColorMenus(t.menuBar);
    }
    if (t.gauge) {
        t.gauge->setStyleSheet(QStringLiteral(
                                   "QProgressBar { background: %1; border: 1px solid %1; text-align: center;"
                                   " font-weight: bold; }"
                                   "QProgressBar::chunk { background: %2; }")
                                   .arg(colors::kSelection.name(), colors::kAccent.name()));
    }
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, colors::kTipBackground);
    tips.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tips);
}

}  // namespace vantum::app
