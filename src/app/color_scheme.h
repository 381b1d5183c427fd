#pragma once
// The window's colours, in one place. The chart palette belongs to the charts.

#include <QColor>

class QWidget;

namespace vantum::app {

namespace colors {
inline const QColor kWindow{0xA6, 0xCA, 0xF0};       // window, menus, status bar, combo, bands
inline const QColor kSelection{0x3E, 0x9A, 0xDE};    // menu selection, gauge background
inline const QColor kAccent{0xFF, 0xDB, 0x9D};       // titles, labels, gauge bar
inline const QColor kTipBackground{0xFF, 0xFF, 0x99};
inline const QColor kTipFrame{0xFF, 0xCC, 0x00};     // "$00ccff" read as blue-green-red
inline const QColor kTreeListBackground{Qt::white};
inline const QColor kMenuBarPlain{Qt::white};
}  // namespace colors

// The widgets the scheme colours; any of them may be null.
struct ColorSchemeTargets {
    QWidget* window = nullptr;
    QWidget* menuBar = nullptr;
    QWidget* statusBar = nullptr;
    QWidget* coolBar = nullptr;
    QWidget* historyCombo = nullptr;
    QWidget* gauge = nullptr;
};

// Applies the scheme; the menu bar is blue only with "Blue Design" checked.
void ApplyColorScheme(const ColorSchemeTargets& targets, bool blueDesign);

}  // namespace vantum::app
