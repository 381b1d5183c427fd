#pragma once
// Checking a spreadsheet number format before it goes into a workbook: a format that the
// spreadsheet program cannot read makes it "repair" the whole file.

#include <QString>

namespace vantum::exporting {

inline constexpr const char* kDefaultNumberFormat = "0.00";

// At most four sections split by ';', quotes and brackets closed, escapes complete, and
// outside them only the characters of number, date and time codes (or "General").
bool IsValidNumberFormat(const QString& format);

}  // namespace vantum::exporting
