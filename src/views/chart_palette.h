#pragma once
// Fixed colours of the bar and pie charts and of the window parts drawn in the same scheme.

#include <QColor>
#include <array>

namespace vantum::views {

// Eleven blues, light to dark, for the sub-folder entries (see ChartPaletteIndex).
inline const std::array<QColor, 11> kChartPalette = {
    QColor(153, 192, 252), QColor(136, 182, 252), QColor(68, 168, 251), QColor(0, 152, 249),
    QColor(0, 144, 244),   QColor(0, 130, 233),   QColor(0, 116, 227), QColor(0, 102, 198),
    QColor(0, 84, 195),    QColor(0, 54, 153),    QColor(0, 40, 146),
};

// The "<All files in folder>" entry, the free-space labels, chart titles, axis labels, foot texts.
inline const QColor kFilesColour(255, 219, 157);
// The "<Empty space on disc>" entry.
inline const QColor kFreeSpaceColour(255, 255, 255);

// Window scheme colours the charts use as defaults.
inline const QColor kBarChartBackground(0xA6, 0xCA, 0xF0);
inline const QColor kPieChartBackground(0x3E, 0x9A, 0xDE);
inline const QColor kBarGradientColour(0x3E, 0x9A, 0xDE);

}  // namespace vantum::views
