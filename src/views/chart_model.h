#pragma once
// The entries shared by the bar and the pie chart (same index in both), and how they are built
// from a folder of the size tree.

#include <QColor>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/size_format.h"

namespace vantum {
class TSizeFolder;
}

namespace vantum::views {

enum class ChartEntryKind { Folder, FilesInFolder, FreeSpace };

struct ChartEntry {
    QString label;
    Fixed4 value;  // in the model's unit, two decimals
    QColor colour;
    ChartEntryKind kind = ChartEntryKind::Folder;
    std::string path;       // the folder the entry leads to (the shown folder for "<" entries)
    int paletteIndex = -1;  // for folder entries
};

struct ChartModel {
    QString title;
    QString unitText = QStringLiteral("MB");  // "MB" or "GB"
    int divisor = 1;                          // 1 or 1024
    std::vector<ChartEntry> entries;
    // The free-space label text for the folder's file system; none in all-drives mode.
    std::optional<QString> freeSpaceText;

    bool empty() const { return entries.empty(); }
    int count() const { return static_cast<int>(entries.size()); }
    double total() const;
    // Value in the value format "#,##0.### MB" (or GB), e.g. "1,234.57 MB".
    QString ValueText(int index, const QLocale& locale = QLocale()) const;
    // Label, a blank and the value text: the marks and the hover text.
    QString MarkText(int index, const QLocale& locale = QLocale()) const;
};

// "#,##0.###" followed by a blank and the unit.
QString FormatChartValue(Fixed4 value, const QString& unit, const QLocale& locale = QLocale());

// The palette index of the n-th folder entry (0-based): 10, 9, ..., 0, 1, ..., 10, 9, ...
int ChartPaletteIndex(int n);

// What the builder asks of the system about drives; replaceable in tests.
struct DriveQuery {
    std::function<bool(const std::string& path)> isDriveRoot;
    // Bytes free for the user on the drive holding path; 0 when it cannot be read.
    std::function<std::uint64_t(const std::string& path)> freeBytes;
};
// Drive roots are mount points; free space from statvfs.
DriveQuery SystemDriveQuery();

struct ChartBuildOptions {
    bool scanAllDrives = false;  // the window is in all-drives mode
    bool showFreeSpace = false;  // actFreeSpace is checked
    DriveQuery drives;
};

// Reorders folder's children for the charts: 0 by path descending, 1 by size ascending, else
// left as they are (the tree keeps that order, as the size tree list expects).
void SortForCharts(TSizeFolder& folder, int sortMode);

// The chart entries of folder's children in their current order, then the files entry and the
// free-space entry where they apply.
ChartModel BuildChartModel(const TSizeFolder& folder, const ChartBuildOptions& options);

inline const QString kAllFilesLabel = QStringLiteral("<All files in folder>");
inline const QString kEmptySpaceLabel = QStringLiteral("<Empty space on disc>");
inline const QString kNoChartTitle = QStringLiteral("Select drive or directory and click scan !");

}  // namespace vantum::views
