#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>

#include "core/recording_sink.h"
#include "core/scan_fixture.h"
#include "core/size_tree.h"
#include "platform/dir_listing.h"
#include "support/temp_dir.h"

using namespace vantum;
using namespace vantum::test;

namespace {

std::vector<std::string> ChildNames(const TSizeFolder* f) {
    std::vector<std::string> out;
    for (const auto& c : f->SubFolders) out.push_back(c->Name);
    std::sort(out.begin(), out.end());
    return out;
}

// Same shape, paths, names and sizes, children in the same order.
void ExpectSameTree(const TSizeFolder* a, const TSizeFolder* b) {
    ASSERT_EQ(a->Path(), b->Path());
    EXPECT_EQ(a->Name, b->Name);
    EXPECT_EQ(a->FilesSize, b->FilesSize) << a->Path();
    EXPECT_EQ(a->SubFoldersSize, b->SubFoldersSize) << a->Path();
    ASSERT_EQ(a->SubFolderCount(), b->SubFolderCount()) << a->Path();
    for (int i = 0; i < a->SubFolderCount(); ++i) ExpectSameTree(a->GetSubFolder(i), b->GetSubFolder(i));
}

}  // namespace

TEST(Scanner, HiddenFoldersFollowTheSwitchAndDotFilesAlwaysCount) {
    TempDir d;
    d.sparse("top/a/f", 3 << 20);
    d.sparse("top/b/f", 1 << 20);
    d.sparse("top/.cache/big", 7 << 20);
    d.write("top/.profile", "x");
    std::string top = d / "top";

    TSizeTree tree;
    TSizeFolder* t = ScanInto(tree, top, true);
    EXPECT_EQ(ChildNames(t), (std::vector<std::string>{".cache", "a", "b"}));
    EXPECT_EQ(t->FilesSize, MB(SumEntries(top, false)));
    EXPECT_EQ(t->CumulatedSize(), MB(SumEntries(top, true)));
    EXPECT_EQ(tree.State.FolderCount, 3);

    t = ScanInto(tree, top, false);
    EXPECT_EQ(ChildNames(t), (std::vector<std::string>{"a", "b"}));
    // The hidden folder's entry is a file-system entry of top; its contents count nowhere.
    EXPECT_EQ(t->FilesSize, MB(SumEntries(top, false, false)));
    EXPECT_EQ(t->CumulatedSize(), MB(SumEntries(top, true, false)));
    EXPECT_EQ(t->Name, "top");
    EXPECT_EQ(t->GetSubFolder(0)->Path(), top + "/" + t->GetSubFolder(0)->Name);
}

TEST(Scanner, TrailingSeparatorAndRootName) {
    TempDir d;
    d.mkdir("top/sub");
    TSizeTree tree;
    TSizeFolder* t = ScanInto(tree, d / "top/");
    EXPECT_EQ(t->Path(), d / "top/") << "the top folder keeps the path as given";
    EXPECT_EQ(t->Name, "top");
    EXPECT_EQ(t->GetSubFolder(0)->Path(), d / "top/sub");

    TSizeTree rootTree;
    TSizeFolder* r = rootTree.Root->AddSubFolder("/");
    EXPECT_EQ(CountFirstLevelFolders("/") >= 1, true);
    r->Name = "x";
    // Only the name rule, not a whole scan of "/": a root's last component is empty.
    rootTree.State.AbortScan = false;
    RecordingSink stop;
    stop.abortAtQuery = 0;
    rootTree.SetProgressSink(&stop);
    r->CreateObjectTree(r);
    EXPECT_EQ(r->Name, "");
    EXPECT_TRUE(rootTree.State.AbortScan);
}

TEST(Scanner, ProgressEventsOfTheDescentAndTheSizePass) {
    struct Case {
        int subFolders;
        std::vector<int> percents;
        std::vector<int> counts;
    };
    std::vector<Case> cases = {
        {0, {}, {}},
        {4, {20, 40, 60, 80}, {}},
    };
    std::vector<int> fifty;
    for (int i = 1; i <= 50; ++i) fifty.push_back(i * 100 / 51);
    cases.push_back({50, fifty, {50}});

    for (const auto& c : cases) {
        TempDir d;
        d.mkdir("top");
        for (int i = 0; i < c.subFolders; ++i) d.mkdir("top/s" + std::to_string(i));
        TSizeTree tree;
        RecordingSink sink;
        ScanInto(tree, d / "top", true, 0, &sink);
        EXPECT_EQ(tree.State.FirstLevelTotal, c.subFolders + 1) << c.subFolders;
        EXPECT_EQ(tree.State.FolderCount, c.subFolders);
        EXPECT_EQ(sink.values(1027), c.percents) << c.subFolders;
        EXPECT_EQ(sink.values(1026), c.counts) << c.subFolders;
        EXPECT_EQ(sink.values(1025), std::vector<int>{c.subFolders});
        // The size pass steps once per folder below Root, the top folder included.
        std::vector<int> steps;
        for (int i = 1; i <= c.subFolders + 1; ++i) steps.push_back(i);
        EXPECT_EQ(sink.values(1024), steps);
    }
}

TEST(Scanner, EscapeStopsTheDescentAndTheSizePassReportsIt) {
    TempDir d;
    // Two chains: whichever comes first in listing order, the third folder is its grandchild.
    for (const char* p : {"top/A/A1/A2/A3", "top/B/B1/B2/B3"}) d.mkdir(p);
    TSizeTree tree;
    RecordingSink sink;
    sink.abortAtQuery = 2;  // at the third folder created
    tree.SetProgressSink(&sink);
    TSizeFolder* t = tree.Root->AddSubFolder(d / "top");
    t->CreateObjectTree(t);
    EXPECT_TRUE(tree.State.AbortScan);
    EXPECT_EQ(tree.State.FolderCount, 3);
    EXPECT_EQ(tree.CountFolders(t), 3) << "the folder created at the abort stays, nothing after it";
    ASSERT_EQ(t->SubFolderCount(), 1);
    const TSizeFolder* last = t->GetSubFolder(0)->GetSubFolder(0)->GetSubFolder(0);
    EXPECT_EQ(last->SubFolderCount(), 0);
    EXPECT_EQ(sink.values(1027).size(), 1u) << "first-level folders after the abort are skipped";

    EXPECT_FALSE(tree.CalculateSizes());
    EXPECT_FALSE(tree.State.AbortScan);
    EXPECT_EQ(t->SubFoldersSize, 0) << "no sizes after an aborted descent (only the top folder's own files)";
    EXPECT_TRUE(tree.CalculateSizes()) << "a second call runs the pass";
}

TEST(Scanner, LargeFilesCountWithTheirFullSize) {
    TempDir d;
    d.sparse("top/big", 5368709120ULL);
    TSizeTree tree;
    TSizeFolder* t = ScanInto(tree, d / "top");
    EXPECT_EQ(t->FilesSize, MB(SumEntries(d / "top", false)));
    EXPECT_GE(t->FilesSize, 5120.0);
    // On disk the sparse file takes (next to) nothing.
    t = ScanInto(tree, d / "top", true, 0, nullptr, false);
    EXPECT_LT(t->FilesSize, 1.0);
}

TEST(Scanner, SerialAndParallelScansBuildTheSameTree) {
    TempDir d;
    // A few hundred folders of uneven shape with files of known sizes.
    std::function<void(const std::string&, int, int)> make = [&](const std::string& at, int depth, int seed) {
        for (int i = 0; i < 1 + (seed * 7 + depth) % 5; ++i) {
            std::string sub = at + "/d" + std::to_string(i);
            d.sparse(sub.substr(d.path().size() + 1) + "/f", static_cast<std::uint64_t>((seed * 131 + i * 17) % 9000));
            if (depth < 4) make(sub, depth + 1, seed * 3 + i);
        }
    };
    d.mkdir("top");
    make(d / "top", 0, 1);
    TSizeTree serial, parallel;
    RecordingSink s1, s2;
    TSizeFolder* a = ScanInto(serial, d / "top", true, 1, &s1);
    TSizeFolder* b = ScanInto(parallel, d / "top", true, 4, &s2);
    EXPECT_GT(serial.State.FolderCount, 100);
    EXPECT_EQ(serial.State.FolderCount, parallel.State.FolderCount);
    ExpectSameTree(a, b);
    EXPECT_EQ(s1.events, s2.events);
    EXPECT_EQ(a->CumulatedSize(), MB(SumEntries(d / "top", true)));
}

TEST(Scanner, OddEntriesNeitherCrashNorHang) {
    TempDir d;
    d.mkdir("top/real");
    d.sparse("top/real/f", 1000);
    std::string top = d / "top";
    ASSERT_EQ(::symlink(".", (top + "/loop").c_str()), 0);
    ASSERT_EQ(::symlink("real", (top + "/link-to-dir").c_str()), 0);
    ASSERT_EQ(::symlink("/nonexistent/x", (top + "/dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((top + "/fifo").c_str(), 0644), 0);
    int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string sockPath = top + "/sock";
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sockPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    std::string bad = "na\xff\xfeme";
    d.mkdir("top/" + bad);
    d.write("top/" + bad + "/\x80.txt", "12345");

    TSizeTree tree;
    TSizeFolder* t = ScanInto(tree, top);
    ::close(sock);
    EXPECT_EQ(ChildNames(t), (std::vector<std::string>{bad, "real"})) << "links are never entered";
    EXPECT_EQ(t->CumulatedSize(), MB(SumEntries(top, true)));
    EXPECT_EQ(tree.FindFolder(top + "/" + bad)->Name, bad) << "names that are not UTF-8 survive";
}

TEST(Scanner, TreesDeeperThanThePathLimit) {
    TempDir d;
    std::string name(200, 'x');
    int fd = ::open(d.path().c_str(), O_RDONLY | O_DIRECTORY);
    const int depth = 40;  // 40 × 201 bytes, well past PATH_MAX
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
        int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    struct stat leafStat;
    ASSERT_EQ(::fstat(fd, &leafStat), 0);
    int file = ::openat(fd, "f", O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(::ftruncate(file, 1 << 20), 0);
    ::close(file);
    ::close(fd);
    TSizeTree tree;
    TSizeFolder* t = ScanInto(tree, d.path());
    EXPECT_EQ(tree.State.FolderCount, depth);
    const TSizeFolder* leaf = t;
    while (leaf->SubFolderCount()) leaf = leaf->GetSubFolder(0);
    EXPECT_GT(leaf->Path().size(), 4096u);
    const double leafSize = 1.0 + MB(leafStat.st_size);
    EXPECT_EQ(leaf->FilesSize, leafSize);
    // The size of a long path is found too, by walking it component by component.
    EXPECT_EQ(FolderFilesSize(leaf->Path(), true), leafSize);
}

TEST(Scanner, MissingFolderAndRelativePath) {
    EXPECT_EQ(FolderFilesSize("/nonexistent/folder"), 0);
    EXPECT_EQ(FolderFilesSize(kAllDrives), 0);
    EXPECT_EQ(CountFirstLevelFolders("/nonexistent"), 0);
    TSizeTree tree;
    TSizeFolder* t = ScanInto(tree, "/nonexistent/folder/");
    EXPECT_EQ(t->SubFolderCount(), 0);
    EXPECT_EQ(t->CumulatedSize(), 0);
    EXPECT_EQ(t->Name, "folder");
}
