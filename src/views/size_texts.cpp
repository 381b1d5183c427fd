#include "views/size_texts.h"

#include <QLocale>

#include "core/size_format.h"

namespace vantum::views {

namespace {

// The core writes '.'; the locale's separator may be more than one byte, so swap it here.
QString Localised(const std::string& text) {
    QString s = QString::fromStdString(text);
    const QString sep = QLocale().decimalPoint();
    if (sep != QLatin1String(".")) s.replace(QLatin1Char('.'), sep);
    return s;
}

}  // namespace

QString SizeCellText(double megabytes) { return Localised(FormatSize(megabytes)); }

QString RankingSizeText(double megabytes) {
    if (megabytes > 1024)
        return Localised(FixedToText(RoundTo2Decimals(Fixed4::FromDouble(megabytes / 1024)))) + " Gb";
    return Localised(FixedToText(RoundTo2Decimals(Fixed4::FromDouble(megabytes)))) + " Mb";
}

}  // namespace vantum::views
