#pragma once
// The bar and pie chart of a folder drawn straight into images (never through the clipboard),
// for the HTML report when no window shows the charts. Needs a QApplication.

#include <QSize>

#include "export/html_report.h"

namespace vantum {
class TSizeFolder;
}

namespace vantum::exporting {

// Both charts of folder's children in their current order, with the charts' default options.
ChartPictures RenderChartPictures(const TSizeFolder& folder, const QSize& size = QSize(640, 400));

}  // namespace vantum::exporting
