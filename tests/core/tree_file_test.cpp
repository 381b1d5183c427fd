#include "core/tree_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "core/recording_sink.h"
#include "support/temp_dir.h"

namespace vantum {
namespace {

using test::ReadFile;
using test::RecordingSink;
using test::TempDir;

// File bytes built independently of the writer.
std::string I32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xff);
    return s;
}
std::string F64(double v) {
    std::uint64_t u = std::bit_cast<std::uint64_t>(v);
    std::string s(8, '\0');
    for (int i = 0; i < 8; ++i) s[static_cast<size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xff);
    return s;
}
std::string Rec(const std::string& path, const std::string& name, double files, double subs, std::int32_t last) {
    return I32(static_cast<std::int32_t>(path.size())) + path + I32(static_cast<std::int32_t>(name.size())) + name +
           F64(files) + F64(subs) + I32(last);
}

// T with children A and B, A with child C.
std::string TacbBytes() {
    return I32(4) + Rec("/data/", "data", 1.5, 6.25, 1) + Rec("/data/A", "A", 2, 3, 0) +
           Rec("/data/A/C", "C", 3, 0, -1) + Rec("/data/B", "B", 0.25, 0, -1);
}
void BuildTacb(TSizeTree& tree) {
    TSizeFolder* t = tree.Root->AddSubFolder("/data/");
    t->Name = "data";
    t->FilesSize = 1.5;
    t->SubFoldersSize = 6.25;
    TSizeFolder* a = t->AddSubFolder("/data/A");
    a->Name = "A";
    a->FilesSize = 2;
    a->SubFoldersSize = 3;
    TSizeFolder* c = a->AddSubFolder("/data/A/C");
    c->Name = "C";
    c->FilesSize = 3;
    TSizeFolder* b = t->AddSubFolder("/data/B");
    b->Name = "B";
    b->FilesSize = 0.25;
}

// Pre-order listing of a tree: path, name, exact sizes and child count.
std::string Dump(const TSizeTree& tree) {
    std::string out;
    std::vector<std::pair<const TSizeFolder*, int>> stack;
    for (auto it = tree.Root->SubFolders.rbegin(); it != tree.Root->SubFolders.rend(); ++it) stack.push_back({it->get(), 0});
    while (!stack.empty()) {
        auto [f, depth] = stack.back();
        stack.pop_back();
        char sizes[80];
        std::snprintf(sizes, sizeof sizes, "%a %a %d", f->FilesSize, f->SubFoldersSize, f->SubFolderCount());
        out += std::string(static_cast<size_t>(depth), ' ') + f->Path() + "|" + f->Name + "|" + sizes + "\n";
        for (auto it = f->SubFolders.rbegin(); it != f->SubFolders.rend(); ++it) stack.push_back({it->get(), depth + 1});
    }
    return out;
}

std::string ErrorOfLoad(const std::string& file) {
    TSizeTree tree;
    try {
        LoadFromFile(tree, file);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

TEST(TreeFile, WritesTheRecordsInPreOrderByteForByte) {
    TempDir dir;
    TSizeTree tree;
    BuildTacb(tree);
    tree.State.FolderCount = 3;
    SaveToFile(tree, dir / "t.vtr");
    EXPECT_EQ(ReadFile(dir / "t.vtr"), TacbBytes());

    TSizeTree lone;
    lone.Root->AddSubFolder("/x/")->Name = "x";
    SaveToFile(lone, dir / "lone.vtr");
    EXPECT_EQ(ReadFile(dir / "lone.vtr"), I32(1) + Rec("/x/", "x", 0, 0, -1));
}

TEST(TreeFile, RoundTripKeepsEveryFieldExactly) {
    TempDir dir;
    TSizeTree tree;
    // An all-drives tree with an empty name, a name that is not UTF-8 and awkward sizes.
    TSizeFolder* top = tree.Root->AddSubFolder(kAllDrives);
    top->Name = kAllDrives;
    TSizeFolder* root = top->AddSubFolder("/");
    root->Name = "/";
    root->FilesSize = 0.1;
    root->SubFoldersSize = kMaxTreeFileMegabytes;
    TSizeFolder* odd = root->AddSubFolder(std::string("/caf\xe9\xff"));
    odd->Name = std::string("caf\xe9\xff");
    odd->FilesSize = -0.0;
    odd->SubFoldersSize = std::numeric_limits<double>::denorm_min();
    TSizeFolder* home = top->AddSubFolder("/home");
    home->Name = "";
    home->FilesSize = 123456.789;
    SaveToFile(tree, dir / "a.vtr");

    TSizeTree back;
    LoadFromFile(back, dir / "a.vtr");
    EXPECT_EQ(Dump(back), Dump(tree));
    EXPECT_EQ(back.Root->SubFolderCount(), 1);
    EXPECT_EQ(back.Top()->SubFolders[0]->Parent, back.Top());
    EXPECT_TRUE(std::signbit(back.Top()->SubFolders[0]->SubFolders[0]->FilesSize));

    // Saving what was read writes the same bytes.
    SaveToFile(back, dir / "b.vtr");
    EXPECT_EQ(ReadFile(dir / "b.vtr"), ReadFile(dir / "a.vtr"));
}

TEST(TreeFile, ProgressRangesAndPositions) {
    TempDir dir;
    TSizeTree tree;
    BuildTacb(tree);
    RecordingSink sink;
    tree.SetProgressSink(&sink);
    SaveToFile(tree, dir / "t.vtr");
    EXPECT_EQ(sink.values(1025), (std::vector<int>{4}));
    EXPECT_EQ(sink.values(1024), (std::vector<int>{1, 2, 3, 4, 0}));

    // The read range is the file size div 111: a file of 1110 bytes gives 10.
    std::string bytes = I32(1) + Rec("/p", std::string(1110 - 4 - 30, 'n'), 0, 0, -1);
    ASSERT_EQ(bytes.size(), 1110u);
    dir.write("big.vtr", bytes);
    TSizeTree back;
    RecordingSink rs;
    back.SetProgressSink(&rs);
    LoadFromFile(back, dir / "big.vtr");
    EXPECT_EQ(rs.values(1025), (std::vector<int>{10}));
    EXPECT_EQ(rs.values(1024), (std::vector<int>{1, 0}));
    EXPECT_EQ(back.State.ProgressMax, 10);

    // The closing position also comes when reading fails.
    dir.write("short.vtr", TacbBytes().substr(0, 40));
    TSizeTree broken;
    RecordingSink bs;
    broken.SetProgressSink(&bs);
    EXPECT_THROW(LoadFromFile(broken, dir / "short.vtr"), TreeFileError);
    ASSERT_FALSE(bs.events.empty());
    EXPECT_EQ(bs.events.back(), (RecordingSink::Event{1024, 0}));
}

TEST(TreeFile, TheCountFieldIsIgnoredAndTrailingBytesToo) {
    TempDir dir;
    std::string body = TacbBytes().substr(4);
    for (std::int32_t count : {0, -7, 1000000}) {
        dir.write("c.vtr", I32(count) + body + "trailing");
        TSizeTree t;
        LoadFromFile(t, dir / "c.vtr");
        TSizeTree want;
        BuildTacb(want);
        EXPECT_EQ(Dump(t), Dump(want)) << count;
    }
}

TEST(TreeFile, EveryTruncationIsAStreamReadError) {
    TempDir dir;
    const std::string full = TacbBytes();
    for (size_t n = 0; n < full.size(); ++n) {
        dir.write("t.vtr", full.substr(0, n));
        EXPECT_EQ(ErrorOfLoad(dir / "t.vtr"), "Stream read error") << "prefix of " << n << " bytes";
    }
}

TEST(TreeFile, LyingFieldsEndReadingWithoutAllocating) {
    TempDir dir;
    const std::string tail = I32(0) + F64(0) + F64(0) + I32(-1);
    struct Case {
        const char* what;
        std::string bytes;
        std::string error;
    } cases[] = {
        {"negative path length", I32(1) + I32(-1) + tail, "Stream read error"},
        {"huge path length", I32(1) + I32(INT32_MAX) + "/p" + tail, "Stream read error"},
        {"path longer than the rest", I32(1) + I32(30) + "/p" + tail, "Stream read error"},
        {"negative name length", I32(1) + I32(2) + "/p" + I32(-1) + F64(0) + F64(0) + I32(-1), "Stream read error"},
        {"huge name length", I32(1) + I32(2) + "/p" + I32(INT32_MAX) + F64(0) + F64(0) + I32(-1), "Stream read error"},
        {"more children than records", I32(2) + Rec("/t", "t", 0, 0, INT32_MAX) + Rec("/t/a", "a", 0, 0, -1),
         "Stream read error"},
        {"empty path", I32(1) + Rec("", "x", 0, 0, -1), "Assertion failure (SizeTreeU, line 154)"},
        {"zero-length file", "", "Stream read error"},
        {"a text file", "Just some notes, not a size tree.\n", "Stream read error"},
    };
    for (const Case& c : cases) {
        dir.write("bad.vtr", c.bytes);
        EXPECT_EQ(ErrorOfLoad(dir / "bad.vtr"), c.error) << c.what;
    }
}

// Sizes no scan can produce are refused, not shown as garbage: in the top folder, deep down,
// in either field. The folder read so far stays with size 0; its ancestors keep theirs.
TEST(TreeFile, ImpossibleSizesAreAStreamReadError) {
    TempDir dir;
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double signallingNan = std::numeric_limits<double>::signaling_NaN();
    const double justAbove = std::nextafter(kMaxTreeFileMegabytes, inf);
    for (double bad : {nan, -nan, signallingNan, inf, -inf, -1.0, -std::numeric_limits<double>::denorm_min(), 1e300,
                       justAbove}) {
        const std::string cases[] = {
            I32(1) + Rec("/t", "t", bad, 0, -1),
            I32(1) + Rec("/t", "t", 0, bad, -1),
            I32(3) + Rec("/t", "t", 1, 2, 0) + Rec("/t/a", "a", 2, 0, 0) + Rec("/t/a/b", "b", 0.5, bad, -1),
        };
        for (const std::string& bytes : cases) {
            dir.write("bad.vtr", bytes);
            TSizeTree tree;
            std::string error;
            try {
                LoadFromFile(tree, dir / "bad.vtr");
            } catch (const TreeFileError& e) {
                error = e.what();
            }
            EXPECT_EQ(error, "Stream read error") << bad;
            std::vector<const TSizeFolder*> all;
            for (const TSizeFolder* f = tree.Top(); f; f = f->SubFolders.empty() ? nullptr : f->SubFolders[0].get())
                all.push_back(f);
            ASSERT_FALSE(all.empty());
            EXPECT_EQ(all.back()->FilesSize, 0) << bad;
            EXPECT_EQ(all.back()->SubFoldersSize, 0) << bad;
            if (all.size() > 1) {
                EXPECT_EQ(all[1]->FilesSize, 2);
            }
        }
    }
    // The limit itself, zero of either sign and the smallest positive size are sizes.
    for (double good : {kMaxTreeFileMegabytes, 0.0, -0.0, std::numeric_limits<double>::denorm_min()}) {
        dir.write("good.vtr", I32(1) + Rec("/t", "t", good, good, -1));
        TSizeTree tree;
        EXPECT_NO_THROW(LoadFromFile(tree, dir / "good.vtr")) << good;
        ASSERT_NE(tree.Top(), nullptr);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(tree.Top()->FilesSize), std::bit_cast<std::uint64_t>(good));
    }
}

TEST(TreeFile, PartOfABrokenFileStaysInTheTree) {
    TempDir dir;
    dir.write("p.vtr", TacbBytes().substr(0, TacbBytes().size() - 3));
    TSizeTree tree;
    EXPECT_THROW(LoadFromFile(tree, dir / "p.vtr"), TreeFileError);
    ASSERT_NE(tree.Top(), nullptr);
    EXPECT_EQ(tree.CountFolders(tree.Root.get()), 4);  // B was created before its child index failed
}

TEST(TreeFile, DeepNestingNeedsNoRecursion) {
    TempDir dir;
    const int depth = 200000;
    std::string bytes = I32(depth);
    for (int i = 0; i < depth; ++i) bytes += Rec("/d", "", 0, 0, i + 1 < depth ? 0 : -1);
    dir.write("deep.vtr", bytes);
    TSizeTree tree;
    LoadFromFile(tree, dir / "deep.vtr");
    EXPECT_EQ(tree.CountFolders(tree.Root.get()), depth);
    SaveToFile(tree, dir / "again.vtr");
    EXPECT_EQ(ReadFile(dir / "again.vtr"), bytes);
}

TEST(TreeFile, FileLayerErrorsNameTheFileAndTheReason) {
    TempDir dir;
    dir.mkdir("folder.vtr");
    EXPECT_EQ(ErrorOfLoad(dir / "folder.vtr"), "Cannot open file \"" + (dir / "folder.vtr") + "\". Is a directory");
    EXPECT_EQ(ErrorOfLoad(dir / "none.vtr"),
              "Cannot open file \"" + (dir / "none.vtr") + "\". No such file or directory");

    TSizeTree tree;
    BuildTacb(tree);
    auto errorOfSave = [&](const std::string& file) -> std::string {
        try {
            SaveToFile(tree, file);
        } catch (const TreeFileError& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_EQ(errorOfSave(dir / "folder.vtr"), "Cannot create file \"" + (dir / "folder.vtr") + "\". Is a directory");
    EXPECT_EQ(errorOfSave(dir / "no/such/t.vtr"),
              "Cannot create file \"" + (dir / "no/such/t.vtr") + "\". No such file or directory");

    // A read-only file is not replaced, whoever runs the program.
    std::string ro = dir.write("ro.vtr", "keep me");
    ::chmod(ro.c_str(), 0444);
    EXPECT_EQ(errorOfSave(ro), "Cannot create file \"" + ro + "\". Permission denied");
    EXPECT_EQ(ReadFile(ro), "keep me");

    TSizeTree empty;
    EXPECT_THROW(SaveToFile(empty, dir / "e.vtr"), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(dir / "e.vtr"));
}

TEST(TreeFile, SavingReplacesAnOldFileOnlyWhenComplete) {
    TempDir dir;
    std::string file = dir.write("t.vtr", "old tree");
    ::chmod(file.c_str(), 0640);
    TSizeTree tree;
    BuildTacb(tree);
    // A big tree, so that the write cannot fit under the file size limit below.
    for (int i = 0; i < 2000; ++i) tree.Top()->AddSubFolder("/data/folder-" + std::to_string(i));

    // The disk refuses: a file size limit makes write() fail with EFBIG.
    struct sigaction ignore {}, old {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &old);
    struct rlimit saved;
    ::getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    try {
        SaveToFile(tree, file);
    } catch (const TreeFileError& e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &old, nullptr);

    EXPECT_EQ(error, "Stream write error");
    EXPECT_EQ(ReadFile(file), "old tree");
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries, (void)e;
    EXPECT_EQ(entries, 1) << "the temporary file is removed";

    // Without the limit it replaces the file and keeps its mode.
    SaveToFile(tree, file);
    TSizeTree back;
    LoadFromFile(back, file);
    EXPECT_EQ(Dump(back), Dump(tree));
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// The temporary file beside the target must fit the file-name limit too.
TEST(TreeFile, SavingToTheLongestFileNameWorks) {
    TempDir dir;
    const std::string file = dir / (std::string(NAME_MAX - 4, 'n') + ".vtr");
    TSizeTree tree;
    BuildTacb(tree);
    SaveToFile(tree, file);
    EXPECT_EQ(ReadFile(file), TacbBytes());
    SaveToFile(tree, file);  // and replacing it
    EXPECT_EQ(ReadFile(file), TacbBytes());
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries, (void)e;
    EXPECT_EQ(entries, 1);
}

TEST(TreeFile, SavingThroughALinkKeepsTheLink) {
    TempDir dir;
    std::string real = dir.write("real.vtr", "old");
    std::string link = dir / "link.vtr";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    TSizeTree tree;
    BuildTacb(tree);
    SaveToFile(tree, link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(real), TacbBytes());
}

TEST(TreeFile, CommandLineArgumentNamesATreeFile) {
    EXPECT_TRUE(IsTreeFileArgument("/home/me/Disk.VTR"));
    EXPECT_TRUE(IsTreeFileArgument("a.vtr.bak"));
    EXPECT_FALSE(IsTreeFileArgument("/home/me/notes.txt"));
    EXPECT_FALSE(IsTreeFileArgument("secret.lec"));
}

// vantum-cli show prints what the file holds, and a broken file is a failure with its text.
TEST(TreeFile, CliShowReadsTheFile) {
    TempDir dir;
    TSizeTree tree;
    BuildTacb(tree);
    SaveToFile(tree, dir / "t.vtr");
    auto run = [](const std::string& args, int& rc) {
        std::string out;
        FILE* p = ::popen((std::string(VANTUM_CLI_PATH) + " " + args + " 2>&1").c_str(), "r");
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        rc = ::pclose(p);
        return out;
    };
    int rc = 0;
    std::string out = run("show '" + (dir / "t.vtr") + "' --top 1", rc);
    EXPECT_EQ(rc, 0);
    // The exact byte total comes last, as vantum-cli scan prints it.
    EXPECT_EQ(out, "/data/\nTotal: 7.75 Mb\nFolders: 3\nLargest folders:\n        5 Mb  A\nBytes: 8126464\n");

    dir.write("bad.vtr", TacbBytes().substr(0, 10));
    out = run("show '" + (dir / "bad.vtr") + "'", rc);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(out, "vantum-cli: Stream read error\n");

    dir.write("nan.vtr", I32(2) + Rec("/t", "t", 1, std::nan(""), 0) + Rec("/t/a", "a", -1e300, 0, -1));
    out = run("show '" + (dir / "nan.vtr") + "'", rc);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(out, "vantum-cli: Stream read error\n");
}

}  // namespace
}  // namespace vantum
