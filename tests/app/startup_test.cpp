// Activation, the first run, loading the window's settings and saving them at exit.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QToolButton>
#include <QTreeView>
#include <QStackedWidget>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/history_controller.h"
#include "app/navigation.h"
#include "app/scan_controller.h"
#include "app/sort_mode.h"
#include "app/view_switches.h"
#include "app/window_settings.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::app;
using vantum::test::ReadFile;
using vantum::test::TempDir;
using vantum::test::TestWindow;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

TEST(Startup, FirstRunShowsTheWelcomeAndCreatesTheFile) {
    TestWindow t;
    ASSERT_FALSE(std::filesystem::exists(t.SettingsPath()));
    EXPECT_FALSE(t->isVisible());
    EXPECT_EQ(t->x(), -1000);  // created off screen
    t->Activate();
    EXPECT_EQ(t.welcomeShown, 1);
    EXPECT_TRUE(t->isVisible());
    const std::string ini = ReadFile(t.SettingsPath());
    EXPECT_NE(ini.find("[Splash]"), std::string::npos);
    EXPECT_NE(ini.find("Show=1"), std::string::npos);
    // The default start folder is the file system root.
    EXPECT_EQ(t->Nav().CurrentPath(), "/");
    EXPECT_EQ(t->Nav().CurrentFolder(), nullptr);
    EXPECT_TRUE(t.prompts.shown.empty());
}

TEST(Startup, ASecondActivationChangesNothing) {
    TestWindow t;
    int baseline = 0;
    app::MainWindowHooks hooks;
    t->Activate({}, [&] { ++baseline; });
    t->History().SetItems({"/srv/"});
    t->Activate();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(t.window.get(), &activate);
    EXPECT_EQ(t.welcomeShown, 1);
    EXPECT_EQ(baseline, 1);
    EXPECT_EQ(t->History().Items(), QStringList{"/srv/"});
}

TEST(Startup, CommandLineHooksAndFreeSpaceBaseline) {
    TempDir d;
    std::vector<QString> reloaded, decrypted;
    int baseline = 0;
    app::MainWindowHooks hooks;
    hooks.reloadTreeFile = [&](const QString& f) { reloaded.push_back(f); };
    hooks.decryptFile = [&](const QString& target, const QString& source, const QString& pw) {
        decrypted.insert(decrypted.end(), {target, source, pw});
    };
    hooks.recordFreeSpaceBaseline = [&] { ++baseline; };
    {
        TestWindow t(d / "a.ini", hooks);
        t->Activate({"/data/Tree.VTR"});
        EXPECT_EQ(reloaded, std::vector<QString>{"/data/Tree.VTR"});
        EXPECT_TRUE(decrypted.empty());
        EXPECT_EQ(baseline, 1);
    }
    {
        TestWindow t(d / "b.ini", hooks);
        t.prompts.inputs.push_back(QString("secret"));
        t->Activate({"/data/file.txt.lec"});
        EXPECT_EQ(t.prompts.texts("input"), QStringList{"Decrypt files|Enter password"});
        EXPECT_EQ(decrypted, (std::vector<QString>{"/data/file.txt", "/data/file.txt.lec", "secret"}));
    }
    {
        decrypted.clear();
        TestWindow t(d / "c.ini", hooks);  // password box cancelled
        t->Activate({"/data/file.txt.lec"});
        EXPECT_TRUE(decrypted.empty());
    }
}

TEST(Startup, ASettingsFolderThatCannotBeCreated) {
    TempDir d;
    d.write("blocker", "a file where the folder should be");
    TestWindow t(d / "blocker/AppData/Vantu.ini");
    t->Activate();
    EXPECT_TRUE(t->isVisible());
    EXPECT_EQ(t.welcomeShown, 1);
    EXPECT_EQ(t.prompts.texts(), QStringList{"Error creating ini file"});
    EXPECT_EQ(t->Nav().CurrentPath(), "/");
    // Closing reports that the settings could not be saved, rather than losing them quietly.
    t->close();
    ASSERT_EQ(t.prompts.texts().size(), 2);
    EXPECT_FALSE(t.prompts.texts()[1].isEmpty());
}

TEST(Startup, JunkAndBadValuesReadAsDefaults) {
    TempDir d;
    const std::string path = d.write("Vantu.ini",
                                     "\x01\x02 garbage\n[Bounds]\nwidth=abc\nleft=10\n[Page]\nTabSheet=99\n"
                                     "[Switches]\nSort=7\n[LastDir]\nStart with=/no/such/folder/\n");
    TestWindow t(path);
    t->Activate();
    EXPECT_EQ(t.welcomeShown, 0);
    EXPECT_TRUE(t.prompts.shown.empty());
    EXPECT_EQ(t->geometry().width(), 900);
    EXPECT_EQ(t->Widgets().pages->currentIndex(), 0);
    EXPECT_EQ(t->Sort().SortMode(), 2);
    EXPECT_FALSE(t->Actions().actSortName->isChecked());
    EXPECT_FALSE(t->Actions().actSortSize->isChecked());
    // A start folder that is gone leaves no current path, and is kept for the next run.
    EXPECT_EQ(t->Nav().CurrentPath(), "");
    t->close();
    EXPECT_NE(ReadFile(path).find("Start with=/no/such/folder/"), std::string::npos);
    EXPECT_NE(ReadFile(path).find("garbage"), std::string::npos);
}

TEST(Startup, SettingsRoundTrip) {
    TempDir d;
    const std::string folder = d.mkdir("start");
    const std::string path = d / "Vantu.ini";
    {
        TestWindow t(path);
        t->Activate();
        t->setGeometry(120, 80, 800, 500);
        t->Nav().GoToPath(Q(folder), true);
        t->History().SetItems({"/srv/", Q(folder) + "/"});
        t->Actions().actFolderHistory->trigger();
        t->Actions().actSortSize->trigger();
        t->Actions().actShowHints2->trigger();
        t->Widgets().pages->setCurrentIndex(kRankingPage);
        t->Actions().actToggleDirTree->trigger();  // collapsed
        t->close();
    }
    const std::string ini = ReadFile(path);
    for (const char* line : {"width=800", "height=500", "TabSheet=2", "ShowDirTree=0", "HistoryCombo=1", "Sort=1",
                             "Show Hints=0", "count=2"})
        EXPECT_NE(ini.find(line), std::string::npos) << line << "\n" << ini;
    EXPECT_NE(ini.find("Start with=" + folder + "/"), std::string::npos);
    {
        TestWindow t(path);
        t->Activate();
        EXPECT_EQ(t->geometry().width(), 800);
        EXPECT_EQ(t->Nav().CurrentPath(), Q(folder) + "/");
        EXPECT_EQ(t->History().Items(), (QStringList{"/srv/", Q(folder) + "/"}));
        EXPECT_TRUE(t->Actions().actFolderHistory->isChecked());
        EXPECT_TRUE(t->Widgets().comboPanel->isVisible());
        EXPECT_EQ(t->Sort().SortMode(), 1);
        EXPECT_TRUE(t->Actions().actSortSize->isChecked());
        EXPECT_FALSE(t->Actions().actShowHints2->isChecked());
        EXPECT_EQ(t->Widgets().pages->currentIndex(), kRankingPage);
        EXPECT_LE(t->Switches().DirPanelWidth(), 1);
        // Restoring a panel that was collapsed at start gives 150 pixels.
        t->Actions().actToggleDirTree->trigger();
        EXPECT_EQ(t->Switches().DirPanelWidth(), 150);
    }
}

TEST(Startup, BoundsAreNotWrittenWhileMaximised) {
    TempDir d;
    const std::string path = d.write("Vantu.ini", "[Splash]\nShow=0\n[Bounds]\nleft=10\ntop=20\nwidth=700\nheight=450\n");
    {
        TestWindow t(path);
        t->Activate();
        t->showMaximized();
        t->close();
    }
    const std::string ini = ReadFile(path);
    EXPECT_NE(ini.find("width=700"), std::string::npos) << ini;
    EXPECT_NE(ini.find("height=450"), std::string::npos);
    EXPECT_NE(ini.find("maximized=1"), std::string::npos);
    // The next start is maximised again; restored, it has the normal bounds.
    {
        TestWindow t(path);
        t->Activate();
        EXPECT_TRUE(t->windowState() & Qt::WindowMaximized);
        t->showNormal();
        EXPECT_EQ(t->Settings().Collect().width, 700);
        t->close();
    }
    EXPECT_NE(ReadFile(path).find("maximized=0"), std::string::npos);
}

TEST(Startup, TheExplorerTreeOpensAtTheStartFolderAndKeepsItsState) {
    TempDir d;
    const std::string start = d.mkdir("start/here");
    d.mkdir("start/here/inner");
    const std::string path = d.write("Vantu.ini", "[Splash]\nShow=0\n[LastDir]\nStart with=" + start + "/\n");
    TestWindow t(path);
    t->Activate();
    QTreeView* tree = t->Widgets().dirTree;
    QFileSystemModel* model = t->Widgets().dirModel;
    const QModelIndex here = model->index(Q(start));
    EXPECT_EQ(tree->currentIndex(), here);
    EXPECT_TRUE(tree->isExpanded(here));
    const QModelIndex home = model->index(QDir::homePath());
    EXPECT_TRUE(tree->isExpanded(home));
    // A folder the user opens stays open when the explorer page is shown again.
    const QModelIndex other = model->index(Q(d.path()));
    tree->expand(other);
    t->Widgets().sizeTreeButton->click();
    t->Widgets().explorerTreeButton->click();
    EXPECT_TRUE(tree->isExpanded(other));
    EXPECT_TRUE(tree->isExpanded(here));
    EXPECT_EQ(tree->currentIndex(), here);
}

TEST(Startup, NothingIsSavedWithoutALoad) {
    TempDir d;
    const std::string path = d.write("Vantu.ini", "[Bounds]\nwidth=777\n");
    { TestWindow t(path); }  // never activated
    EXPECT_EQ(ReadFile(path), "[Bounds]\nwidth=777\n");
}

}  // namespace

namespace {

// Activates the window; true when it is up within the time given (a start that hangs never
// returns, which fails the test by its timeout).
bool StartsWithin(TestWindow& t, int ms) {
    QElapsedTimer clock;
    clock.start();
    t->Activate();
    return clock.elapsed() < ms && t->isVisible();
}

}  // namespace

TEST(Startup, AHugeCountAndThousandsOfKeysReadInLinearTime) {
    TempDir d;
    std::string text = "[Splash]\nShow=0\n[HistoryCombo]\ncount=2147483647\n0=/a/\n";
    for (int i = 0; i < 5000; ++i) text += "k" + std::to_string(i) + "=v\n";
    text += "7=/b/\n";
    for (int i = 0; i < 20000; ++i) text += "[S" + std::to_string(i) + "]\nx=1\n";
    d.write("Vantu.ini", text);
    TestWindow t(d / "Vantu.ini");
    EXPECT_TRUE(StartsWithin(t, 5000));
    EXPECT_EQ(t->History().Items(), (QStringList{"/a/", "/b/"}));
    EXPECT_TRUE(t.prompts.shown.empty());
}

TEST(Startup, ASettingsFileThatIsNoRegularFileOrTooBigIsLeftAlone) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
    } cases[] = {
        {"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
        {"folder", [](const std::string& p) { std::filesystem::create_directory(p); }},
        {"5 MB", [](const std::string& p) {
             std::ofstream out(p);
             out << "[Splash]\nShow=0\n[Bounds]\nwidth=700\n" << std::string(5 << 20, ';') << "\n";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir d;
        const std::string path = d / "Vantu.ini";
        c.make(path);
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
        {
            TestWindow t(path);
            EXPECT_TRUE(StartsWithin(t, 5000));
            // Told once, the defaults in use.
            ASSERT_EQ(t.prompts.texts().size(), 1);
            EXPECT_TRUE(t.prompts.texts()[0].startsWith(Q("Cannot read " + path))) << t.prompts.texts()[0].toStdString();
            EXPECT_EQ(t->width(), 900);
            t->close();
        }
        // Neither replaced nor changed at exit.
        struct stat after {};
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_size, before.st_size);
        EXPECT_EQ(after.st_mode, before.st_mode);
    }
}
