#pragma once
// The texts shared by the writers: sizes as "%n MB", the date as "ddd, dd mmm yy", and names
// made safe for formats that need valid Unicode.

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <string>

namespace vantum::exporting {

// Thousands separators and exactly two decimals in the locale's form, a blank and "MB":
// "1,234.50 MB" (C, en_US), "1.234,50 MB" (de_DE).
QString FormatMegabytes(long double megabytes, const QLocale& locale);
// The locale with its thousands separator switched on (the C locale leaves it out); writers
// make it once, so that FormatMegabytes needs no copy per number.
QLocale GroupingLocale(const QLocale& locale);
// Abbreviated day name, ", ", two-digit day, month abbreviation, two-digit year.
QString FormatExportDate(const QDateTime& when, const QLocale& locale);

// A name or path of the tree as Unicode text: valid UTF-8 as it is, every other byte as U+FFFD.
QString DisplayText(const std::string& bytes);
// text without the C0 and C1 control characters (TAB, LF and CR included).
QString WithoutControls(const QString& text);

}  // namespace vantum::exporting
