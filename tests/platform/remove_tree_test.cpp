// Permanent deletion on the safe walk: links, mounts, odd names, depth, changed entries.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/remove_tree.h"
#include "support/private_mount.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vantum::platform::RemoveTree;
using vantum::test::TempDir;

bool Exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

TEST(RemoveTree, LinksAreRemovedAsLinksAndOddNamesGo) {
    TempDir dir;
    TempDir outside;
    const std::string kept = outside.write("keep/file", "precious");
    const std::string top = dir.mkdir("victim");
    dir.write("victim/a/b/c.txt", "x");
    ASSERT_EQ(symlink("/", (top + "/root-link").c_str()), 0);
    ASSERT_EQ(symlink(outside.path().c_str(), (top + "/a/folder-link").c_str()), 0);
    ASSERT_EQ(mkfifo((top + "/a/fifo").c_str(), 0600), 0);
    dir.write("victim/" + std::string(255, 'n'), "long");
    dir.write("victim/bad\xff\xfe name", "not utf-8");
    dir.write("victim/line\nbreak", "newline");

    const auto out = RemoveTree(top);
    EXPECT_TRUE(out.ok()) << (out.problems.empty() ? "" : out.problems[0].Message());
    EXPECT_FALSE(Exists(top));
    EXPECT_EQ(vantum::test::ReadFile(kept), "precious");
    EXPECT_TRUE(Exists("/etc/passwd"));
    EXPECT_GE(out.entries, 10u);
}

TEST(RemoveTree, PathsDeeperThanPathMaxAndMoreLevelsThanOpenFolders) {
    TempDir dir;
    // 400 levels of 30-byte names: about 12 000 bytes of path, beyond PATH_MAX and beyond
    // the number of folders the walk keeps open.
    const std::string name(30, 'd');
    int fd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 400; ++i) {
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0700), 0);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
        ASSERT_GE(fd, 0);
        if (i % 50 == 0) close(openat(fd, "file", O_CREAT | O_WRONLY, 0600));
    }
    close(fd);
    const auto out = RemoveTree(dir / name);
    EXPECT_TRUE(out.ok()) << (out.problems.empty() ? "" : out.problems[0].Message());
    EXPECT_FALSE(Exists(dir / name));
    EXPECT_EQ(out.entries, 400u + 8u);
}

TEST(RemoveTree, AnItemThatChangedSinceItWasChosenIsLeftAlone) {
    TempDir dir;
    const std::string p = dir.write("item", "old");
    vantum::platform::EntryInfo chosen;
    ASSERT_EQ(vantum::platform::StatEntry(AT_FDCWD, p.c_str(), chosen), 0);
    ASSERT_EQ(unlink(p.c_str()), 0);
    dir.mkdir("item");  // someone put a folder there meanwhile
    dir.write("item/inside", "new");
    const auto out = RemoveTree(p, {}, &chosen);
    EXPECT_FALSE(out.ok());
    ASSERT_EQ(out.problems.size(), 1u);
    EXPECT_NE(out.problems[0].Message().find(p), std::string::npos);
    EXPECT_EQ(vantum::test::ReadFile(dir / "item/inside"), "new");
}

TEST(RemoveTree, CancelStopsWithTheRestInPlace) {
    TempDir dir;
    for (int i = 0; i < 600; ++i) dir.write("many/f" + std::to_string(i), "");
    int polls = 0;
    vantum::platform::RemoveHooks hooks;
    hooks.cancel = [&] { return ++polls > 100; };
    const auto out = RemoveTree(dir / "many", hooks);
    EXPECT_TRUE(out.cancelled);
    EXPECT_FALSE(out.ok());
    EXPECT_TRUE(Exists(dir / "many"));
    EXPECT_LT(out.entries, 600u);
}

TEST(RemoveTree, AMountInsideIsNotCrossed) {
    TempDir dir;
    dir.write("top/own", "x");
    const std::string mp = dir.mkdir("top/mnt");
    vantum::test::TmpfsMount mount(mp, 1024);
    REQUIRE_MOUNT(mount);
    dir.write("top/mnt/on-other-fs", "kept");
    const auto out = RemoveTree(dir / "top");
    EXPECT_FALSE(out.ok());
    EXPECT_EQ(vantum::test::ReadFile(dir / "top/mnt/on-other-fs"), "kept");
    EXPECT_FALSE(Exists(dir / "top/own"));
    bool named = false;
    for (const auto& p : out.problems) named |= p.path == mp;
    EXPECT_TRUE(named);
}

}  // namespace
