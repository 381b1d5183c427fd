#include "cleaning/shortcut_target.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "cleaning/target_state.h"
#include "lnk_builder.h"
#include "support/temp_dir.h"

namespace vantum::cleaning {
namespace {

using test::BuildLnk;
using test::LnkFixture;
using test::TempDir;

std::string LocalLnk(const std::string& target) {
    LnkFixture f;
    f.localBasePath = target;
    return BuildLnk(f);
}

TEST(ReadShortcutTarget, EachKindOfShortcut) {
    TempDir dir;
    std::string target = dir.write("docs/target.txt", "x");
    dir.mkdir("links");
    ASSERT_EQ(::symlink("../docs/target.txt", (dir / "links/relative").c_str()), 0);
    ASSERT_EQ(::symlink("/nowhere/at/all", (dir / "links/absolute").c_str()), 0);
    ASSERT_EQ(::symlink("not-a-shortcut.txt", (dir / "links/named.lnk").c_str()), 0);  // a link first
    dir.write("app.lnk", LocalLnk(target));
    dir.write("APP2.LNK", LocalLnk("C:\\x.exe"));
    dir.write("damaged.lnk", LocalLnk(target).substr(0, 100));
    dir.write("app.desktop", "[Desktop Entry]\nExec=/usr/bin/app --x\n");
    dir.write("plain.txt", LocalLnk(target));
    ASSERT_EQ(::mkfifo((dir / "fifo.lnk").c_str(), 0600), 0);  // must not block the read
    dir.mkdir("folder.lnk");

    EXPECT_EQ(ReadShortcutTarget(dir / "links/relative"), dir.path() + "/links/../docs/target.txt");
    EXPECT_EQ(ReadShortcutTarget(dir / "links/absolute"), "/nowhere/at/all");
    EXPECT_EQ(ReadShortcutTarget(dir / "links/named.lnk"), dir.path() + "/links/not-a-shortcut.txt");
    EXPECT_EQ(ReadShortcutTarget(dir / "app.lnk"), target);
    EXPECT_EQ(ReadShortcutTarget(dir / "APP2.LNK"), "C:\\x.exe");
    EXPECT_EQ(ReadShortcutTarget(dir / "damaged.lnk"), "");
    EXPECT_EQ(ReadShortcutTarget(dir / "app.desktop"), "/usr/bin/app");
    EXPECT_EQ(ReadShortcutTarget(dir / "plain.txt"), "");
    EXPECT_EQ(ReadShortcutTarget(dir / "fifo.lnk"), "");
    EXPECT_EQ(ReadShortcutTarget(dir / "folder.lnk"), "");
    EXPECT_EQ(ReadShortcutTarget(dir / "missing.lnk"), "");
}

TEST(ReadShortcutTarget, RelativeLinkPathIsMadeAbsolute) {
    TempDir dir;
    dir.write("t", "x");
    ASSERT_EQ(::symlink("t", (dir / "l").c_str()), 0);
    char cwd[4096];
    ASSERT_TRUE(::getcwd(cwd, sizeof cwd));
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    std::string target = ReadShortcutTarget("l");
    ASSERT_EQ(::chdir(cwd), 0);
    EXPECT_EQ(target, dir.path() + "/t");
}

TEST(ReadShortcutTarget, TogetherWithItsState) {
    TempDir dir;
    std::string kept = dir.write("kept.txt", "x");
    dir.write("ok.lnk", LocalLnk(kept));
    dir.write("gone.lnk", LocalLnk(dir / "gone.txt"));
    LnkFixture unc;
    unc.netName = "\\\\fileserver\\public";
    unc.commonPathSuffix = "old\\gone.doc";
    dir.write("share.lnk", BuildLnk(unc));
    dir.write("damaged.lnk", "L\0\0\0garbage");
    ASSERT_EQ(::symlink("missing", (dir / "dangling").c_str()), 0);
    ASSERT_EQ(::symlink("loop2", (dir / "loop1").c_str()), 0);
    ASSERT_EQ(::symlink("loop1", (dir / "loop2").c_str()), 0);
    std::vector<platform::MountEntry> mounts = {{"/", "ext4", "/dev/sda1", 1}};

    auto state = [&](const std::string& name) { return ClassifyTarget(ReadShortcutTarget(dir / name), mounts); };
    EXPECT_EQ(state("ok.lnk"), ShortcutState::Ok);
    EXPECT_EQ(state("gone.lnk"), ShortcutState::Broken);
    EXPECT_EQ(state("share.lnk"), ShortcutState::NetworkLink);
    EXPECT_EQ(state("damaged.lnk"), ShortcutState::Undefined);
    EXPECT_EQ(state("dangling"), ShortcutState::Broken);
    EXPECT_EQ(state("loop1"), ShortcutState::Broken);
}

TEST(ShortcutTargetCommand, PrintsFileTargetAndState) {
    TempDir dir;
    std::string kept = dir.write("kept.txt", "x");
    dir.write("ok.lnk", LocalLnk(kept));
    ASSERT_EQ(::symlink("missing", (dir / "dangling").c_str()), 0);
    std::string out = dir / "out.txt";
    std::string cmd = std::string(VANTUM_CLI_PATH) + " shortcut-target '" + (dir / "ok.lnk") + "' '" + (dir / "dangling") +
                      "' > '" + out + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(test::ReadFile(out), (dir / "ok.lnk") + "\t" + kept + "\tOK\n" + (dir / "dangling") + "\t" +
                                        (dir / "missing") + "\tBroken\n");

    // A target holding a line break and an escape sequence cannot forge a line or colour the terminal.
    ASSERT_EQ(::symlink("x\ny\x1b[2J", (dir / "odd").c_str()), 0);
    cmd = std::string(VANTUM_CLI_PATH) + " shortcut-target '" + (dir / "odd") + "' > '" + out + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(test::ReadFile(out), (dir / "odd") + "\t" + (dir / "x\\ny\\x1b[2J") + "\tBroken\n");
}

}  // namespace
}  // namespace vantum::cleaning
