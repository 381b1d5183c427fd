#pragma once
// Empties a folder of cached data for good: every file and link below it is unlinked and the
// emptied sub-folders removed; the folder itself stays. Links are never followed, other file
// systems never entered, and only regular files and links of the user are removed (sockets,
// FIFOs, devices and other users' files are skipped and reported).

#include <string>

#include "cleaning/clean_report.h"

namespace vantum::cleaning {

// With listOnly nothing is touched: the report says what a clean would remove. A missing folder
// is an empty report. Sizes are disk usage (st_blocks * 512). The report's removed names are
// the folder itself once (not every file); items counts the files.
CleanReport CleanFolderContents(const std::string& folder, bool listOnly);

}  // namespace vantum::cleaning
