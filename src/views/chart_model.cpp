#include "views/chart_model.h"

#include <QFile>

#include "core/size_tree.h"
#include "platform/dir_listing.h"
#include "views/chart_palette.h"

namespace vantum::views {

namespace {

// Shortest form of a fixed-point value with the locale's decimal separator.
QString ShortestText(Fixed4 v, const QLocale& locale) {
    QString text = QString::fromStdString(FixedToText(v, '.'));
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

QString LabelOf(const TSizeFolder& child, bool parentIsAllDrives) {
    const std::string& path = child.Path();
    if (parentIsAllDrives) return QFile::decodeName(QByteArray::fromStdString(path));
    std::string::size_type slash = path.find_last_of('/');
    std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    if (last.empty()) last = path;  // "/" or a path with a trailing slash
    return QFile::decodeName(QByteArray::fromStdString(last));
}

}  // namespace

double ChartModel::total() const {
    double sum = 0;
    for (const ChartEntry& e : entries) sum += e.value.ToDouble();
    return sum;
}

QString ChartModel::ValueText(int index, const QLocale& locale) const {
    if (index < 0 || index >= count()) return {};
    return FormatChartValue(entries[static_cast<size_t>(index)].value, unitText, locale);
}

QString ChartModel::MarkText(int index, const QLocale& locale) const {
    if (index < 0 || index >= count()) return {};
    return entries[static_cast<size_t>(index)].label + QLatin1Char(' ') + ValueText(index, locale);
}

QString FormatChartValue(Fixed4 value, const QString& unit, const QLocale& locale) {
    std::int64_t u = value.units;
    const bool negative = u < 0;
    if (negative) u = -u;
    std::int64_t thousandths = (u + 5) / 10;  // "###": at most three decimals
    std::int64_t whole = thousandths / 1000;
    int frac = static_cast<int>(thousandths % 1000);

    QString digits = QString::number(whole);
    QString grouped;
    const QString group = locale.groupSeparator();
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += group;
        grouped += digits[i];
    }
    QString text = negative ? QStringLiteral("-") + grouped : grouped;
    if (frac) {
        QString f = QString::number(frac + 1000).mid(1);
        while (f.endsWith(QLatin1Char('0'))) f.chop(1);
        text += locale.decimalPoint() + f;
    }
    return text + QLatin1Char(' ') + unit;
}

int ChartPaletteIndex(int n) {
    // The walk starts above the top and turns at both ends: 10, 9, ..., 0, 1, ..., 10, 9, ...
    int p = n % 20;
    return p <= 10 ? 10 - p : p - 10;
}

DriveQuery SystemDriveQuery() {
    return DriveQuery{
        [](const std::string& path) { return platform::IsMountPoint(path); },
        [](const std::string& path) { return platform::GetDiskSpace(path).freeBytes; },
    };
}

void SortForCharts(TSizeFolder& folder, int sortMode) {
    if (sortMode == 0)
        folder.SortByPath(&folder);
    else if (sortMode == 1)
        folder.SortBySize(&folder);
}

ChartModel BuildChartModel(const TSizeFolder& folder, const ChartBuildOptions& options) {
    ChartModel model;
    const bool isAllDrives = folder.Path() == kAllDrives;
    model.title = QStringLiteral("Folder Sizes in: ") + QFile::decodeName(QByteArray::fromStdString(folder.Path()));

    // Unit: GB as soon as one child is above 1000 MB (compared as four-decimal fixed point).
    for (const auto& child : folder.SubFolders) {
        if (Fixed4::FromDouble(child->CumulatedSize()).units > 1000 * 10000) {
            model.divisor = 1024;
            model.unitText = QStringLiteral("GB");
            break;
        }
    }
    const double divisor = model.divisor;

    int n = 0;
    for (const auto& child : folder.SubFolders) {
        ChartEntry e;
        e.label = LabelOf(*child, isAllDrives);
        e.value = RoundTo2Decimals(Fixed4::FromDouble(child->CumulatedSize() / divisor));
        e.paletteIndex = ChartPaletteIndex(n++);
        e.colour = kChartPalette[static_cast<size_t>(e.paletteIndex)];
        e.kind = ChartEntryKind::Folder;
        e.path = child->Path();
        model.entries.push_back(std::move(e));
    }

    if (!isAllDrives) {
        ChartEntry files;
        files.label = kAllFilesLabel;
        files.value = RoundTo2Decimals(Fixed4::FromDouble(folder.FilesSize / divisor));
        files.colour = kFilesColour;
        files.kind = ChartEntryKind::FilesInFolder;
        files.path = folder.Path();
        model.entries.push_back(std::move(files));
    }

    Fixed4 freeSpace;
    // Asked afresh for every folder: the folder's own file system, whichever drive it is on.
    if (!options.scanAllDrives && !isAllDrives) {
        std::uint64_t bytes = options.drives.freeBytes ? options.drives.freeBytes(folder.Path()) : 0;
        freeSpace = RoundTo2Decimals(Fixed4::FromDouble(static_cast<double>(bytes) / 1024 / 1024 / divisor));
        model.freeSpaceText = QStringLiteral("Free Space on disk ") + ShortestText(freeSpace, QLocale()) +
                              QLatin1Char(' ') + model.unitText;
    }

    if (options.showFreeSpace && !isAllDrives) {
        ChartEntry empty;
        empty.label = kEmptySpaceLabel;
        empty.value = freeSpace;
        empty.colour = kFreeSpaceColour;
        empty.kind = ChartEntryKind::FreeSpace;
        empty.path = folder.Path();
        model.entries.push_back(std::move(empty));
    }
    return model;
}

}  // namespace vantum::views
