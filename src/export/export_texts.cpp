#include "export/export_texts.h"

namespace vantum::exporting {

QString FormatMegabytes(long double megabytes, const QLocale& locale) {
    if (locale.numberOptions() & QLocale::OmitGroupSeparator)
        return GroupingLocale(locale).toString(static_cast<double>(megabytes), 'f', 2) + QStringLiteral(" MB");
    return locale.toString(static_cast<double>(megabytes), 'f', 2) + QStringLiteral(" MB");
}

QLocale GroupingLocale(const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() & ~QLocale::OmitGroupSeparator);
    return l;
}

QString FormatExportDate(const QDateTime& when, const QLocale& locale) {
    return locale.toString(when, QStringLiteral("ddd, dd MMM yy"));
}

QString DisplayText(const std::string& bytes) {
    // QString::fromUtf8 replaces each invalid sequence with U+FFFD.
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString WithoutControls(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) continue;
        out.append(c);
    }
    return out;
}

}  // namespace vantum::exporting
