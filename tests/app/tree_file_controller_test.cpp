// "Save size tree as", "Open stored size tree" and the command-line reload in the real window,
// with real tree files in temporary folders.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <filesystem>
#include <tuple>

#include "app/command_states.h"
#include "app/file_search_controller.h"
#include "app/gauge_status.h"
#include "app/navigation.h"
#include "app/tree_file_controller.h"
#include "core/size_tree.h"
#include "core/tree_file.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::app;
using vantum::test::ReadFile;
using vantum::test::TempDir;
using vantum::test::TestWindow;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Also records the calls the plain recording views do not know.
class MarkRecordingViews : public test::RecordingViews {
public:
    explicit MarkRecordingViews(std::shared_ptr<Log> log) : RecordingViews(log), log_(std::move(log)) {}
    void SetRestored(bool on) override { log_->calls.push_back(on ? "SetRestored(1)" : "SetRestored(0)"); }
    void ClearSizeRanking() override { log_->calls.push_back("ClearSizeRanking"); }

private:
    std::shared_ptr<Log> log_;
};

struct Window : TestWindow {
    explicit Window(app::MainWindowHooks hooks = {}) : TestWindow({}, std::move(hooks)) {
        window->SetAnalyserViews(std::make_unique<MarkRecordingViews>(views));
    }
};

// T with A (holding C) and B, a few kilobytes of files.
struct Fixture {
    TempDir dir;
    std::string t;
    Fixture() {
        t = dir.mkdir("T");
        dir.write("T/A/a.bin", std::string(40000, 'a'));
        dir.write("T/A/C/c.bin", std::string(70000, 'c'));
        dir.write("T/B/b.bin", std::string(20000, 'b'));
    }
};

void Scan(TestWindow& w, const std::string& folder) {
    w->Nav().GoToPath(Q(folder), true);
    w->Actions().actRun->trigger();
    ASSERT_TRUE(test::WaitUntilIdle(*w));
    ASSERT_NE(w->Nav().CurrentFolder(), nullptr);
}

// Every folder below Root in pre-order with what the file carries.
using Record = std::tuple<std::string, std::string, double, double, int>;
std::vector<Record> Records(const TSizeTree& tree) {
    std::vector<Record> out;
    std::vector<const TSizeFolder*> stack;
    for (auto it = tree.Root->SubFolders.rbegin(); it != tree.Root->SubFolders.rend(); ++it) stack.push_back(it->get());
    while (!stack.empty()) {
        const TSizeFolder* f = stack.back();
        stack.pop_back();
        out.emplace_back(f->Path(), f->Name, f->FilesSize, f->SubFoldersSize, f->SubFolderCount());
        for (auto it = f->SubFolders.rbegin(); it != f->SubFolders.rend(); ++it) stack.push_back(it->get());
    }
    return out;
}

Prompts::FileChoice Choice(const std::string& path, int filter = 1) { return {Q(path), filter}; }

// After any tree-file command: idle, arrow cursor, no gauge left, the panels cleared soon.
void ExpectCommandEnded(TestWindow& w) {
    EXPECT_FALSE(w->IsBusy());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(w->Status().GaugeVisible());
    EXPECT_TRUE(w->Status().Timer3().isActive());
}

}  // namespace

TEST(TreeFileCommands, MenuEntriesAndEnabling) {
    Window w;
    w->Activate();
    TreeFileController& c = w->TreeFiles();
    EXPECT_EQ(w->Actions().actSave, c.actSave);
    EXPECT_EQ(w->Actions().actOpen, c.actOpen);
    EXPECT_EQ(w->Actions().Find("actSave"), c.actSave);
    QMenu* file = w->Widgets().menuBar->findChild<QMenu*>("File1");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->actions().contains(c.actSave));
    EXPECT_TRUE(file->actions().contains(c.actOpen));
    EXPECT_EQ(c.actSave->text(), "S&ave size tree as");
    EXPECT_EQ(c.actSave->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(c.actOpen->shortcut(), QKeySequence("Ctrl+O"));
    // Save needs a current folder; Open is always there.
    EXPECT_FALSE(c.actSave->isEnabled());
    EXPECT_TRUE(c.actOpen->isEnabled());
    c.actSaveExecute();  // nothing to save: no dialog
    EXPECT_TRUE(w.prompts.shown.empty());

    // While a scan runs every tree command is off, the find commands included.
    Fixture f;
    std::vector<bool> anyOn;
    w.views->onCall = [&](const std::string&) {
        anyOn.push_back(c.actSave->isEnabled() || c.actOpen->isEnabled() ||
                        w->FileSearch().actFindFiles->isEnabled() || w->FileSearch().actfindfilescurrent->isEnabled());
    };
    Scan(w, f.t);
    ASSERT_FALSE(anyOn.empty());
    for (bool on : anyOn) EXPECT_FALSE(on);
    EXPECT_TRUE(c.actSave->isEnabled());
}

TEST(TreeFileCommands, SavedTreeReopensInAFreshWindowMarkedReloaded) {
    Fixture f;
    const std::string file = f.dir / "saved.vtr";
    std::vector<Record> scanned;
    {
        Window w;
        w->Activate();
        Scan(w, f.t);
        scanned = Records(w->Tree());
        // Save from a sub-folder: the whole tree is written, the title names the current folder.
        w->Nav().ShowTreeFolder(w->Tree().FindFolder(f.t + "/A"));
        w.prompts.files.push_back(Choice(file));
        w->Actions().actSave->trigger();
        EXPECT_EQ(w.prompts.texts("save"), QStringList{"Save Size Tree: A"});
        ExpectCommandEnded(w);
        EXPECT_FALSE(w->TreeFiles().TreeReloaded());  // saving marks nothing
    }
    ASSERT_TRUE(std::filesystem::exists(file));
    ASSERT_EQ(scanned.size(), 4u);

    // The next run, started with the file as its first argument.
    Window w;
    w->Activate({Q(file)});
    TSizeFolder* top = w->Nav().CurrentFolder();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top, w->Tree().Top());
    EXPECT_EQ(Records(w->Tree()), scanned);
    EXPECT_TRUE(w->TreeFiles().TreeReloaded());
    EXPECT_EQ(w->Status().Panel(2), "Size tree reloaded");
    EXPECT_EQ(w.views->filledWith, top);
    EXPECT_EQ(w.views->chartsOf, top);
    EXPECT_EQ(w->Widgets().fpc2->currentIndex(), kSizeTreePage);
    EXPECT_TRUE(w.prompts.shown.empty()) << "no dialog at a command-line reload";
    EXPECT_FALSE(w->Status().GaugeVisible());
    EXPECT_TRUE(w->Actions().actSave->isEnabled());
    const std::vector<std::string> want{"ClearSizeTreeList", "ClearSizeRanking", "ClearBars",       "SetRestored(0)",
                                        "BarsNormal",        "FillSizeTreeList", "ShowFolderCharts", "SetRestored(1)",
                                        "FillSizeRanking"};
    EXPECT_EQ(w.views->calls, want);

    // Saving the reopened tree writes the same records.
    const std::string again = f.dir / "again.vtr";
    w.prompts.files.push_back(Choice(again));
    w->Actions().actSave->trigger();
    EXPECT_EQ(ReadFile(again), ReadFile(file));
}

TEST(TreeFileCommands, OpenReplacesTheTreeAndAScanEndsTheReloadedState) {
    Fixture f;
    TempDir other;
    other.write("O/x.bin", std::string(5000, 'x'));
    const std::string file = f.dir / "tree.vtr";
    {
        Window w;
        w->Activate();
        Scan(w, f.t);
        w.prompts.files.push_back(Choice(file));
        w->Actions().actSave->trigger();
    }
    Window w;
    w->Activate();
    Scan(w, other / "O");
    w->Nav().GoUp();  // leaves something in BackHistory
    w.prompts.files.push_back(std::nullopt);
    w->Actions().actOpen->trigger();  // cancelled: nothing changes
    EXPECT_EQ(w->Tree().Top()->Name, "O");
    EXPECT_FALSE(w->TreeFiles().TreeReloaded());

    std::vector<bool> busy;
    w.views->onCall = [&](const std::string&) { busy.push_back(w->IsBusy() && !w->Actions().actOpen->isEnabled()); };
    w.prompts.files.push_back(Choice(file));
    w->Actions().actOpen->trigger();
    EXPECT_EQ(w.prompts.texts("open"), (QStringList{"Open stored size tree", "Open stored size tree"}));
    EXPECT_EQ(w->Tree().Top()->Name, "T");
    EXPECT_EQ(w->Tree().Root->SubFolderCount(), 1);
    EXPECT_TRUE(w->Nav().BackHistory().empty());
    EXPECT_TRUE(w->TreeFiles().TreeReloaded());
    EXPECT_EQ(w->Nav().CurrentPath(), Q(f.t + "/"));  // the folder exists here: the explorer follows
    for (bool b : busy) EXPECT_TRUE(b);
    ExpectCommandEnded(w);

    // A branch refresh rescans from the disk and keeps the mark; a scan ends it.
    w.views->onCall = nullptr;
    w->Actions().actrefresh->trigger();
    ASSERT_TRUE(test::WaitUntilIdle(*w));
    EXPECT_TRUE(w->TreeFiles().TreeReloaded());
    w.views->calls.clear();
    Scan(w, f.t);
    EXPECT_FALSE(w->TreeFiles().TreeReloaded());
    EXPECT_NE(std::find(w.views->calls.begin(), w.views->calls.end(), "SetRestored(0)"), w.views->calls.end());
    EXPECT_NE(w->Status().Panel(2), "Size tree reloaded");
}

TEST(TreeFileCommands, AFailedOpenLeavesNothingOfTheDroppedTreeShown) {
    Fixture f;
    const std::string good = f.dir / "good.vtr";
    {
        Window w;
        w->Activate();
        Scan(w, f.t);
        w.prompts.files.push_back(Choice(good));
        w->Actions().actSave->trigger();
    }
    const std::string bytes = ReadFile(good);
    ASSERT_GT(bytes.size(), 40u);
    f.dir.write("truncated.vtr", bytes.substr(0, bytes.size() - 7));
    f.dir.write("empty.vtr", "");
    f.dir.mkdir("folder.vtr");
    struct Case {
        std::string file;
        QString messageStart;
    } cases[] = {{f.dir / "truncated.vtr", "Stream read error"},
                 {f.dir / "empty.vtr", "Stream read error"},
                 {f.dir / "missing.vtr", "Cannot open file"},
                 {f.dir / "folder.vtr", "Cannot open file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Window w;
        w->Activate();
        w.prompts.files.push_back(Choice(good));
        w->Actions().actOpen->trigger();
        ASSERT_TRUE(w->TreeFiles().TreeReloaded());
        w->Nav().GoUp();
        w.views->calls.clear();

        w.prompts.files.push_back(Choice(c.file));
        w->Actions().actOpen->trigger();
        const QStringList messages = w.prompts.texts();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(c.messageStart)) << messages[0].toStdString();
        EXPECT_EQ(w->Nav().CurrentFolder(), nullptr);
        EXPECT_EQ(w->Tree().Top(), nullptr);
        EXPECT_TRUE(w->Nav().BackHistory().empty());
        EXPECT_FALSE(w->TreeFiles().TreeReloaded());
        EXPECT_EQ(w->Status().Panel(2), "");
        EXPECT_FALSE(w->Actions().actSave->isEnabled());
        EXPECT_TRUE(w->Actions().actOpen->isEnabled());
        for (const char* fill : {"FillSizeTreeList", "ShowFolderCharts", "FillSizeRanking", "SetRestored(1)"})
            EXPECT_EQ(std::find(w.views->calls.begin(), w.views->calls.end(), fill), w.views->calls.end()) << fill;
        ExpectCommandEnded(w);
        // A search now has nothing to search.
        w->FileSearch().actFindFiles->trigger();
        EXPECT_EQ(w.prompts.texts().last(), "You have to perform a scan first");
    }
}

TEST(TreeFileCommands, ASaveThatFailsReportsItAndKeepsTheOldFile) {
    Fixture f;
    Window w;
    w->Activate();
    Scan(w, f.t);
    const std::string locked = f.dir.write("locked.vtr", "old tree");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    struct Case {
        std::string file;
    } cases[] = {{locked}, {f.dir / "no/such/folder/t.vtr"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        w.prompts.shown.clear();
        w.prompts.files.push_back(Choice(c.file));
        w->Actions().actSave->trigger();
        const QStringList messages = w.prompts.texts();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith("Cannot create file")) << messages[0].toStdString();
        ExpectCommandEnded(w);
        EXPECT_TRUE(w->Actions().actSave->isEnabled());
    }
    EXPECT_EQ(ReadFile(locked), "old tree");
    EXPECT_FALSE(std::filesystem::exists(f.dir / "no"));

    // Cancelling the dialog writes nothing and shows no gauge.
    w->Status().Timer3Timer();
    w.prompts.files.push_back(std::nullopt);
    w->Actions().actSave->trigger();
    EXPECT_FALSE(w->Status().GaugeVisible());
}

namespace {

// Closing the window while a tree is saved: the save completes, then the window closes.
TEST(TreeFileCommands, ClosingDuringASaveLetsItComplete) {
    Fixture f;
    for (int i = 0; i < 300; ++i) f.dir.mkdir("T/B/many" + std::to_string(i));
    const std::string file = f.dir / "closing.vtr";
    Window w;
    w->Activate();
    Scan(w, f.t);
    const std::vector<Record> scanned = Records(w->Tree());
    QTimer::singleShot(0, w.window.get(), [&] { w->close(); });
    w.prompts.files.push_back(Choice(file));
    w->Actions().actSave->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 5000));
    // The file is whole: it reads back into the same tree.
    Window again;
    again->Activate({Q(file)});
    EXPECT_EQ(Records(again->Tree()), scanned);
}

}  // namespace
