#pragma once
// File search over the folders the size tree knows: the folder structure comes from the tree,
// only each folder's own entries are listed from the disk now. Also the result rows, their
// sorting and the saved list forms used by the result window.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "core/progress.h"
#include "core/size_tree.h"

namespace vantum {

inline constexpr const char* kScanFirstText = "You have to perform a scan first";
inline constexpr const char* kSearchCaption = "Search for files";
inline constexpr const char* kNoItemFound = "No item found";
// The result window lists fewer hits than this; at this count and above the user is asked.
inline constexpr std::size_t kMaxShownHits = 12000;
inline constexpr const char* kTooManyHitsQuestion =
    "Visiual component allows for max 12000 items,\r\nno display possible.\r\n"
    "Do you want to save results to file instead?";

// Prompt of the pattern input box for a search from the folder at path.
std::string SearchPrompt(const std::string& path);

struct FileSearchResult {
    std::vector<std::string> paths;  // folder path + "/" + entry name, in the order found
    bool stopped = false;            // the user asked to stop; later folders added nothing
};

// Lists the entries matching pattern in start and in every folder below it in the tree,
// depth first, parents before children, children in list order. Folder entries are left out
// unless hidden (their name begins with "."), symbolic links are listed like files; folders
// that no longer exist contribute nothing. An empty pattern finds nothing.
// With stepGauge the sink gets the range (folders below start) and one step per folder below
// start. The sink's abort query is polled after each folder: once it says yes, the rest of
// the walk adds nothing but still steps the gauge to its end.
FileSearchResult FindFilesInTree(const TSizeFolder& start, const std::string& pattern, ProgressSink& sink,
                                 bool stepGauge);

// One row of the result window.
struct FoundRow {
    std::string name;    // after the last "/"
    std::string ext;     // from the name's last dot, the dot included; empty without one
    std::string folder;  // up to and including the last "/"
};
FoundRow SplitFoundPath(const std::string& path);

enum class FoundColumn { FileName = 0, Ext = 1, FilePath = 2 };

// Sort direction per column for as long as the program runs: the first click on a column
// sorts ascending, each further click on it reverses.
struct FoundSortState {
    std::array<bool, 3> descending{};
};
// Sorts by the column's text (locale-aware, case-sensitive) and flips that column's flag.
void SortFoundRows(std::vector<FoundRow>& rows, FoundColumn column, FoundSortState& state);

// Save step of the result list.
inline constexpr const char* kFoundListFilter = "Text|*.txt|CSV (;)|*.csv|CSV (,)|*.csv";
inline constexpr const char* kFoundListExtension = "txt";
enum class FoundListFormat { Text, CsvSemicolon, CsvComma };
// The dialog's 1-based filter index; anything else is Text.
FoundListFormat FoundListFormatOfFilter(int filterIndex);
// Text: one path per line ending in CR LF. CSV: each path followed by ";" or ",", one line.
// Replaces the file only once it is complete; FileError on failure.
void SaveFoundList(const std::string& fileName, const std::vector<std::string>& paths, FoundListFormat format);

}  // namespace vantum
