// "Scan", "Scan all", the scan driver and the branch refresh, with the window busy meanwhile.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QRegularExpression>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "app/app_actions.h"
#include "app/command_states.h"
#include "app/gauge_status.h"
#include "app/history_controller.h"
#include "app/navigation.h"
#include "app/scan_controller.h"
#include "app/scan_progress.h"
#include "app/escape_watcher.h"
#include "core/size_format.h"
#include "core/size_tree.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::app;
using vantum::test::TempDir;
using vantum::test::TestWindow;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
constexpr double kMB = 1024.0 * 1024.0;

// T/A/B: A holds 1 MB, B 2 MB; T also has a hidden folder with 1 MB. Folder entries add a
// few kilobytes each, hence the tolerance.
struct Fixture {
    TempDir dir;
    std::string t, a, b;
    Fixture() {
        t = dir.mkdir("T");
        a = dir.mkdir("T/A");
        b = dir.mkdir("T/A/B");
        dir.write("T/A/a.bin", std::string(1 << 20, 'a'));
        dir.write("T/A/B/b.bin", std::string(2 << 20, 'b'));
        dir.write("T/.hidden/h.bin", std::string(1 << 20, 'h'));
    }
};

TEST(ElapsedText, Forms) {
    EXPECT_EQ(ElapsedText(83456), "  01:23:456 ms");
    EXPECT_EQ(ElapsedText(5), "  00:00:05 ms");
    EXPECT_EQ(ElapsedText(0), "  00:00:00 ms");
    EXPECT_EQ(ElapsedText(3600000 + 61050), "  01:01:50 ms");  // hours are not shown
}

TEST(Scan, ScansTheCurrentFolderAndShowsTheResult) {
    Fixture f;
    TestWindow t;
    t->Activate();
    // While the views are emptied and filled the window is busy.
    std::vector<bool> busyAtCalls, runEnabled;
    t.views->onCall = [&](const std::string&) {
        busyAtCalls.push_back(t->IsBusy());
        runEnabled.push_back(t->Actions().actRun->isEnabled() || t->Widgets().scanButton->isEnabled());
    };
    t->Widgets().pages->setCurrentIndex(kTracesPage);
    t->Nav().GoToPath(Q(f.t), true);
    t->Widgets().scanButton->click();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*t));

    TSizeFolder* top = t->Nav().CurrentFolder();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top, t->Tree().Top());
    EXPECT_EQ(top->Name, "T");
    EXPECT_NEAR(top->CumulatedSize(), 4.0, 0.05);  // hidden folders count by default
    EXPECT_EQ(t.views->filledWith, top);
    const std::vector<std::string> want{"ClearSizeTreeList", "BarsNormal", "FillSizeTreeList", "FillSizeRanking",
                                        "ApplySortMode"};
    EXPECT_EQ(t.views->calls, want);
    for (bool b : busyAtCalls) EXPECT_TRUE(b);
    for (bool e : runEnabled) EXPECT_FALSE(e);

    // Afterwards: commands back, left page the size tree, right page the bar chart.
    EXPECT_FALSE(t->IsBusy());
    EXPECT_TRUE(t->Actions().actRun->isEnabled());
    EXPECT_TRUE(t->Widgets().scanButton->isEnabled());
    EXPECT_TRUE(t->Actions().actrefresh->isEnabled());
    EXPECT_TRUE(t->Actions().actToggleCharts->isEnabled());
    EXPECT_EQ(t->Widgets().fpc2->currentIndex(), kSizeTreePage);
    EXPECT_EQ(t->Widgets().pages->currentIndex(), kBarsPage);
    EXPECT_TRUE(QRegularExpression("^  \\d\\d:\\d\\d:\\d\\d+ ms$").match(t->Status().Panel(1)).hasMatch())
        << t->Status().Panel(1).toStdString();
    EXPECT_TRUE(t->Status().Panel(2).startsWith("4.0")) << t->Status().Panel(2).toStdString();  // with folder entries
    EXPECT_TRUE(t->Status().Timer3().isActive());
    EXPECT_FALSE(t->Status().GaugeVisible());  // gone with the command; the panels go with Timer3
    EXPECT_EQ(t->History().Items(), QStringList{Q(f.t) + "/"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Scan, CountSystemFoldersOffLeavesHiddenFoldersOut) {
    Fixture f;
    TestWindow t;
    t->Activate();
    t->Scan().CountSystemFolders = false;
    t->Nav().GoToPath(Q(f.t), true);
    t->Actions().actRun->trigger();
    ASSERT_NE(t->Nav().CurrentFolder(), nullptr);
    EXPECT_EQ(t->Nav().CurrentFolder()->SubFolderCount(), 1);
    EXPECT_NEAR(t->Nav().CurrentFolder()->CumulatedSize(), 3.0, 0.05);
}

TEST(Scan, MissingFolderOnlyShowsAndHidesTheGauge) {
    Fixture f;
    TestWindow t;
    t->Activate();
    t->Nav().GoToPath(Q(f.t), true);
    std::filesystem::remove_all(f.t);
    t->Actions().actRun->trigger();
    EXPECT_TRUE(t.views->calls.empty());
    EXPECT_EQ(t->Nav().CurrentFolder(), nullptr);
    EXPECT_TRUE(t->Status().Timer3().isActive());
    EXPECT_TRUE(t->History().Items().isEmpty());
    EXPECT_TRUE(t.prompts.shown.empty());
}

TEST(Scan, EscapeStopsTheScanAndShowsThePartialTreeMarked) {
    Fixture f;
    for (int i = 0; i < 30; ++i) f.dir.mkdir("T/many/" + std::to_string(i) + "/x");
    TestWindow t;
    t->Activate();
    t->Nav().GoToPath(Q(f.t), true);
    // Pressed while the scan starts counting: the descent stops at its next check.
    QTimer::singleShot(0, t.window.get(), [&] {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(t->Widgets().dirTree, &esc);
    });
    t->Actions().actRun->trigger();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*t));
    EXPECT_LT(t->Tree().State.FolderCount, 64);
    // What was found is shown, and said to be partial.
    TSizeFolder* top = t->Tree().Top();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(t->Nav().CurrentFolder(), top);
    EXPECT_EQ(t.views->filledWith, top);
    EXPECT_TRUE(t.views->notes.partial);
    EXPECT_FALSE(t.views->notes.unfinished.empty());
    EXPECT_TRUE(t->Status().Panel(2).contains("(partial)")) << t->Status().Panel(2).toStdString();
    // Folders never listed count as empty: nothing is listed behind the user's back.
    for (const std::string& path : t.views->notes.unfinished) {
        TSizeFolder* u = t->Tree().FindFolder(path);
        ASSERT_NE(u, nullptr);
        EXPECT_EQ(u->FilesSize, 0) << path;
    }
    EXPECT_TRUE(t->Actions().actRun->isEnabled());
    EXPECT_TRUE(t->Actions().actrefresh->isEnabled());
    // An Escape from before a scan does not stop the next one, and a whole scan is no longer partial.
    t->Actions().actRun->trigger();
    EXPECT_NE(t->Nav().CurrentFolder(), nullptr);
    EXPECT_FALSE(t.views->notes.partial);
    EXPECT_FALSE(t->Status().Panel(2).contains("(partial)"));
    EXPECT_NEAR(t->Tree().Top()->CumulatedSize(), 4.0, 0.3);
}

TEST(Scan, SizesFollowTheApparentSizesSetting) {
    // A sparse file: 64 MB long, next to nothing on disk.
    TempDir dir;
    const std::string top = dir.mkdir("S");
    {
        std::ofstream out(top + "/sparse.img", std::ios::binary);
        out.seekp((64 << 20) - 1);
        out.put('x');
    }
    struct Case {
        const char* ini;
        double low, high;
    } cases[] = {{"", 0, 1}, {"[Calc]\nApparent sizes=0\n", 0, 1}, {"[Calc]\nApparent sizes=1\n", 64, 64.1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        TempDir settings;
        settings.write("Vantu.ini", std::string("[Splash]\nShow=0\n") + c.ini);
        TestWindow t(settings / "Vantu.ini");
        t->Activate();
        t->Nav().GoToPath(Q(top), true);
        t->Actions().actRun->trigger();
        ASSERT_NE(t->Tree().Top(), nullptr);
        EXPECT_GE(t->Tree().Top()->CumulatedSize(), c.low);
        EXPECT_LT(t->Tree().Top()->CumulatedSize(), c.high);
        EXPECT_EQ(t.views->notes.unreadable, 0);
    }
}

TEST(ScanProgress, StepsNameThePanelAndEscapeIsSeenWithoutBeingTaken) {
    TestWindow t;
    t->Activate();
    ScanProgressSink sink(t->Status(), t->Escape());
    sink.StepStarted(ProgressSink::Step::Counting);
    EXPECT_EQ(t->Status().Panel(1), "Counting folders");
    sink.StepStarted(ProgressSink::Step::Sizing);
    EXPECT_EQ(t->Status().Panel(1), "Calculate Size");

    EXPECT_FALSE(sink.StopPending());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(t->Widgets().dirTree, &esc);
    // A listing sees the stop as often as it asks; the descent still takes it after.
    EXPECT_TRUE(sink.StopPending());
    EXPECT_TRUE(sink.StopPending());
    EXPECT_TRUE(sink.AbortRequested());
    // One Escape ends the whole operation (every drive of "Scan all"), until the next one.
    EXPECT_TRUE(sink.AbortRequested());
    EXPECT_TRUE(sink.StopPending());
    sink.Reset();
    EXPECT_FALSE(sink.AbortRequested());
    EXPECT_FALSE(sink.StopPending());
}

TEST(Scan, TreeStateText) {
    EXPECT_EQ(TreeStateText(4, false, 0), QString::fromStdString(FormatSize(4)));
    EXPECT_EQ(TreeStateText(4, true, 0), QString::fromStdString(FormatSize(4)) + " (partial)");
    EXPECT_EQ(TreeStateText(4, false, 1), QString::fromStdString(FormatSize(4)) + ", 1 folder could not be read");
    EXPECT_EQ(TreeStateText(4, true, 3),
              QString::fromStdString(FormatSize(4)) + " (partial), 3 folders could not be read");
}

TEST(Scan, AnErrorLeavesTheWindowUsable) {
    Fixture f;
    TestWindow t;
    t->Activate();
    t.views->onCall = [](const std::string& what) {
        if (what == "FillSizeTreeList") throw std::runtime_error("view failed");
    };
    t->Nav().GoToPath(Q(f.t), true);
    t->Actions().actRun->trigger();
    EXPECT_EQ(t.prompts.texts(), QStringList{"view failed"});
    EXPECT_FALSE(t->IsBusy());
    EXPECT_TRUE(t->Actions().actRun->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(t->Status().Panel(1).endsWith(" ms"));
    EXPECT_TRUE(t->Status().Timer3().isActive());
}

TEST(Refresh, RescansTheBranchAndCorrectsTheTotals) {
    Fixture f;
    TestWindow t;
    t->Activate();
    t->Nav().GoToPath(Q(f.t), true);
    t->Actions().actRun->trigger();
    TSizeFolder* top = t->Nav().CurrentFolder();
    ASSERT_NE(top, nullptr);
    t->Nav().ShowFolderByPath(Q(f.b));
    t->Actions().actUpOneDir->trigger();  // current: A, Back has B
    ASSERT_TRUE(t->Actions().actBack->isEnabled());
    TSizeFolder* a = t->Nav().CurrentFolder();
    f.dir.write("T/A/B/more.bin", std::string(1 << 20, 'm'));
    t.views->calls.clear();
    t->Actions().actrefresh->trigger();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*t));
    EXPECT_EQ(t->Nav().CurrentFolder(), a);
    EXPECT_NEAR(a->SubFoldersSize, 3.0, 0.05);
    EXPECT_NEAR(top->SubFoldersSize, 5.0, 0.05);
    EXPECT_TRUE(t->Nav().BackHistory().empty());
    EXPECT_FALSE(t->Actions().actBack->isEnabled());
    const std::vector<std::string> want{"ClearSizeTreeList", "BarsNormal", "FillSizeTreeList", "ShowFolderCharts",
                                        "FillSizeRanking", "ApplySortMode"};
    EXPECT_EQ(t.views->calls, want);
    EXPECT_EQ(t.views->filledWith, top);
    EXPECT_TRUE(t->Status().Timer3().isActive());
}

TEST(Refresh, ACurrentFolderInsideTheBranchMovesToIt) {
    Fixture f;
    TestWindow t;
    t->Activate();
    t->Nav().GoToPath(Q(f.t), true);
    t->Actions().actRun->trigger();
    TSizeFolder* top = t->Nav().CurrentFolder();
    t->Nav().ShowFolderByPath(Q(f.b));
    ASSERT_NE(t->Nav().CurrentFolder(), top);
    // Refreshing an ancestor drops B's node; the current folder must not point at it.
    t->Scan().RefreshBranch(t->Tree().FindFolder(f.a));
    TSizeFolder* current = t->Nav().CurrentFolder();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->Path(), f.a);
    EXPECT_NEAR(top->CumulatedSize(), 4.0, 0.05);
}

TEST(Refresh, DisabledWithoutACurrentFolder) {
    TestWindow t;
    t->Activate();
    EXPECT_FALSE(t->Actions().actrefresh->isEnabled());
    t->Scan().RefreshBranch(nullptr);  // nothing happens
    EXPECT_TRUE(t.views->calls.empty());
}

TEST(Scan, ClosingDuringAScanStopsItAndSavesTheSettings) {
    Fixture f;
    for (int i = 0; i < 30; ++i) f.dir.mkdir("T/many/" + std::to_string(i) + "/x");
    TestWindow t;
    t->Activate();
    t->Nav().GoToPath(Q(f.t), true);
    QTimer::singleShot(0, t.window.get(), [&] { t->close(); });
    t->Actions().actRun->trigger();
    EXPECT_TRUE(t.views->notes.partial);  // stopped before the end
    ASSERT_TRUE(QTest::qWaitFor([&] { return !t->isVisible(); }, 5000));
    const std::string ini = vantum::test::ReadFile(t.SettingsPath());
    EXPECT_NE(ini.find("[LastDir]"), std::string::npos);
    EXPECT_NE(ini.find(f.t + "/"), std::string::npos);
}

}  // namespace

namespace {

TEST(Scan, DialogCommandsWaitForTheScan) {
    Fixture f;
    TestWindow t;
    t->Activate();
    AppActions& a = t->Actions();
    const std::vector<QAction*> dialogs{a.actBrowseDir, a.acthelp, a.actHelpCnt, a.actHelpIDX,
                                        t->History().ClearAllAction(), t->History().DeleteItemAction()};
    for (QAction* d : dialogs) EXPECT_TRUE(d->isEnabled()) << d->text().toStdString();
    int checked = 0;
    t.views->onCall = [&](const std::string&) {
        for (QAction* d : dialogs) {
            EXPECT_FALSE(d->isEnabled()) << d->text().toStdString();
            // A disabled command does nothing when triggered (by a shortcut, say).
            d->trigger();
        }
        ++checked;
    };
    t->Nav().GoToPath(Q(f.t), true);
    t->Actions().actRun->trigger();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*t));
    EXPECT_GT(checked, 0);
    EXPECT_TRUE(t.prompts.shown.empty());  // no dialog ran inside the scan
    EXPECT_TRUE(t.opened.empty());
    EXPECT_EQ(t->Nav().CurrentPath(), Q(f.t) + "/");
    for (QAction* d : dialogs) EXPECT_TRUE(d->isEnabled()) << d->text().toStdString();
}

}  // namespace

namespace {

// "Scan all" stopped in its first drive: the drives never reached are named, count as empty
// and are not listed now; what was read keeps its size.
TEST(Scan, APartialTreeNamesTheDrivesNotReached) {
    TSizeTree tree;
    TSizeFolder* all = tree.Root->AddSubFolder(kAllDrives);
    TSizeFolder* first = all->AddSubFolder("/");
    first->ListedBytes = 3 << 20;
    TSizeFolder* inFirst = first->AddChild("usr");
    inFirst->ListedBytes = 1 << 20;
    TSizeFolder* stoppedIn = first->AddChild("var");  // created, never listed
    TSizeFolder* notReached = all->AddSubFolder("/home");
    tree.State.FolderCount = 4;
    const std::vector<std::string> unfinished = SizePartialTree(tree, NullProgress());
    EXPECT_EQ(unfinished, (std::vector<std::string>{"/var", "/home"}));
    EXPECT_EQ(stoppedIn->FilesSize, 0);
    EXPECT_EQ(notReached->FilesSize, 0);
    EXPECT_DOUBLE_EQ(first->CumulatedSize(), 4.0);
    EXPECT_DOUBLE_EQ(all->CumulatedSize(), 4.0);
}

}  // namespace
