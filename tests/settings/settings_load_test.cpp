// First run and the main window's Load/Save of its own keys.
#include "settings/settings_load.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/settings_keys.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using namespace vantum::settings;
using vantum::test::ReadFile;
using vantum::test::TempDir;

namespace {

TEST(FirstRun, NoFolderYet) {
    TempDir dir;
    const std::string path = dir / "AppData/Vantu.ini";
    bool welcomeShown = false;
    bool fileExistedDuringWelcome = true;
    FirstRunResult r = PrepareSettingsFile(path, [&] {
        welcomeShown = true;
        fileExistedDuringWelcome = fs::exists(path);
    });
    EXPECT_TRUE(r.firstRun);
    EXPECT_TRUE(welcomeShown);
    EXPECT_FALSE(fileExistedDuringWelcome);  // the welcome window comes before the file
    EXPECT_TRUE(r.created);
    EXPECT_TRUE(r.splashWritten);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(ReadFile(path), "[Splash]\nShow=1\n");

    // The next start: no welcome, nothing rewritten, the splash now shows.
    welcomeShown = false;
    r = PrepareSettingsFile(path, [&] { welcomeShown = true; });
    EXPECT_FALSE(r.firstRun);
    EXPECT_FALSE(welcomeShown);
    EXPECT_FALSE(r.splashWritten);
    EXPECT_TRUE(Read(IniFile(path), key::SplashShow));
}

TEST(FirstRun, SplashSectionAddedToAnOlderFileOnly) {
    TempDir dir;
    const std::string path = dir.write("Vantu.ini", "[Bounds]\r\nwidth=800\r\n");
    FirstRunResult r = PrepareSettingsFile(path);
    EXPECT_FALSE(r.firstRun);
    EXPECT_TRUE(r.splashWritten);
    EXPECT_EQ(ReadFile(path), "[Bounds]\r\nwidth=800\r\n[Splash]\r\nShow=1\r\n");

    const std::string off = dir.write("Off.ini", "[splash]\nshow=0\n");
    r = PrepareSettingsFile(off);
    EXPECT_FALSE(r.splashWritten);
    EXPECT_EQ(ReadFile(off), "[splash]\nshow=0\n");
}

TEST(FirstRun, FolderThatCannotBeCreated) {
    TempDir dir;
    const std::string blocker = dir.write("blocker", "");
    const std::string path = blocker + "/AppData/Vantu.ini";
    FirstRunResult r = PrepareSettingsFile(path);
    EXPECT_TRUE(r.firstRun);
    EXPECT_FALSE(r.created);
    EXPECT_FALSE(r.splashWritten);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Error creating ini file"});
    // Reading goes on with the defaults.
    EXPECT_EQ(ReadMainWindowSettings(IniFile(path)).width, 900);
}

TEST(FirstRun, UnreadableFileIsReportedAndLeftAlone) {
    TempDir dir;
    const std::string path = dir.mkdir("Vantu.ini");
    FirstRunResult r = PrepareSettingsFile(path);
    EXPECT_FALSE(r.firstRun);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_NE(r.messages[0].find(path), std::string::npos);
    EXPECT_TRUE(fs::is_directory(path));
}

TEST(MainWindowSettings, DefaultsAndBadValues) {
    const MainWindowSettings s = ReadMainWindowSettings(
        IniFile::FromText("[Bounds]\nwidth=abc\nleft=12\n[Switches]\nSort=2\nToggle3D=0\n"));
    EXPECT_EQ(s.width, 900);
    EXPECT_EQ(s.left, 12);
    EXPECT_EQ(s.top, 50);
    EXPECT_EQ(s.height, 600);
    EXPECT_EQ(SortModeFromStored(s.sort), 2);
    EXPECT_FALSE(s.toggle3D);
    EXPECT_EQ(s.explorerShredder, 1);
    EXPECT_EQ(s.shredderCount, 4);
    EXPECT_EQ(s.lastDir, "/");
    EXPECT_EQ(s.historySize, 20);
}

TEST(MainWindowSettings, SaveRoundTripsAndSkipsBoundsWhenMaximised) {
    TempDir dir;
    const std::string keep = dir.mkdir("tmp1");
    const std::string path = dir.write("AppData/Vantu.ini",
                                       "[Bounds]\nleft=1\nwidth=2\ntop=3\nheight=4\n[Zip]\nCompression Ratio=9\n");
    MainWindowSettings s = ReadMainWindowSettings(IniFile(path));
    s.left = 300;
    s.width = 1280;
    s.sort = 1;
    s.showLegend = true;
    s.lastDir = "/home/u/";
    s.copyDir = "/mnt/backup/";
    s.history = {"/home/u/", "/srv/"};
    s.tempFolders = {keep};
    s.tabSheet = 2;

    ASSERT_TRUE(SaveMainWindowSettings(path, s, /*windowStateNormal=*/false));
    MainWindowSettings back = ReadMainWindowSettings(IniFile(path));
    EXPECT_EQ(back.left, 1);  // maximised: the last normal bounds stay
    EXPECT_EQ(back.width, 2);
    EXPECT_EQ(back.sort, 1);
    EXPECT_TRUE(back.showLegend);
    EXPECT_EQ(back.lastDir, "/home/u/");
    EXPECT_EQ(back.copyDir, "/mnt/backup/");
    EXPECT_EQ(back.history, s.history);
    EXPECT_EQ(back.tempFolders, s.tempFolders);
    EXPECT_EQ(back.tabSheet, 2);
    EXPECT_EQ(back.compressionRatio, 9);  // keys of other owners are untouched

    ASSERT_TRUE(SaveMainWindowSettings(path, s, /*windowStateNormal=*/true));
    back = ReadMainWindowSettings(IniFile(path));
    EXPECT_EQ(back.left, 300);
    EXPECT_EQ(back.width, 1280);
}

TEST(MainWindowSettings, SaveFailureIsReported) {
    TempDir dir;
    const std::string blocker = dir.write("blocker", "");
    IniResult r = SaveMainWindowSettings(blocker + "/AppData/Vantu.ini", MainWindowSettings{}, true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Could not create " + blocker + "/AppData");
}

}  // namespace
