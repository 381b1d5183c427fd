#pragma once
// The spreadsheet export (.xlsx): the size list of a folder on the first sheet with its header
// block, the largest row marked red on yellow and the summary, and a column chart of the two
// sizes on a chart sheet of its own.
//
// Layout (n rows): 1 header text, date in C; 3 "Size list of Folder: "; 4 the folder's path;
// 6-7 the column headings; 9 .. 8+n one row per sub-folder (name, cumulated size, files
// size); 11+n "Summary" with both totals.

#include <QString>
#include <string>

#include "export/export_rows.h"
#include "export/export_settings.h"

namespace vantum::exporting {

// Writes the workbook to target, replacing it only when complete; ExportError when anything
// fails. Returns a warning for the user (empty when none): an invalid number format is
// replaced by "0.00". Without rows there is no chart (it would have no data).
QString WriteSpreadsheet(const ExportRows& rows, const ExportSettings& settings, const std::string& target);

}  // namespace vantum::exporting
