#pragma once
// What the writers need besides the rows: the texts and choices of the export dialog, the
// locale the numbers and the date are written in and the moment of the export.

#include <QColor>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace vantum::exporting {

struct ExportSettings {
    QString headerText = QStringLiteral("Vantum folder size");
    QString csvDelimiter = QStringLiteral(";");
    QString numberFormat = QStringLiteral("0.00");  // spreadsheet size cells
    // HTML report.
    QColor textColour{0x22, 0x22, 0x00};
    QColor linkColour{0xAA, 0xBB, 0x00};
    QColor backgroundColour{0xC3, 0xD7, 0xF8};
    QString bodyFontSize = QStringLiteral("4");
    QString headFontSize = QStringLiteral("6");
    QLocale locale;
    QDateTime now = QDateTime::currentDateTime();
};

// Widths of the three columns of the fixed-width text export.
inline constexpr int kTextColumnWidths[3] = {50, 25, 25};

}  // namespace vantum::exporting
