// The file operations service on real temporary folders: delete to the trash and for good,
// copy and move with their questions, protected paths, the path list and the file collector.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "filemgr/file_operations.h"
#include "filemgr/scripted_questions.h"
#include "support/private_mount.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using vantum::FileOpQuestions;
using vantum::FileOpReport;
using vantum::FileOpServices;
using vantum::JoinPathList;
using vantum::test::ReadFile;
using vantum::test::ScriptedQuestions;
using vantum::test::TempDir;
using Conflict = FileOpQuestions::Conflict;

bool Exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

// Services over a trash and a protected-path rule inside the test's folder.
struct Fixture {
    TempDir dir;
    vantum::platform::Trash trash{dir / "home/.local/share/Trash"};
    vantum::platform::ProtectedPaths rule{{dir / "home", dir / "home/Documents"}};
    ScriptedQuestions questions;
    FileOpReport report;
    FileOpServices services() {
        FileOpServices s;
        s.questions = &questions;
        s.trash = &trash;
        s.protectedPaths = &rule;
        s.report = &report;
        return s;
    }
};

class CancelAfter : public vantum::ProgressSink {
public:
    explicit CancelAfter(int polls) : left_(polls) {}
    bool AbortRequested() override { return --left_ < 0; }
    void SizeRange(int m) override { range = m; }
    void SizeProgress(int p) override { last = p; }
    int range = 0, last = -1;

private:
    int left_;
};

TEST(PathList, JoinAndSplit) {
    EXPECT_EQ(JoinPathList({"/a"}), std::string("/a\0", 3));
    const std::string three = JoinPathList({"/a", "/b c", "/d"});
    EXPECT_EQ(std::count(three.begin(), three.end(), '\0'), 3);
    EXPECT_EQ(vantum::SplitPathList(three), (std::vector<std::string>{"/a", "/b c", "/d"}));
    EXPECT_EQ(vantum::SplitPathList("/single"), (std::vector<std::string>{"/single"}));
    EXPECT_STREQ(vantum::TransferTitle(vantum::FO_COPY), "Copying...");
}

TEST(DeletePaths, ToTheTrashAfterConfirmingWithEveryName) {
    Fixture f;
    const std::string a = f.dir.write("work/a.txt", "a");
    const std::string b = f.dir.write("work/sub/b.txt", "b");
    f.questions.confirms = {false, true};
    auto s = f.services();
    EXPECT_FALSE(vantum::DeletePaths(JoinPathList({a, f.dir / "work/sub"}), false, true, s));
    EXPECT_TRUE(f.report.cancelled);
    EXPECT_TRUE(Exists(a));
    f.report = {};
    EXPECT_TRUE(vantum::DeletePaths(JoinPathList({a, f.dir / "work/sub"}), false, true, s));
    EXPECT_EQ(f.questions.asked.back(), "confirm-trash:" + a + ";" + f.dir / "work/sub" + ";");
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(b));
    EXPECT_EQ(f.report.trashed.size(), 2u);
    EXPECT_EQ(f.trash.List().size(), 2u);
    EXPECT_GT(f.report.bytes, 0u);
}

TEST(DeletePaths, ProtectedPathsAreRefusedByEveryEntryPoint) {
    Fixture f;
    f.dir.write("home/Documents/keep", "k");
    const std::string free = f.dir.write("free.txt", "f");
    auto s = f.services();
    f.questions.confirms = {true, true};
    for (const std::string& p : {f.dir / "home", f.dir / "home/Documents/../Documents", f.dir.path()}) {
        EXPECT_FALSE(vantum::DeletePaths(JoinPathList({p, free}), true, false, s)) << p;
        EXPECT_FALSE(vantum::RecyclePathsSilently(JoinPathList({p}), s)) << p;
        EXPECT_FALSE(vantum::TransferPaths(JoinPathList({p}), f.dir / "elsewhere", 0, vantum::FO_MOVE, s)) << p;
        EXPECT_FALSE(vantum::TransferPaths(p, f.dir / "renamed", 0, vantum::FO_RENAME, s)) << p;
    }
    EXPECT_EQ(ReadFile(f.dir / "home/Documents/keep"), "k");
    EXPECT_FALSE(Exists(free));  // the other item of the list went
    EXPECT_NE(f.questions.errors.front().find(f.dir / "home"), std::string::npos);
}

TEST(DeletePaths, ForGoodNeverFollowsLinksOut) {
    Fixture f;
    const std::string kept = f.dir.write("outside/file", "precious");
    const std::string victim = f.dir.mkdir("victim/deep");
    ASSERT_EQ(symlink("/", (victim + "/root").c_str()), 0);
    ASSERT_EQ(symlink((f.dir / "outside").c_str(), (victim + "/out").c_str()), 0);
    ASSERT_EQ(mkfifo((victim + "/fifo").c_str(), 0600), 0);
    auto s = f.services();
    f.questions.confirms = {true};
    EXPECT_TRUE(vantum::DeletePaths(JoinPathList({f.dir / "victim"}), false, false, s));
    EXPECT_EQ(f.questions.asked.front(), "confirm-delete:" + f.dir / "victim" + ";");
    EXPECT_FALSE(Exists(f.dir / "victim"));
    EXPECT_EQ(ReadFile(kept), "precious");
    EXPECT_TRUE(Exists("/etc/passwd"));
}

TEST(DeletePaths, AnItemNoTrashCanTakeIsAskedAboutOrFailsWhenSilent) {
    Fixture f;
    const std::string top = f.dir.mkdir("ro");
    vantum::test::TmpfsMount mount(top, 1024);
    REQUIRE_MOUNT(mount);
    const std::string one = f.dir.write("ro/one", "1");
    const std::string two = f.dir.write("ro/two", "2");
    // No folder for a trash can be made on a read-only file system.
    ASSERT_TRUE(mount.RemountReadOnly());
    auto s = f.services();
    EXPECT_FALSE(vantum::RecyclePathsSilently(JoinPathList({one}), s));
    EXPECT_TRUE(f.questions.asked.empty());
    EXPECT_EQ(ReadFile(one), "1");
    EXPECT_NE(f.report.errors.back().find(one), std::string::npos);

    // Interactive: asked per item; No keeps it.
    f.questions.confirms = {true};
    f.questions.permanents = {FileOpQuestions::Choice::No, FileOpQuestions::Choice::No};
    EXPECT_FALSE(vantum::DeletePaths(JoinPathList({one, two}), false, true, s));
    EXPECT_EQ(f.questions.asked.size(), 3u);
    EXPECT_EQ(f.questions.asked[1], "permanent:" + one);
    EXPECT_EQ(ReadFile(two), "2");
}

TEST(DeletePaths, CancelIsNotSuccess) {
    Fixture f;
    for (int i = 0; i < 3; ++i) f.dir.write("many/f" + std::to_string(i), "x");
    CancelAfter sink(0);
    auto s = f.services();
    s.sink = &sink;
    f.questions.confirms = {true};
    EXPECT_FALSE(vantum::DeletePaths(JoinPathList({f.dir / "many/f0", f.dir / "many/f1"}), false, false, s));
    EXPECT_TRUE(f.report.cancelled);
    EXPECT_TRUE(Exists(f.dir / "many/f1"));
}

TEST(TransferPaths, CopyKeepsModeTimesLinksAndSpecialFiles) {
    Fixture f;
    const std::string src = f.dir.mkdir("src/tree");
    f.dir.write("src/tree/.hidden", "dot");
    const std::string file = f.dir.write("src/tree/sub/data.bin", std::string(3 << 20, 'z'));
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    const timespec old[2] = {{1000000000, 0}, {1200000000, 500}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), old, 0), 0);
    ASSERT_EQ(link(file.c_str(), (src + "/hard").c_str()), 0);
    ASSERT_EQ(symlink("sub/data.bin", (src + "/rel-link").c_str()), 0);
    ASSERT_EQ(symlink("/", (src + "/root-link").c_str()), 0);
    ASSERT_EQ(mkfifo((src + "/fifo").c_str(), 0600), 0);
    const std::string dest = f.dir.mkdir("dest");
    auto s = f.services();
    ASSERT_TRUE(vantum::TransferPaths(src, dest, 0, vantum::FO_COPY, s)) << (f.report.errors.empty() ? "" : f.report.errors[0]);

    struct stat a, b, h;
    ASSERT_EQ(stat((dest + "/tree/sub/data.bin").c_str(), &b), 0);
    ASSERT_EQ(stat(file.c_str(), &a), 0);
    EXPECT_EQ(ReadFile(dest + "/tree/sub/data.bin"), ReadFile(file));
    EXPECT_EQ(b.st_mode & 07777, 0640u);
    EXPECT_EQ(b.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(b.st_mtim.tv_nsec, 500);
    ASSERT_EQ(stat((dest + "/tree/hard").c_str(), &h), 0);
    EXPECT_EQ(h.st_ino, b.st_ino);  // hard links stay links of one file
    EXPECT_EQ(fs::read_symlink(dest + "/tree/rel-link"), "sub/data.bin");
    EXPECT_EQ(fs::read_symlink(dest + "/tree/root-link"), "/");
    EXPECT_TRUE(fs::is_fifo(dest + "/tree/fifo"));
    EXPECT_EQ(ReadFile(dest + "/tree/.hidden"), "dot");
    EXPECT_EQ(ReadFile(file).size(), 3u << 20);  // the source stays
}

TEST(TransferPaths, IntoItselfIsRefused) {
    Fixture f;
    const std::string src = f.dir.mkdir("a/b");
    auto s = f.services();
    for (int code : {vantum::FO_COPY, vantum::FO_MOVE}) {
        EXPECT_FALSE(vantum::TransferPaths(f.dir / "a", src, 0, code, s));
        EXPECT_FALSE(vantum::TransferPaths(f.dir / "a", f.dir / "a", 0, code, s));
    }
    EXPECT_NE(f.questions.errors.front().find("into itself"), std::string::npos);
    EXPECT_FALSE(Exists(src + "/a"));
}

TEST(TransferPaths, AnExistingDestinationAsks) {
    Fixture f;
    f.dir.write("src/one", "new one");
    f.dir.write("src/two", "new two");
    f.dir.write("src/three", "new three");
    f.dir.write("dest/src/one", "old one");
    f.dir.write("dest/src/two", "old two");
    f.dir.write("dest/src/three", "old three");
    auto s = f.services();
    // The folder merges (asked once); then one file each: replace, skip, keep both.
    f.questions.conflicts = {{Conflict::Replace, false}, {Conflict::Replace, false}, {Conflict::Skip, false},
                             {Conflict::KeepBoth, false}};
    EXPECT_FALSE(vantum::TransferPaths(f.dir / "src", f.dir / "dest", 0, vantum::FO_COPY, s));  // a skip is no success
    EXPECT_EQ(f.questions.asked.size(), 4u);
    std::vector<std::string> contents;
    for (const auto& e : fs::directory_iterator(f.dir / "dest/src")) contents.push_back(e.path().filename().string() + "=" + ReadFile(e.path()));
    std::sort(contents.begin(), contents.end());
    // Listing order decides which file got which answer; every answer was applied once.
    EXPECT_EQ(contents.size(), 4u);
    int replaced = 0, kept = 0, both = 0;
    for (const auto& c : contents) {
        if (c.find("=new") != std::string::npos && c.find(" (2)") == std::string::npos) ++replaced;
        if (c.find("=old") != std::string::npos) ++kept;
        if (c.find(" (2)=new") != std::string::npos) ++both;
    }
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(kept, 2);
    EXPECT_EQ(both, 1);

    // Apply to all: one question for every file; no questions without a questioner.
    f.questions.asked.clear();
    f.questions.conflicts = {{Conflict::Replace, false}, {Conflict::Replace, true}};
    EXPECT_TRUE(vantum::TransferPaths(f.dir / "src", f.dir / "dest", 0, vantum::FO_COPY, s));
    EXPECT_EQ(f.questions.asked.size(), 2u);
    EXPECT_EQ(ReadFile(f.dir / "dest/src/two"), "new two");
    FileOpServices quiet = s;
    quiet.questions = nullptr;
    f.dir.write("src/one", "newest");
    EXPECT_FALSE(vantum::TransferPaths(f.dir / "src/one", f.dir / "dest/src", 0, vantum::FO_COPY, quiet));
    EXPECT_EQ(ReadFile(f.dir / "dest/src/one"), "new one");
    EXPECT_TRUE(vantum::TransferPaths(f.dir / "src/one", f.dir / "dest/src", vantum::FOF_NOCONFIRMATION, vantum::FO_COPY, quiet));
    EXPECT_EQ(ReadFile(f.dir / "dest/src/one"), "newest");
}

TEST(TransferPaths, MoveRenamesAndAVanishedSourceIsNamed) {
    Fixture f;
    f.dir.write("src/folder/file", "x");
    const std::string dest = f.dir.mkdir("dest");
    auto s = f.services();
    EXPECT_TRUE(vantum::TransferPaths(f.dir / "src/folder", dest, 0, vantum::FO_MOVE, s));
    EXPECT_EQ(ReadFile(dest + "/folder/file"), "x");
    EXPECT_FALSE(Exists(f.dir / "src/folder"));
    EXPECT_FALSE(vantum::TransferPaths(JoinPathList({f.dir / "src/gone", dest + "/folder/file"}), f.dir / "src", 0,
                                       vantum::FO_MOVE, s));
    EXPECT_NE(f.report.errors.back().find(f.dir / "src/gone"), std::string::npos);
    EXPECT_EQ(ReadFile(f.dir / "src/file"), "x");  // the other item still moved
    EXPECT_TRUE(vantum::TransferPaths(f.dir / "src/file", f.dir / "src/renamed", 0, vantum::FO_RENAME, s));
    EXPECT_EQ(ReadFile(f.dir / "src/renamed"), "x");
    EXPECT_TRUE(vantum::TransferPaths(f.dir / "src/renamed", f.dir / "src", 0, vantum::FO_MOVE, s));  // already there
    EXPECT_EQ(ReadFile(f.dir / "src/renamed"), "x");
}

TEST(TransferPaths, MoveToAnotherFileSystemRemovesTheSourceOnlyWhenAllArrived) {
    Fixture f;
    const std::string mnt = f.dir.mkdir("mnt");
    vantum::test::TmpfsMount mount(mnt, 20 * 1024);
    REQUIRE_MOUNT(mount);
    f.dir.write("src/small/a", std::string(1000, 'a'));
    f.dir.write("src/small/b", "b");
    auto s = f.services();
    ASSERT_TRUE(vantum::TransferPaths(f.dir / "src/small", mnt, 0, vantum::FO_MOVE, s))
        << (f.report.errors.empty() ? "" : f.report.errors[0]);
    EXPECT_EQ(ReadFile(mnt + "/small/a"), std::string(1000, 'a'));
    EXPECT_FALSE(Exists(f.dir / "src/small"));

    // Destination full: the old file there survives, the error names the file, the source stays.
    f.dir.write("mnt/big", "old content");
    f.dir.write("mnt/filler", std::string(12 << 20, 'f'));
    f.dir.write("src/big", std::string(10 << 20, 'n'));
    f.questions.conflicts = {{Conflict::Replace, false}};
    EXPECT_FALSE(vantum::TransferPaths(f.dir / "src/big", mnt, 0, vantum::FO_MOVE, s));
    EXPECT_EQ(ReadFile(mnt + "/big"), "old content");
    EXPECT_EQ(ReadFile(f.dir / "src/big").size(), 10u << 20);
    bool named = false;
    for (const auto& e : f.report.errors) named |= e.find(mnt + "/big") != std::string::npos;
    EXPECT_TRUE(named) << ::testing::PrintToString(f.report.errors);
    for (const auto& e : fs::directory_iterator(mnt)) EXPECT_EQ(e.path().filename().string().find(".~"), std::string::npos);
}

TEST(TransferPaths, CancelLeavesNoPartialFile) {
    Fixture f;
    f.dir.write("src/big", std::string(40 << 20, 'b'));
    const std::string dest = f.dir.mkdir("dest");
    CancelAfter sink(3);
    auto s = f.services();
    s.sink = &sink;
    EXPECT_FALSE(vantum::TransferPaths(f.dir / "src/big", dest, 0, vantum::FO_COPY, s));
    EXPECT_TRUE(f.report.cancelled);
    EXPECT_EQ(sink.range, 1000);
    EXPECT_TRUE(fs::is_empty(dest));
}

TEST(CollectFiles, RegularFilesAndLinksIncludingDotFiles) {
    TempDir dir;
    dir.mkdir("empty");
    dir.mkdir("only-folders/a/b");
    std::vector<std::string> list;
    vantum::CollectFiles(dir / "empty", list);
    vantum::CollectFiles(dir / "only-folders", list);
    EXPECT_TRUE(list.empty());

    dir.write("t/.dot", "");
    dir.write("t/.hidden-folder/inside", "");
    dir.write("t/sub/file", "");
    ASSERT_EQ(symlink("/", (dir / "t/link").c_str()), 0);
    ASSERT_EQ(mkfifo((dir / "t/fifo").c_str(), 0600), 0);
    std::vector<std::string> unreadable;
    vantum::CollectFiles(dir / "t", list, &unreadable);
    std::sort(list.begin(), list.end());
    EXPECT_EQ(list, (std::vector<std::string>{dir / "t/.dot", dir / "t/.hidden-folder/inside", dir / "t/link",
                                              dir / "t/sub/file"}));
    EXPECT_TRUE(unreadable.empty());
}

}  // namespace
