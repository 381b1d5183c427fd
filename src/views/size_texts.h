#pragma once
// Size texts of the list cells, with the locale's decimal separator.

#include <QString>

namespace vantum::views {

// FormatSize: " kb" below 1 MB, " Mb" below 1024 MB, else " Gb".
QString SizeCellText(double megabytes);

// The ranking's form: " Gb" only above 1024 MB, never kb ("1024 Mb", "1 Gb" for 1025 MB).
QString RankingSizeText(double megabytes);

}  // namespace vantum::views
