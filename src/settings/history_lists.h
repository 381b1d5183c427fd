#pragma once
// The two lists kept in the settings file: the folder history (section "HistoryCombo") and the
// folders with temporary files (section "TempListView"). Each is stored as "count" and the keys
// "0", "1", ... in list order.

#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_file.h"

namespace vantum::settings {

inline constexpr std::string_view kHistorySection = "HistoryCombo";
inline constexpr std::string_view kTempFoldersSection = "TempListView";
inline constexpr int kHistoryMaxWritten = 51;
inline constexpr int kTempFoldersMaxWritten = 49;

// Writes "count" and the first max entries; each key is removed before it is written, so it
// is appended anew in list order. Keys of a longer earlier list stay and are not read.
// Empty entries and those that cannot be stored as they stand (a line break, or blanks at
// the ends) are left out. Returns the number of entries written.
int WriteList(IniFile& ini, std::string_view section, const std::vector<std::string>& entries,
              int max);
// Reads keys 0 .. count-1, skipping empty values.
std::vector<std::string> ReadList(const IniFile& ini, std::string_view section);

int WriteFolderHistory(IniFile& ini, const std::vector<std::string>& folders);
std::vector<std::string> ReadFolderHistory(const IniFile& ini);

int WriteTempFolders(IniFile& ini, const std::vector<std::string>& folders);
// Only the entries that name an existing folder.
std::vector<std::string> ReadTempFolders(const IniFile& ini);

// Make-sure-exists, before a list is written: creates the file's folder and an empty file
// when missing. Failure messages: "Could not create " + folder, or + the file's path.
IniResult MakeSureExists(const std::string& path);

}  // namespace vantum::settings
