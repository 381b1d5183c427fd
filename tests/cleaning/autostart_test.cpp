#include "cleaning/autostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

namespace vantum::cleaning {
namespace {

using test::ReadFile;
using test::TempDir;
namespace fs = std::filesystem;

struct Fixture {
    TempDir dir;
    XdgAutostart autostart{dir / "user", {dir / "sys1", dir / "sys2"}};
    Fixture() {
        dir.write("sys1/a.desktop", "[Desktop Entry]\nType=Application\nName=A\nExec=/usr/bin/a --x\n");
        dir.write("sys1/b.desktop", "[Desktop Entry]\nType=Application\nName=B\nExec=/usr/bin/b\n");
        dir.write("sys2/b.desktop", "[Desktop Entry]\nType=Application\nName=B2\nExec=/usr/bin/b2\n");
        dir.write("sys2/off.desktop", "[Desktop Entry]\nType=Application\nName=Off\nExec=off\nHidden=true\n");
        dir.write("user/b.desktop", "[Desktop Entry]\nType=Application\nName=B\nExec=/home/u/b\\sarg\n");
        dir.write("user/c.desktop", "# mine\n[Desktop Entry]\nType=Application\nName=C\nExec=c\n");
        dir.write("user/notes.txt", "not an entry");
    }
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (const auto& e : autostart.List()) rows.push_back(e.id + "=" + e.exec + (e.userFile ? " (user)" : ""));
        return rows;
    }
};

bool Valid(const std::string& file) {
    return std::system(("desktop-file-validate '" + file + "' >/dev/null 2>&1").c_str()) == 0;
}

TEST(XdgAutostart, UserEntriesWinAndDeleteMasksSystemEntries) {
    Fixture f;
    EXPECT_EQ(f.Rows(), (std::vector<std::string>{"a.desktop=/usr/bin/a --x", "b.desktop=/home/u/b arg (user)",
                                                  "c.desktop=c (user)"}));
    std::string error;
    ASSERT_TRUE(f.autostart.Delete("c.desktop", &error)) << error;  // the user's own: removed
    EXPECT_FALSE(fs::exists(f.dir / "user/c.desktop"));
    ASSERT_TRUE(f.autostart.Delete("a.desktop", &error)) << error;  // system only: masked
    EXPECT_EQ(ReadFile(f.dir / "user/a.desktop"),
              "[Desktop Entry]\nHidden=true\nType=Application\nName=A\nExec=/usr/bin/a --x\n");
    ASSERT_TRUE(f.autostart.Delete("b.desktop", &error)) << error;  // both: the user's file becomes the mask
    EXPECT_NE(ReadFile(f.dir / "user/b.desktop").find("Hidden=true"), std::string::npos);
    EXPECT_TRUE(f.Rows().empty());
    EXPECT_TRUE(fs::exists(f.dir / "sys1/a.desktop"));
    EXPECT_TRUE(Valid(f.dir / "user/a.desktop"));
    EXPECT_FALSE(f.autostart.Delete("off.desktop", &error));
    EXPECT_NE(error.find("no autostart entry"), std::string::npos);
}

TEST(XdgAutostart, ExecQuotingFollowsTheDesktopEntryRules) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"/usr/bin/app", "--flag"}, "/usr/bin/app --flag"},
        {{"/opt/My App/run", "say \"hi\""}, "\"/opt/My App/run\" \"say \\\"hi\\\"\""},
        {{"app", "100%", "%u"}, "app 100%% %%u"},
        {{"app", "$HOME", "a\\b", "`x`", ""}, "app \"\\$HOME\" \"a\\\\b\" \"\\`x\\`\" \"\""},
    };
    for (const auto& [args, exec] : cases) EXPECT_EQ(ExecFromArguments(args), exec);

    Fixture f;
    for (const auto& [args, exec] : cases) {
        std::string id, error;
        ASSERT_TRUE(f.autostart.Add("  My app", exec, &id, &error)) << error;
        EXPECT_TRUE(Valid(f.dir / ("user/" + id))) << ReadFile(f.dir / ("user/" + id));
        auto rows = f.autostart.List();
        auto it = std::find_if(rows.begin(), rows.end(), [&](const AutostartEntry& e) { return e.id == id; });
        ASSERT_NE(it, rows.end());
        EXPECT_EQ(it->exec, exec);
        EXPECT_EQ(it->name, "  My app");
    }
    // Ids never replace a file, the user's or a system one.
    EXPECT_TRUE(fs::exists(f.dir / "user/--My-app.desktop"));
    EXPECT_TRUE(fs::exists(f.dir / "user/--My-app-4.desktop"));
    std::string id, error;
    ASSERT_TRUE(f.autostart.Add("a", "x", &id, &error));
    EXPECT_EQ(id, "a-2.desktop");
}

TEST(XdgAutostart, BackupsAreUniqueAndRestoreOnlyTheAutostartKey) {
    Fixture f;
    std::string first, second, error;
    ASSERT_TRUE(f.autostart.Backup(f.dir / "AutostartA", &first, &error)) << error;
    ASSERT_TRUE(f.autostart.Backup(f.dir / "AutostartA", &second, &error)) << error;
    EXPECT_NE(first, second);  // same minute, or not: never the same file
    EXPECT_EQ(ReadFile(first), ReadFile(second));
    EXPECT_NE(ReadFile(first).find("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
                                   "\"a.desktop\"=\"/usr/bin/a --x\"\r\n"),
              std::string::npos);

    ASSERT_TRUE(f.autostart.Delete("a.desktop", &error));
    ASSERT_TRUE(f.autostart.Delete("c.desktop", &error));
    f.dir.write("user/new.desktop", "[Desktop Entry]\nType=Application\nName=N\nExec=n\n");
    auto plan = f.autostart.PlanRestore(first, &error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->add.size(), 2u);  // a (masked now) and c
    EXPECT_TRUE(plan->remove.empty());  // a backup lists, it does not delete
    ASSERT_TRUE(f.autostart.Restore(*plan, &error)) << error;
    auto after = f.Rows();
    after.erase(std::remove(after.begin(), after.end(), "new.desktop=n (user)"), after.end());
    // a comes back as the user's (unmasked) copy; the rest as it was.
    EXPECT_EQ(after, (std::vector<std::string>{"a.desktop=/usr/bin/a --x (user)", "b.desktop=/home/u/b arg (user)",
                                               "c.desktop=c (user)"}));

    const std::vector<std::pair<std::string, std::string>> refused = {
        {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"x\"=\"y\"\r\n", "not only the values of the edited key"},
        {"REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n", "deletes"},
        {"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"../../x\"=\"y\"\r\n",
         "cannot be a file name"},
        {"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"z.desktop\"=\"z\"\r\n"
         "\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Sub]\r\n",
         "not only the values of the edited key"},
        {"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"z.desktop\"=dword:1\r\n",
         "not a command line"},
    };
    for (const auto& [text, reason] : refused) {
        EXPECT_FALSE(f.autostart.PlanRestore(f.dir.write("bad.reg", text), &error)) << text;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    EXPECT_FALSE(fs::exists(f.dir / "z.desktop"));
    EXPECT_FALSE(fs::exists(f.dir / "user/z.desktop"));
}

}  // namespace
}  // namespace vantum::cleaning
