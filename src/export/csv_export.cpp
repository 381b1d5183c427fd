#include "export/csv_export.h"

#include "export/export_error.h"
#include "export/export_texts.h"
#include "export/output_file.h"

namespace vantum::exporting {

bool IsCsvDelimiter(const QString& d) {
    return d == QLatin1String(",") || d == QLatin1String(";") || d == QLatin1String("\t") ||
           d == QLatin1String("|");
}

QString CsvDelimiterMessage() {
    return QStringLiteral("The CSV delimiter must be \",\", \";\", TAB or \"|\".");
}

std::string CsvField(const std::string& bytes, char delimiter) {
    std::string field;
    field.reserve(bytes.size() + 3);
    if (!bytes.empty() && std::string_view("=+-@\t\r").find(bytes[0]) != std::string_view::npos)
        field += '\'';
    field += bytes;
    if (field.find_first_of(std::string{delimiter, '"', '\r', '\n'}) == std::string::npos) return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string CsvExport(const ExportRows& rows, const ExportSettings& settings) {
    if (!IsCsvDelimiter(settings.csvDelimiter)) throw ExportError(CsvDelimiterMessage().toStdString());
    const char d = settings.csvDelimiter.at(0).toLatin1();
    const QLocale loc = GroupingLocale(settings.locale);
    auto field = [d](const std::string& s) { return CsvField(s, d); };
    auto size = [&](long double mb) { return field(FormatMegabytes(mb, loc).toUtf8().toStdString()); };

    std::string out;
    out.reserve(96 * (rows.rows.size() + 10));
    auto line = [&](std::initializer_list<std::string> fields) {
        bool first = true;
        for (const std::string& f : fields) {
            if (!first) out += d;
            out += f;
            first = false;
        }
        out += "\r\n";
    };
    line({field(settings.headerText.toUtf8().toStdString()), "",
          field(FormatExportDate(settings.now, loc).toUtf8().toStdString())});
    line({" "});
    line({field(rows.folderPath)});
    line({" "});
    line({"Folder Name", "Size of files / MB", "Cumulated size / MB"});
    for (const ExportRow& r : rows.rows) line({field(r.name), size(r.filesSize), size(r.cumulatedSize)});
    line({" "});
    line({"Summary", size(rows.filesTotal), size(rows.cumulatedTotal)});
    return out;
}

void WriteCsvExport(const ExportRows& rows, const ExportSettings& settings, const std::string& target) {
    SaveWhole(target, CsvExport(rows, settings));
}

}  // namespace vantum::exporting
