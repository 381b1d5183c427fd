#include <gtest/gtest.h>

#include <QLocale>

#include "core/size_tree.h"
#include "views/chart_model.h"
#include "views/chart_palette.h"
#include "views/chart_test_support.h"

using namespace vantum;
using namespace vantum::views;
using vantum::test::FixedDrives;
using vantum::test::MakeTop;

namespace {

ChartBuildOptions NoDrives() { return ChartBuildOptions{false, false, FixedDrives({}, 0)}; }

std::vector<QString> Labels(const ChartModel& m) {
    std::vector<QString> out;
    for (const auto& e : m.entries) out.push_back(e.label);
    return out;
}

}  // namespace

TEST(ChartModel, UnitSwitchesToGigabytesOnlyAboveThousandMegabytes) {
    struct Case {
        double largest;
        const char* unit;
        std::int64_t valueUnits;  // the largest entry's value, ten-thousandths
    } cases[] = {
        {1000.0, "MB", 10000000},
        {1000.00004, "MB", 10000000},  // the same as 1000 in four decimals
        {1000.01, "GB", 9800},        // 0.97657 GB shown as 0.98
        {2048.0, "GB", 20000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.largest);
        TSizeTree tree;
        TSizeFolder* top = MakeTop(tree, "/data", 512, {{"small", 10}, {"big", c.largest}, {"mid", 500}});
        ChartModel m = BuildChartModel(*top, NoDrives());
        EXPECT_EQ(m.unitText, QString::fromLatin1(c.unit));
        EXPECT_EQ(m.entries[1].value.units, c.valueUnits);
        // Every value, the files entry included, uses the same divisor.
        const double div = m.unitText == "GB" ? 1024 : 1;
        EXPECT_EQ(m.entries[3].value, RoundTo2Decimals(Fixed4::FromDouble(512 / div)));
        EXPECT_TRUE(m.ValueText(1).endsWith(QLatin1Char(' ') + m.unitText));
    }
}

TEST(ChartModel, PaletteZigZagsWithPeriodTwenty) {
    std::vector<std::pair<std::string, double>> kids;
    for (int i = 0; i < 23; ++i) kids.push_back({"d" + std::to_string(i), 1.0 + i});
    TSizeTree tree;
    TSizeFolder* top = MakeTop(tree, "/data", 0, kids);
    ChartModel m = BuildChartModel(*top, NoDrives());
    const int expected[] = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 9, 8};
    for (int i = 0; i < 23; ++i) {
        EXPECT_EQ(m.entries[i].paletteIndex, expected[i]) << i;
        EXPECT_EQ(m.entries[i].colour, kChartPalette[expected[i]]) << i;
    }
    EXPECT_EQ(m.entries[23].colour, kFilesColour);
}

TEST(ChartModel, LabelsTitleAndTheFilesEntry) {
    TSizeTree tree;
    const std::string longName(300, 'x');
    TSizeFolder* top = MakeTop(tree, "/", 3.5, {{"usr", 100}, {"caf\xe9", 2}, {longName, 1}, {"a b&c", 0}});
    ChartModel m = BuildChartModel(*top, NoDrives());
    EXPECT_EQ(m.title, QStringLiteral("Folder Sizes in: /"));
    ASSERT_EQ(m.count(), 5);
    EXPECT_EQ(m.entries[0].label, QStringLiteral("usr"));
    EXPECT_EQ(m.entries[2].label, QString::fromStdString(longName));
    EXPECT_EQ(m.entries[3].label, QStringLiteral("a b&c"));
    // A name that is not valid UTF-8 gets a readable label but keeps its bytes as the target.
    EXPECT_FALSE(m.entries[1].label.isEmpty());
    EXPECT_EQ(m.entries[1].path, "/caf\xe9");
    EXPECT_EQ(m.entries[4].label, kAllFilesLabel);
    EXPECT_EQ(m.entries[4].kind, ChartEntryKind::FilesInFolder);
    EXPECT_EQ(m.entries[4].path, "/");
    EXPECT_EQ(m.entries[4].value.units, 35000);
}

TEST(ChartModel, AllDrivesLevelShowsMountPointsAndNoExtraEntries) {
    TSizeTree tree;
    TSizeFolder* top = tree.Root->AddSubFolder(kAllDrives);
    test::AddChild(top, "/", 40);
    test::AddChild(top, "/home", 60);
    ChartBuildOptions o{true, true, FixedDrives({"/", "/home"}, 1ull << 30)};
    ChartModel m = BuildChartModel(*top, o);
    EXPECT_EQ(Labels(m), (std::vector<QString>{"/", "/home"}));
    EXPECT_FALSE(m.freeSpaceText);

    // Below the all-drives top, in all-drives mode: no free-space text, an empty-space entry of 0.
    ChartModel drive = BuildChartModel(*top->SubFolders[1], o);
    EXPECT_FALSE(drive.freeSpaceText);
    ASSERT_EQ(drive.count(), 2);
    EXPECT_EQ(drive.entries[1].label, kEmptySpaceLabel);
    EXPECT_EQ(drive.entries[1].value.units, 0);
}

TEST(ChartModel, FreeSpaceOfDriveRoots) {
    struct Case {
        const char* top;
        double largest;
        std::uint64_t freeBytes;
        bool showFreeSpace;
        const char* text;  // nullptr: the labels keep their text
        std::int64_t entryUnits;  // -1: no "<Empty space on disc>" entry
    } cases[] = {
        {"/mnt/data", 10, 5ull << 30, true, "Free Space on disk 5120 MB", 51200000},
        {"/mnt/data", 2000, 5ull << 30, true, "Free Space on disk 5 GB", 50000},
        {"/mnt/data", 10, 1536ull << 20, false, "Free Space on disk 1536 MB", -1},
        {"/mnt/data", 10, 0, true, "Free Space on disk 0 MB", 0},  // cannot be read
        // Not a drive root: the free space of the file system it is on all the same.
        {"/mnt/data/sub", 10, 5ull << 30, true, "Free Space on disk 5120 MB", 51200000},
        {"/mnt/data/sub", 10, 5ull << 30, false, "Free Space on disk 5120 MB", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.top) + " " + std::to_string(c.largest));
        TSizeTree tree;
        TSizeFolder* top = MakeTop(tree, c.top, 1, {{"a", c.largest}});
        ChartModel m = BuildChartModel(*top, ChartBuildOptions{false, c.showFreeSpace, FixedDrives({"/mnt/data"}, c.freeBytes)});
        if (c.text)
            EXPECT_EQ(m.freeSpaceText.value_or("none"), QString::fromLatin1(c.text));
        else
            EXPECT_FALSE(m.freeSpaceText);
        const bool hasEntry = m.entries.back().kind == ChartEntryKind::FreeSpace;
        EXPECT_EQ(hasEntry, c.entryUnits >= 0);
        if (hasEntry) {
            EXPECT_EQ(m.entries.back().value.units, c.entryUnits);
            EXPECT_EQ(m.entries.back().colour, kFreeSpaceColour);
            EXPECT_EQ(m.entries.back().label, kEmptySpaceLabel);
        }
    }
}

TEST(ChartModel, SortModesOrderTheChildrenInTheTree) {
    struct Case {
        int mode;
        std::vector<QString> labels;
    } cases[] = {
        {0, {"c", "b", "a", "B"}},  // byte-wise descending: A..Z reads from the top
        {1, {"b", "a", "B", "c"}},  // size ascending: the largest bar on top
        {2, {"b", "c", "a", "B"}},
        {9, {"b", "c", "a", "B"}},  // any other mode leaves the order
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        TSizeTree tree;
        TSizeFolder* top = MakeTop(tree, "/t", 0, {{"b", 1}, {"c", 30}, {"a", 2}, {"B", 3}});
        SortForCharts(*top, c.mode);
        ChartModel m = BuildChartModel(*top, NoDrives());
        m.entries.pop_back();
        EXPECT_EQ(Labels(m), c.labels);
        EXPECT_EQ(top->SubFolders[0]->Path(), "/t/" + c.labels[0].toStdString());
    }
}

TEST(ChartModel, EmptyAndZeroFolders) {
    TSizeTree tree;
    TSizeFolder* none = MakeTop(tree, "/t", 0, {});
    ChartModel m = BuildChartModel(*none, NoDrives());
    ASSERT_EQ(m.count(), 1);
    EXPECT_EQ(m.entries[0].label, kAllFilesLabel);
    EXPECT_EQ(m.total(), 0.0);

    TSizeTree tree2;
    TSizeFolder* zeros = MakeTop(tree2, "/z", 0, {{"a", 0}, {"b", 0}});
    ChartModel z = BuildChartModel(*zeros, NoDrives());
    EXPECT_EQ(z.unitText, QStringLiteral("MB"));
    EXPECT_EQ(z.MarkText(0), QStringLiteral("a 0 MB"));
}

TEST(ChartModel, ValueFormatGroupsThousandsAndTrimsDecimals) {
    const QLocale c(QLocale::C);
    const QLocale de(QLocale::German, QLocale::Germany);
    EXPECT_EQ(FormatChartValue(Fixed4{12345700}, "MB", c), QStringLiteral("1,234.57 MB"));
    EXPECT_EQ(FormatChartValue(Fixed4{10000000000}, "MB", c), QStringLiteral("1,000,000 MB"));
    EXPECT_EQ(FormatChartValue(Fixed4{5000}, "GB", c), QStringLiteral("0.5 GB"));
    EXPECT_EQ(FormatChartValue(Fixed4{0}, "MB", c), QStringLiteral("0 MB"));
    EXPECT_EQ(FormatChartValue(Fixed4{12345700}, "MB", de), QStringLiteral("1.234,57 MB"));
}
