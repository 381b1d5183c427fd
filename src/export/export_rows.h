#pragma once
// The rows every export writes: the direct sub-folders of one folder of the size tree, in the
// order of its SubFolders list (the order the charts left), with the two totals.

#include <string>
#include <vector>

namespace vantum {
class TSizeFolder;
}

namespace vantum::exporting {

struct ExportRow {
    std::string name;  // bytes as in the tree
    std::string path;
    double filesSize = 0;      // MB
    double cumulatedSize = 0;  // MB
};

struct ExportRows {
    std::string folderPath;  // the exported folder's Path
    std::vector<ExportRow> rows;
    // Sums over the rows, added in extended precision.
    long double filesTotal = 0;
    long double cumulatedTotal = 0;
    // Index of the first row with the largest cumulated size; -1 without rows.
    int largest = -1;
};

ExportRows BuildExportRows(const TSizeFolder& folder);

}  // namespace vantum::exporting
