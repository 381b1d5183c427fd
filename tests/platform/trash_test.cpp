// The freedesktop trash: the home trash and the trash of another file system, names, the
// trash information, restore, size and empty; read back by trash-cli where it is installed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <regex>
#include <set>

#include "platform/trash.h"
#include "support/private_mount.h"
#include "support/temp_dir.h"

namespace {

using vantum::platform::Trash;
using vantum::platform::TrashPut;
using vantum::test::ReadFile;
using vantum::test::TempDir;

bool Exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

std::string RunCommand(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
}

TEST(TrashPath, PercentEncodingOfRawBytes) {
    EXPECT_EQ(vantum::platform::TrashPathEncode("/a b/%/\xff\n~x-y_z.1"), "/a%20b/%25/%FF%0A~x-y_z.1");
    const std::string raw = "/odd \xfe\x01\n%41 name";
    EXPECT_EQ(vantum::platform::TrashPathDecode(vantum::platform::TrashPathEncode(raw)), raw);
    EXPECT_TRUE(std::regex_match(vantum::platform::TrashDeletionDate(0), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)")));
}

TEST(HomeTrash, PutWritesInfoAndSizesThenRestoreRefusesToOverwrite) {
    TempDir dir;
    // The data folder does not exist yet: the trash and its parents are made, private.
    Trash trash(dir / "data/share/Trash");
    const std::string file = dir.write("work/report 100%.txt", "data");
    dir.write("work/folder/inner", std::string(10000, 'x'));

    const TrashPut f = trash.Put(file);
    ASSERT_TRUE(f.ok()) << f.message;
    const TrashPut d = trash.Put(dir / "work/folder");
    ASSERT_TRUE(d.ok()) << d.message;
    EXPECT_FALSE(Exists(file));
    struct stat st;
    ASSERT_EQ(stat((dir / "data/share/Trash").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const std::string info = ReadFile(dir / "data/share/Trash/info/report 100%.txt.trashinfo");
    EXPECT_TRUE(std::regex_match(info, std::regex("\\[Trash Info\\]\nPath=" + std::regex_replace(dir.path(), std::regex("[.]"), "\\.") +
                                                  "/work/report%20100%25\\.txt\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")))
        << info;
    const std::string sizes = ReadFile(dir / "data/share/Trash/directorysizes");
    EXPECT_TRUE(std::regex_match(sizes, std::regex(std::to_string(d.bytes) + " \\d+ folder\n"))) << sizes;
    EXPECT_GE(d.bytes, 10000u);

    auto items = trash.List();
    ASSERT_EQ(items.size(), 2u);
    dir.write("work/report 100%.txt", "new one");  // the original place is taken again
    const vantum::platform::TrashedItem* reportItem = items[0].name == "report 100%.txt" ? &items[0] : &items[1];
    const auto refused = trash.Restore(*reportItem);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(ReadFile(file), "new one");
    ASSERT_EQ(unlink(file.c_str()), 0);
    EXPECT_TRUE(trash.Restore(*reportItem).ok);
    EXPECT_EQ(ReadFile(file), "data");

    EXPECT_GT(trash.Size(), 10000u);
    const auto emptied = trash.Empty();
    EXPECT_TRUE(emptied.ok);
    EXPECT_EQ(emptied.items, 1u);
    EXPECT_TRUE(trash.List().empty());
    EXPECT_EQ(trash.Size(), 0u);
    EXPECT_FALSE(Exists(dir / "data/share/Trash/directorysizes"));
}

TEST(HomeTrash, CollidingLongOddNamesStayUniqueAndWithinNameMax) {
    TempDir dir;
    Trash trash(dir / "Trash");
    const std::string names[] = {std::string(255, 'L'), std::string(120, '\xc3') + std::string(1, 'x'),
                                 "non utf-8 \xff\xfe", "line\nbreak"};
    std::set<std::string> seen;
    for (const auto& n : names) {
        for (int i = 0; i < 3; ++i) {
            const std::string p = dir.write("src/" + n, n);
            const TrashPut put = trash.Put(p);
            ASSERT_TRUE(put.ok()) << put.message;
            EXPECT_LE(put.item.name.size() + 10, static_cast<std::size_t>(NAME_MAX));
            EXPECT_TRUE(seen.insert(put.item.name).second);
            EXPECT_EQ(put.item.originalPath, p);
        }
    }
    for (const auto& item : trash.List()) {
        ASSERT_EQ(item.originalPath.substr(0, dir.path().size() + 5), dir.path() + "/src/");
        EXPECT_TRUE(Exists(dir / "Trash/files/" + item.name));
    }
}

TEST(HomeTrash, AThousandItemsOfOneName) {
    TempDir dir;
    Trash trash(dir / "Trash");
    for (int i = 0; i < 1000; ++i) {
        const TrashPut put = trash.Put(dir.write("same.txt", std::to_string(i)));
        ASSERT_TRUE(put.ok()) << i << ": " << put.message;
    }
    const auto items = trash.List();
    EXPECT_EQ(items.size(), 1000u);
    std::set<std::string> contents;
    for (const auto& item : items) contents.insert(ReadFile(dir / "Trash/files/" + item.name));
    EXPECT_EQ(contents.size(), 1000u);
}

// Another file system: $topdir/.Trash/$uid only when .Trash is a real sticky folder.
TEST(TopdirTrash, UsesStickyDotTrashElseDotTrashUid) {
    TempDir home;
    TempDir dir;
    const std::string top = dir.mkdir("mnt");
    vantum::test::TmpfsMount mount(top, 4096);
    REQUIRE_MOUNT(mount);
    Trash trash(home / "Trash");
    const std::string uid = std::to_string(getuid());

    // .Trash that is a link to a sticky folder: not used.
    dir.mkdir("mnt/elsewhere");
    ASSERT_EQ(chmod((top + "/elsewhere").c_str(), 01777), 0);
    ASSERT_EQ(symlink("elsewhere", (top + "/.Trash").c_str()), 0);
    TrashPut put = trash.Put(dir.write("mnt/one", "1"));
    ASSERT_TRUE(put.ok()) << put.message;
    EXPECT_EQ(put.item.trashDir, top + "/.Trash-" + uid);
    EXPECT_FALSE(Exists(top + "/elsewhere/" + uid));
    EXPECT_EQ(ReadFile(top + "/.Trash-" + uid + "/info/one.trashinfo").find("Path=one\n"), 13u);  // relative to the top

    // A real folder without the sticky bit: not used either.
    ASSERT_EQ(unlink((top + "/.Trash").c_str()), 0);
    dir.mkdir("mnt/.Trash");
    ASSERT_EQ(chmod((top + "/.Trash").c_str(), 0777), 0);
    put = trash.Put(dir.write("mnt/two", "2"));
    ASSERT_TRUE(put.ok()) << put.message;
    EXPECT_EQ(put.item.trashDir, top + "/.Trash-" + uid);

    // With the sticky bit it is the one.
    ASSERT_EQ(chmod((top + "/.Trash").c_str(), 01777), 0);
    put = trash.Put(dir.write("mnt/three", "3"));
    ASSERT_TRUE(put.ok()) << put.message;
    EXPECT_EQ(put.item.trashDir, top + "/.Trash/" + uid);
    EXPECT_FALSE(Exists(home / "Trash/files/three"));  // never copied into the home trash

    // Listed with absolute original paths, and restored onto their own file system.
    const auto items = trash.List();
    ASSERT_EQ(items.size(), 3u);
    for (const auto& item : items) {
        EXPECT_EQ(item.originalPath.substr(0, top.size() + 1), top + "/");
        EXPECT_TRUE(trash.Restore(item).ok);
    }
    EXPECT_EQ(ReadFile(top + "/three"), "3");
}

TEST(TopdirTrash, AReadOnlyFileSystemHasNoTrashAndKeepsTheItem) {
    TempDir home;
    TempDir dir;
    const std::string top = dir.mkdir("ro");
    vantum::test::TmpfsMount mount(top, 1024);
    REQUIRE_MOUNT(mount);
    const std::string file = dir.write("ro/file", "stays");
    ASSERT_TRUE(mount.RemountReadOnly());
    Trash trash(home / "Trash");
    const TrashPut put = trash.Put(file);
    EXPECT_EQ(put.status, TrashPut::Status::NoTrash);
    EXPECT_NE(put.message.find(file), std::string::npos) << put.message;
    EXPECT_EQ(ReadFile(file), "stays");
}

TEST(HomeTrash, TrashCliListsWhatWeTrashed) {
    if (system("command -v trash-list >/dev/null 2>&1") != 0) GTEST_SKIP() << "trash-cli is not installed";
    TempDir dir;
    Trash trash;  // the test's own $XDG_DATA_HOME/Trash
    const std::string p = dir.write("with space/and %percent", "x");
    ASSERT_TRUE(trash.Put(p).ok());
    const std::string listed = RunCommand("trash-list 2>&1");
    EXPECT_NE(listed.find(" " + p + "\n"), std::string::npos) << listed;
    EXPECT_TRUE(trash.Empty().ok);
}

}  // namespace
