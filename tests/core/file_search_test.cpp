#include "core/file_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/recording_sink.h"
#include "core/safe_file.h"
#include "support/temp_dir.h"

namespace vantum {
namespace {

using test::ReadFile;
using test::RecordingSink;
using test::TempDir;

// A tree over real folders, as a scan of dir would have built it:
// top, top/a, top/a/deep, top/b.
struct Fixture {
    TempDir dir;
    TSizeTree tree;
    TSizeFolder* top;
    TSizeFolder* a;
    TSizeFolder* b;
    Fixture() {
        dir.mkdir("a/deep");
        dir.mkdir("b");
        top = tree.Root->AddSubFolder(dir.path() + "/");
        a = top->AddSubFolder(dir / "a");
        a->AddSubFolder(dir / "a/deep");
        b = top->AddSubFolder(dir / "b");
    }
};

TEST(FileSearch, FindsMatchesInTreeOrder) {
    Fixture f;
    f.dir.write("a/deep/x.LOG", "");
    f.dir.write("b/y.log", "");
    f.dir.write("b/y.log.old", "");
    f.dir.write("top.log", "");
    f.dir.write("a/.hidden.log", "");
    f.dir.mkdir("a/folder.log");   // a plain folder is not a hit
    f.dir.mkdir("b/.cache.log");   // a hidden folder is
    RecordingSink sink;
    FileSearchResult r = FindFilesInTree(*f.top, "*.log", sink, true);

    std::vector<std::string> want{f.dir / "top.log", f.dir / "a/.hidden.log", f.dir / "a/deep/x.LOG",
                                  f.dir / "b/.cache.log", f.dir / "b/y.log"};
    // Entries of one folder come in listing order; compare folder by folder.
    std::vector<std::string> got = r.paths;
    auto folderOf = [](const std::string& p) { return p.substr(0, p.rfind('/')); };
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(folderOf(got[i]), folderOf(want[i])) << i;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(sink.values(1025), (std::vector<int>{3}));
    EXPECT_EQ(sink.values(1024), (std::vector<int>{1, 2, 3}));
}

TEST(FileSearch, OnlyFoldersOfTheTreeAreSearchedButFilesAreAsTheyAreNow) {
    Fixture f;
    f.dir.write("b/added-after-scan.tmp", "");
    f.dir.write("new-folder/unknown.tmp", "");  // the tree does not know this folder
    f.tree.Top()->AddSubFolder(f.dir / "gone");   // nor does the disk know this one
    RecordingSink sink;
    FileSearchResult r = FindFilesInTree(*f.top, "*.tmp", sink, false);
    EXPECT_EQ(r.paths, (std::vector<std::string>{f.dir / "b/added-after-scan.tmp"}));
    EXPECT_TRUE(sink.values(1024).empty()) << "no gauge for a search from the current folder";

    // From a folder below the top only that branch is searched.
    f.dir.write("a/deep/d.tmp", "");
    r = FindFilesInTree(*f.a, "*.tmp", sink, false);
    EXPECT_EQ(r.paths, (std::vector<std::string>{f.dir / "a/deep/d.tmp"}));

    // An empty pattern (a cancelled input box) finds nothing.
    EXPECT_TRUE(FindFilesInTree(*f.top, "", sink, false).paths.empty());
}

TEST(FileSearch, StopRequestEndsListingButTheWalkCompletes) {
    Fixture f;
    f.dir.write("t.txt", "");
    f.dir.write("a/a.txt", "");
    f.dir.write("b/b.txt", "");
    RecordingSink sink;
    sink.abortAtQuery = 1;  // after the top folder and a
    FileSearchResult r = FindFilesInTree(*f.top, "*.txt", sink, true);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.paths, (std::vector<std::string>{f.dir / "t.txt", f.dir / "a/a.txt"}));
    EXPECT_EQ(sink.values(1024), (std::vector<int>{1, 2, 3}));
}

TEST(FileSearch, HitLimitOfTheWindow) {
    Fixture f;
    for (int i = 0; i < 11999; ++i) f.dir.write("b/f" + std::to_string(i) + ".tmp", "");
    RecordingSink sink;
    size_t hits = FindFilesInTree(*f.top, "*.tmp", sink, false).paths.size();
    EXPECT_EQ(hits, 11999u);
    EXPECT_LT(hits, kMaxShownHits);
    f.dir.write("a/one-more.tmp", "");
    hits = FindFilesInTree(*f.top, "*.tmp", sink, false).paths.size();
    EXPECT_EQ(hits, 12000u);
    EXPECT_FALSE(hits < kMaxShownHits);
}

TEST(FileSearch, RowsSplitIntoNameExtensionAndFolder) {
    struct {
        const char* path;
        FoundRow row;
    } cases[] = {
        {"/var/log/syslog.1.log", {"syslog.1.log", ".log", "/var/log/"}},
        {"/home/me/Makefile", {"Makefile", "", "/home/me/"}},
        {"/home/me/.bashrc", {".bashrc", "", "/home/me/"}},
        {"/home/me/.config.bak", {".config.bak", ".bak", "/home/me/"}},
        {kNoItemFound, {"No item found", "", ""}},
    };
    for (const auto& c : cases) {
        FoundRow r = SplitFoundPath(c.path);
        EXPECT_EQ(r.name, c.row.name) << c.path;
        EXPECT_EQ(r.ext, c.row.ext) << c.path;
        EXPECT_EQ(r.folder, c.row.folder) << c.path;
    }
}

TEST(FileSearch, ColumnClicksSortAscendingThenDescending) {
    std::vector<FoundRow> rows;
    for (const char* p : {"/b/x.log", "/a/y.txt", "/c/z", "/a/w.bak"}) rows.push_back(SplitFoundPath(p));
    auto exts = [&] {
        std::string s;
        for (const auto& r : rows) s += "[" + r.ext + "]";
        return s;
    };
    FoundSortState state;
    SortFoundRows(rows, FoundColumn::Ext, state);
    EXPECT_EQ(exts(), "[][.bak][.log][.txt]");
    SortFoundRows(rows, FoundColumn::Ext, state);
    EXPECT_EQ(exts(), "[.txt][.log][.bak][]");
    // Another column has its own direction; Ext's flag is kept for the next search.
    SortFoundRows(rows, FoundColumn::FilePath, state);
    EXPECT_EQ(rows.front().folder, "/a/");
    EXPECT_FALSE(state.descending[1]);
    EXPECT_TRUE(state.descending[2]);
    SortFoundRows(rows, FoundColumn::FileName, state);
    EXPECT_EQ(rows.front().name, "w.bak");
}

TEST(FileSearch, SavedListForms) {
    TempDir dir;
    std::vector<std::string> hits{"/a/1.tmp", "/b/2.tmp", "/c/3.tmp"};
    EXPECT_EQ(FoundListFormatOfFilter(1), FoundListFormat::Text);
    EXPECT_EQ(FoundListFormatOfFilter(2), FoundListFormat::CsvSemicolon);
    EXPECT_EQ(FoundListFormatOfFilter(3), FoundListFormat::CsvComma);

    std::string file = dir.write("out.txt", "an older list that is overwritten");
    SaveFoundList(file, hits, FoundListFormat::Text);
    EXPECT_EQ(ReadFile(file), "/a/1.tmp\r\n/b/2.tmp\r\n/c/3.tmp\r\n");
    SaveFoundList(dir / "s.csv", hits, FoundListFormat::CsvSemicolon);
    EXPECT_EQ(ReadFile(dir / "s.csv"), "/a/1.tmp;/b/2.tmp;/c/3.tmp;");
    SaveFoundList(dir / "c.csv", hits, FoundListFormat::CsvComma);
    EXPECT_EQ(ReadFile(dir / "c.csv"), "/a/1.tmp,/b/2.tmp,/c/3.tmp,");

    dir.mkdir("taken");
    try {
        SaveFoundList(dir / "taken", hits, FoundListFormat::Text);
        FAIL() << "saving over a folder must fail";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + (dir / "taken") + "\". Is a directory");
    }
}

TEST(FileSearch, PromptText) {
    EXPECT_EQ(SearchPrompt("/home/me/"), "Search in /home/me/\n\rEnter Search string with wildcards e.g. name.*");
}

}  // namespace
}  // namespace vantum
