#pragma once
// The delimited ("CSV") export: RFC 4180 fields, lines ended by CR LF.

#include <QString>
#include <string>

#include "export/export_rows.h"
#include "export/export_settings.h"

namespace vantum::exporting {

// Whether the text is a delimiter the CSV export takes: ",", ";", TAB or "|".
bool IsCsvDelimiter(const QString& delimiter);
// The message for any other delimiter.
QString CsvDelimiterMessage();

// One field: a leading =, +, -, @, TAB or CR gets a "'" in front (so that a spreadsheet
// does not run it as a formula); a field holding the delimiter, a quote, CR or LF is quoted
// with its quotes doubled. Bytes are kept as they are otherwise.
std::string CsvField(const std::string& bytes, char delimiter);

// The whole file. ExportError when the delimiter is not one of IsCsvDelimiter.
std::string CsvExport(const ExportRows& rows, const ExportSettings& settings);
// Writes CsvExport to target, replacing it only when complete. ExportError naming the file.
void WriteCsvExport(const ExportRows& rows, const ExportSettings& settings, const std::string& target);

}  // namespace vantum::exporting
