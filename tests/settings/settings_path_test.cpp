// Where the settings file lives.
#include "settings/settings_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "support/temp_dir.h"

using namespace vantum::settings;
using vantum::test::TempDir;

namespace {

TEST(SettingsPath, FolderChoiceFollowsThePlatformRules) {
    TempDir dir;
    const std::string withAppData = dir.mkdir("portable");
    dir.mkdir("portable/AppData");
    const std::string withoutAppData = dir.mkdir("installed");
    dir.write("filenotfolder/AppData", "");

    struct Case {
        const char* what;
        AppDataInputs in;
        std::string expected;
    };
    const Case cases[] = {
        {"override wins", {"/x/appdata/", withAppData, "/cfg", "/home/u"}, "/x/appdata"},
        {"AppData beside the program", {"", withAppData, "/cfg", "/home/u"}, withAppData + "/AppData"},
        {"no AppData beside it", {"", withoutAppData, "/cfg/", "/home/u"}, "/cfg/vantum"},
        {"AppData that is a file", {"", dir / "filenotfolder", "/cfg", "/home/u"}, "/cfg/vantum"},
        {"relative XDG_CONFIG_HOME is ignored", {"", "", "cfg", "/home/u"}, "/home/u/.config/vantum"},
        {"home default", {"", "", "", "/home/u/"}, "/home/u/.config/vantum"},
        {"root home", {"", "", "", "/"}, "/.config/vantum"},
    };
    for (const Case& c : cases) EXPECT_EQ(ResolveAppDataFolder(c.in), c.expected) << c.what;
}

TEST(SettingsPath, ReadOnlyAppDataBesideTheProgramIsPassedOver) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    TempDir dir;
    const std::string ro = dir.mkdir("prog/AppData");
    ::chmod(ro.c_str(), 0555);
    EXPECT_EQ(ResolveAppDataFolder({"", dir / "prog", "/cfg", "/home/u"}), "/cfg/vantum");
}

TEST(SettingsPath, SettingsFileAndItsSiblings) {
    // The test environment points VANTUM_APPDATA at a private folder.
    const std::string folder = std::getenv("VANTUM_APPDATA");
    EXPECT_EQ(SettingsPath(), folder + "/Vantu.ini");
    EXPECT_EQ(&SettingsPath(), &SettingsPath());  // built once
    EXPECT_EQ(AppDataFolder(), folder);
    EXPECT_EQ(TempTypeListPath(), folder + "/Vantu.tpl");
    EXPECT_EQ(CopyLogPath(), folder + "/Vantu.log");
    EXPECT_EQ(UpdatePagePath(), folder + "/Vantu.kbw");
    EXPECT_EQ(SizeLogPath(), folder + "/Sizereport.log");
    EXPECT_EQ(AppDataFile("Chart.jpg"), folder + "/Chart.jpg");
}

TEST(SettingsPath, ReplaceExtension) {
    EXPECT_EQ(ReplaceExtension("/a/Vantu.ini", ".tpl"), "/a/Vantu.tpl");
    EXPECT_EQ(ReplaceExtension("/a.b/Vantu", ".log"), "/a.b/Vantu.log");
    EXPECT_EQ(ReplaceExtension("/a/.hidden", ".log"), "/a/.hidden.log");
    EXPECT_EQ(ReplaceExtension("/a/x.tar.gz", ".kbw"), "/a/x.tar.kbw");
}

}  // namespace
