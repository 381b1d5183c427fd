#pragma once
// The fixed-width text export: columns of 50, 25 and 25 characters, each led by a blank,
// lines ended by CR LF.

#include <string>

#include "export/export_rows.h"
#include "export/export_settings.h"

namespace vantum::exporting {

// The whole file. Names keep their bytes; control characters in them become '?' so that
// every row stays one line.
std::string TextExport(const ExportRows& rows, const ExportSettings& settings);
// Writes TextExport to target, replacing it only when complete. ExportError naming the file.
void WriteTextExport(const ExportRows& rows, const ExportSettings& settings, const std::string& target);

// One blank, then the field padded with blanks or cut to width, for each field. Widths count
// characters: a UTF-8 sequence is one, so is each byte that is not valid UTF-8.
std::string FixedWidthLine(const std::string* fields, int count);

}  // namespace vantum::exporting
