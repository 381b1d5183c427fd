// The folder history and the temporary folders as stored in the settings file.
#include "settings/history_lists.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace fs = std::filesystem;
using namespace vantum::settings;
using vantum::test::ReadFile;
using vantum::test::TempDir;

namespace {

std::vector<std::string> Folders(int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back("/data/folder" + std::to_string(i) + "/");
    return out;
}

TEST(FolderHistory, ThreeFoldersAsCountAndKeysInOrder) {
    IniFile ini = IniFile::FromText("");
    EXPECT_EQ(WriteFolderHistory(ini, {"/c/", "/a/", "/b/"}), 3);
    EXPECT_EQ(ini.Text(), "[HistoryCombo]\ncount=3\n0=/c/\n1=/a/\n2=/b/\n");
    EXPECT_EQ(ReadFolderHistory(IniFile::FromText(ini.Text())),
              (std::vector<std::string>{"/c/", "/a/", "/b/"}));
}

TEST(FolderHistory, SixtyFoldersKeepTheFirst51) {
    IniFile ini = IniFile::FromText("");
    const auto sixty = Folders(60);
    EXPECT_EQ(WriteFolderHistory(ini, sixty), 51);
    const auto back = ReadFolderHistory(IniFile::FromText(ini.Text()));
    EXPECT_EQ(back, std::vector<std::string>(sixty.begin(), sixty.begin() + 51));
    EXPECT_FALSE(ini.ValueExists("HistoryCombo", "51"));
}

TEST(FolderHistory, ShorterListLeavesOldKeysUnreadAndRewritesKeysInOrder) {
    IniFile ini = IniFile::FromText("[HistoryCombo]\ncount=4\n2=/old2/\n0=/old0/\n1=/old1/\n3=/old3/\n");
    EXPECT_EQ(WriteFolderHistory(ini, {"/new0/", "/new1/"}), 2);
    // Keys 0 and 1 are removed and appended anew; 2 and 3 of the longer list stay.
    EXPECT_EQ(ini.Text(), "[HistoryCombo]\ncount=2\n2=/old2/\n3=/old3/\n0=/new0/\n1=/new1/\n");
    EXPECT_EQ(ReadFolderHistory(ini), (std::vector<std::string>{"/new0/", "/new1/"}));
}

TEST(FolderHistory, ReadingSkipsEmptyAndMissingValuesAndBadCounts) {
    struct Case { const char* text; std::vector<std::string> expected; };
    const Case cases[] = {
        {"[HistoryCombo]\ncount=4\n0=/a/\n1=\n3=/d/\n", {"/a/", "/d/"}},
        {"[HistoryCombo]\ncount=abc\n0=/a/\n", {}},
        {"[HistoryCombo]\ncount=-2\n0=/a/\n", {}},
        {"[historycombo]\nCOUNT=1\n0=/a/\n", {"/a/"}},
        {"[Switches]\nHistoryCombo=1\n", {}},
        // A damaged count does not make reading take long.
        {"[HistoryCombo]\ncount=2147483647\n0=/a/\n", {"/a/"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadFolderHistory(IniFile::FromText(c.text)), c.expected) << c.text;
}

TEST(FolderHistory, EntriesThatCannotBeStoredAreLeftOut) {
    IniFile ini = IniFile::FromText("");
    EXPECT_EQ(WriteFolderHistory(ini, {"/a/", "/bad\nname/", "", "/trailing blank ", "/b/"}), 2);
    EXPECT_EQ(ReadFolderHistory(ini), (std::vector<std::string>{"/a/", "/b/"}));
}

TEST(TempFolders, DeletedFolderIsDroppedOnReading) {
    TempDir dir;
    const std::string a = dir.mkdir("a"), b = dir.mkdir("b"), c = dir.mkdir("c");
    IniFile ini = IniFile::FromText("");
    EXPECT_EQ(WriteTempFolders(ini, {a, b, c, dir.write("file", "x")}), 4);
    fs::remove(b);
    EXPECT_EQ(ReadTempFolders(ini), (std::vector<std::string>{a, c}));
}

TEST(TempFolders, AtMost49Written) {
    IniFile ini = IniFile::FromText("");
    EXPECT_EQ(WriteTempFolders(ini, Folders(50)), 49);
    EXPECT_EQ(ini.ReadInteger("TempListView", "count", 0), 49);
    EXPECT_EQ(ini.ReadString("TempListView", "48"), "/data/folder48/");
    EXPECT_FALSE(ini.ValueExists("TempListView", "49"));
}

TEST(MakeSureExists, CreatesFolderAndEmptyFileOnce) {
    TempDir dir;
    const std::string path = dir / "deep/er/Vantu.ini";
    ASSERT_TRUE(MakeSureExists(path));
    EXPECT_TRUE(fs::is_regular_file(path));
    EXPECT_EQ(ReadFile(path), "");
    dir.write("deep/er/Vantu.ini", "[A]\nx=1\n");
    ASSERT_TRUE(MakeSureExists(path));
    EXPECT_EQ(ReadFile(path), "[A]\nx=1\n");  // an existing file is left alone
}

TEST(MakeSureExists, MessagesNameWhatCouldNotBeCreated) {
    TempDir dir;
    const std::string file = dir.write("blocker", "");
    IniResult r = MakeSureExists(file + "/AppData/Vantu.ini");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Could not create " + file + "/AppData");

    const std::string folder = dir.mkdir("ok");
    // A dangling link where the file should be: the file cannot be created through it.
    fs::create_symlink(dir / "missing/target", folder + "/Vantu.ini");
    r = MakeSureExists(folder + "/Vantu.ini");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Could not create " + folder + "/Vantu.ini");
}

}  // namespace
