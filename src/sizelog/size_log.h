#pragma once
// The disk size log "Sizereport.log": one section per day, named by its date (YYYY-MM-DD), with
// the keys "Free" and "Used" in bytes as plain integers. Sections stand in the order in which
// their days were first written; a second entry on one day replaces that day's values.
//
// Logs written by older versions named their sections in the locale's date form and wrote the
// values in the locale's number form ("1,5E+11"); both are still read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sizelog/drive_totals.h"

namespace vantum::sizelog {

struct SizeLogEntry {
    std::string day;    // the section name as written (the chart's label)
    std::int64_t free = 0;  // bytes; a missing or unreadable value reads as 0
    std::int64_t used = 0;
};

struct SizeLogResult {
    bool ok = true;
    std::string message;  // for the user when !ok
    explicit operator bool() const { return ok; }
};

// Today's date in local time as YYYY-MM-DD.
std::string TodayIso();

// Reads a value as a number of bytes: an integer, or a floating-point number in general notation
// with '.' or ',' as decimal separator. Nothing when it is not a number.
std::optional<std::int64_t> ParseLogValue(const std::string& text);

// Every entry in file order; an empty list when the file is missing or unreadable.
std::vector<SizeLogEntry> ReadSizeLog(const std::string& path);

// Writes (or replaces) the entry of the given day.
SizeLogResult WriteSizeLogEntry(const std::string& path, const std::string& day, const DriveTotals& totals);
// Today's entry from the fixed drives into the log of the settings folder; the measured totals
// are returned through measured when given (the caller's new free-space baseline).
SizeLogResult WriteSizeLogEntry(DriveTotals* measured = nullptr);

// Deletes the log; a missing log is no failure.
SizeLogResult ClearSizeLog(const std::string& path);
// Removes the 1st, 3rd, 5th, ... entry, keeping the 2nd, 4th, ...
SizeLogResult HalveSizeLog(const std::string& path);

}  // namespace vantum::sizelog
