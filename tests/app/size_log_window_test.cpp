#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <filesystem>

#include "app/size_log_controller.h"
#include "settings/settings_path.h"
#include "sizelog/size_log.h"
#include "sizelog/window/size_log_form.h"
#include "sizelog/window/stacked_chart.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::test;
using sizelog::StackedChart;
using sizelog::TSizeLogForm;

namespace {

constexpr std::int64_t MiB = 1 << 20;

const QString kClearQuestion = QStringLiteral(
    "Do you realy want to delete all entries of your log file?\r\nIf you proceed all entries will be lost.\r\n"
    "Do you want to proceed?");
const QString kHalveQuestion = QStringLiteral(
    "This will delete every second entry in the size log file.\r\nThe process is inreversible. Do you really "
    "want to proceed?");

struct SizeLogWindow : ::testing::Test {
    TestWindow w;
    std::string log = w.settingsDir / "AppData/Sizereport.log";

    void SetUp() override { std::filesystem::create_directories(w.settingsDir / "AppData"); }

    // Days written before the test, with used = 60 GiB + day + 0.5 MB and free = day * 10 MB.
    void WriteDays(std::initializer_list<int> days) {
        for (int d : days) {
            sizelog::DriveTotals t;
            t.used = (std::int64_t(60) << 30) + d * MiB + MiB / 2;
            t.free = d * 10 * MiB;
            ASSERT_TRUE(sizelog::WriteSizeLogEntry(log, "2020-01-0" + std::to_string(d), t));
        }
    }
    TSizeLogForm* Open() {
        w->Actions().actHardDiskSpace->trigger();
        return w->SizeLog().Form();
    }
    std::vector<std::string> Days() const {
        std::vector<std::string> out;
        for (const auto& e : sizelog::ReadSizeLog(log)) out.push_back(e.day);
        return out;
    }
};

}  // namespace

TEST_F(SizeLogWindow, OpeningWritesTodayOnceAndDrawsTheHistoryAndTheDrives) {
    WriteDays({1, 2});
    w.drives["/data"] = {std::uint64_t(500) * MiB, std::uint64_t(100) * MiB};
    QAction* act = w->Actions().actHardDiskSpace;
    ASSERT_TRUE(act->isEnabled());
    EXPECT_EQ(act->toolTip(), "show disk stats");
    w->Activate();

    TSizeLogForm* form = Open();
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isModal());
    EXPECT_EQ(form->windowTitle(), "Disk size logger");
    const std::string today = sizelog::TodayIso();
    EXPECT_EQ(Days(), (std::vector<std::string>{"2020-01-01", "2020-01-02", today}));

    // Whole megabytes, fraction cut off; used at the bottom, free on top; one point a day.
    StackedChart* c1 = form->HistoryChart();
    ASSERT_EQ(c1->SeriesList().size(), 2u);
    EXPECT_EQ(c1->SeriesList()[0].name, "Used space");
    EXPECT_EQ(c1->SeriesList()[1].name, "Free space");
    const double usedNow = double((std::int64_t(60) << 30) + 400 * MiB) / MiB;
    EXPECT_EQ(c1->SeriesList()[0].values, (std::vector<double>{61441, 61442, usedNow}));
    EXPECT_EQ(c1->SeriesList()[1].values, (std::vector<double>{10, 20, double(std::int64_t(40) << 10) + 100}));
    EXPECT_EQ(c1->Labels(), (QStringList{"2020-01-01", "2020-01-02", QString::fromStdString(today)}));
    EXPECT_FALSE(c1->LabelsShown());

    // "Free space" alone: the used series holds zeros, so the free area starts at the bottom.
    form->SeriesGroup()->button(TSizeLogForm::FreeOnly)->click();
    EXPECT_EQ(c1->SeriesList()[0].values, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(c1->SeriesList()[1].values[0], 10);
    // "Full size" starts the axis at zero; "Autoscale" fits the data.
    form->SeriesGroup()->button(TSizeLogForm::Both)->click();
    EXPECT_GT(c1->AxisRange().first, 0);
    form->ScaleGroup()->button(TSizeLogForm::FullSize)->click();
    EXPECT_EQ(c1->AxisRange().first, 0);
    form->ShowLabels()->setChecked(true);
    EXPECT_TRUE(c1->LabelsShown());

    // One bar per drive, in the order handed over; percent of each series' total by default.
    StackedChart* c2 = form->DriveChart();
    EXPECT_EQ(c2->Labels(), (QStringList{"/", "/data"}));
    EXPECT_EQ(c2->SeriesList()[0].name, "Utilized");
    EXPECT_EQ(c2->SeriesList()[1].name, "Free");
    EXPECT_EQ(c2->SeriesList()[0].values[1], 400);
    EXPECT_EQ(c2->SeriesList()[1].values[1], 100);

    // Both charts draw into any paint device without trouble.
    QImage img(640, 400, QImage::Format_ARGB32);
    QPainter p(&img);
    c1->Render(p, img.rect());
    c2->Render(p, img.rect());
    p.end();

    // A second opening on the same day keeps one section for today with the later values.
    form->close();
    QTest::qWait(0);
    w.drives["/"].avail -= 50 * MiB;
    ASSERT_TRUE(Open());
    EXPECT_EQ(Days().size(), 3u);
    EXPECT_EQ(sizelog::ReadSizeLog(log).back().free, std::int64_t((std::uint64_t(40) << 30) + 50 * MiB));
}

TEST_F(SizeLogWindow, ASingleDayIsABandAndAZeroSeriesKeepsOnePoint) {
    w.drives = {{"/", {std::uint64_t(100) * MiB, std::uint64_t(100) * MiB}}};  // nothing used
    TSizeLogForm* form = Open();
    ASSERT_TRUE(form);
    StackedChart* c1 = form->HistoryChart();
    EXPECT_EQ(c1->Labels(), (QStringList{QString::fromStdString(sizelog::TodayIso()), QString()}));
    EXPECT_EQ(c1->SeriesList()[1].values, (std::vector<double>{100, 100}));
    EXPECT_EQ(c1->SeriesList()[0].values, (std::vector<double>{0})) << "a zero value gets no second point";
}

TEST_F(SizeLogWindow, ClearAndHalveAskFirstAndChangeTheLogOnlyOnYes) {
    WriteDays({1, 2, 3, 4});
    TSizeLogForm* form = Open();  // today makes the fifth entry
    ASSERT_TRUE(form);
    ASSERT_EQ(Days().size(), 5u);

    form->HalveLog();  // no answer queued: Cancel
    form->ClearLog();
    EXPECT_EQ(w.prompts.texts("ask"), (QStringList{kHalveQuestion, kClearQuestion}));
    EXPECT_EQ(Days().size(), 5u);

    w.prompts.answers = {Prompts::Answer::Yes};
    form->HalveLog();
    EXPECT_EQ(Days(), (std::vector<std::string>{"2020-01-02", "2020-01-04"}));
    EXPECT_EQ(form->HistoryChart()->Labels(), (QStringList{"2020-01-02", "2020-01-04"}));

    w.prompts.answers = {Prompts::Answer::Yes};
    form->ClearLog();
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_TRUE(form->HistoryChart()->Labels().isEmpty());
    EXPECT_TRUE(w.prompts.texts().isEmpty()) << "no error message";
}

TEST(SizeLogSpaceGain, ReportedAtCloseWhenMoreThanOneMegabyteWasWon) {
    struct Case {
        double wonMB;
        bool show;
        bool reopen;  // the log opened after the space was freed: a new baseline
        bool message;
    } cases[] = {{1.5, true, false, true}, {0.9, true, false, false}, {-20, true, false, false},
                 {1.5, false, false, false}, {5, true, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wonMB << " MB, show " << c.show << ", reopen " << c.reopen);
        TestWindow w;
        std::filesystem::create_directories(w.settingsDir / "AppData");
        {
            QFile ini(QString::fromStdString(w.SettingsPath()));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(c.show ? "[SpaceGain]\nShow=1\n" : "[SpaceGain]\nShow=0\n");
        }
        w->Activate();
        w.drives["/"].avail += std::int64_t(c.wonMB * MiB);
        if (c.reopen) {
            w->Actions().actHardDiskSpace->trigger();
            w->SizeLog().Form()->close();
        }
        w->close();
        const QStringList messages = w.prompts.texts();
        if (c.message) {
            ASSERT_EQ(messages.size(), 1);
            EXPECT_TRUE(messages[0].startsWith("Space recoverd in this session\n\rapproximately :")) << messages[0].toStdString();
            EXPECT_TRUE(messages[0].contains("1.5")) << messages[0].toStdString();
        } else {
            EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
        }
        // The day's entry is written at close in every case.
        const auto entries = sizelog::ReadSizeLog(w.settingsDir / "AppData/Sizereport.log");
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].free, std::int64_t(w.drives["/"].avail));
    }
}
