#include "export/text_export.h"

#include "export/export_texts.h"
#include "export/output_file.h"

namespace vantum::exporting {
namespace {

const char* kCrLf = "\r\n";

// Length of the UTF-8 sequence at s[i], or 1 for a byte that starts none.
size_t UnitLength(const std::string& s, size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
    if (len == 1 || i + len > s.size()) return 1;
    for (size_t k = 1; k < len; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    return len;
}

std::string ToBytes(const QString& s) { return s.toUtf8().toStdString(); }

std::string OneLine(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return s;
}

}  // namespace

std::string FixedWidthLine(const std::string* fields, int count) {
    std::string line;
    for (int f = 0; f < count; ++f) {
        const std::string& s = fields[f];
        const int width = kTextColumnWidths[f];
        line += ' ';
        int units = 0;
        size_t i = 0;
        while (i < s.size() && units < width) {
            size_t n = UnitLength(s, i);
            line.append(s, i, n);
            i += n;
            ++units;
        }
        line.append(static_cast<size_t>(width - units), ' ');
    }
    return line;
}

std::string TextExport(const ExportRows& rows, const ExportSettings& settings) {
    const QLocale loc = GroupingLocale(settings.locale);
    std::string out;
    out.reserve(128 * (rows.rows.size() + 12));
    auto line3 = [&](const std::string& a, const std::string& b, const std::string& c) {
        const std::string f[3] = {a, b, c};
        out += FixedWidthLine(f, 3);
        out += kCrLf;
    };
    auto blank = [&] { out += " \r\n"; };

    line3(OneLine(ToBytes(settings.headerText)), "  ", ToBytes(FormatExportDate(settings.now, loc)));
    blank();
    out += ' ' + OneLine(rows.folderPath) + kCrLf;
    blank();
    line3("Folder Name", "Size of files / MB", "Cumulated size / MB");
    blank();
    for (const ExportRow& r : rows.rows)
        line3(OneLine(r.name), ToBytes(FormatMegabytes(r.filesSize, loc)),
              ToBytes(FormatMegabytes(r.cumulatedSize, loc)));
    blank();
    line3(std::string(49, '-'), std::string(24, '-'), std::string(24, '-'));
    line3("Summary:", ToBytes(FormatMegabytes(rows.filesTotal, loc)),
          ToBytes(FormatMegabytes(rows.cumulatedTotal, loc)));
    return out;
}

void WriteTextExport(const ExportRows& rows, const ExportSettings& settings, const std::string& target) {
    SaveWhole(target, TextExport(rows, settings));
}

}  // namespace vantum::exporting
