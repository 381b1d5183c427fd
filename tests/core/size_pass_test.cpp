#include <gtest/gtest.h>

#include <filesystem>

#include "core/recording_sink.h"
#include "core/scan_fixture.h"
#include "core/size_tree.h"
#include "support/temp_dir.h"

using namespace vantum;
using namespace vantum::test;

namespace {

// T/A/B with 1 MB of files in A and 2 MB in B.
struct Tab {
    TempDir d;
    std::string t, a, b;
    Tab() {
        d.sparse("T/A/a.bin", 1 << 20);
        d.sparse("T/A/B/b.bin", 2 << 20);
        t = d / "T";
        a = t + "/A";
        b = a + "/B";
    }
};

void ExpectInvariant(const TSizeFolder* f) {
    double sum = 0;
    for (const auto& c : f->SubFolders) {
        ExpectInvariant(c.get());
        sum += c->CumulatedSize();
    }
    EXPECT_EQ(f->SubFoldersSize, sum) << f->Path();
}

}  // namespace

TEST(SizePass, SumsAlongTheAncestors) {
    Tab x;
    TSizeTree tree;
    TSizeFolder* t = ScanInto(tree, x.t);
    TSizeFolder* a = tree.FindFolder(x.a);
    TSizeFolder* b = tree.FindFolder(x.b);
    EXPECT_EQ(b->FilesSize, MB(SumEntries(x.b, false)));
    EXPECT_GT(b->FilesSize, 2.0);
    EXPECT_EQ(b->SubFoldersSize, 0.0);
    EXPECT_EQ(a->FilesSize, MB(SumEntries(x.a, false)));
    EXPECT_EQ(a->SubFoldersSize, b->FilesSize);
    EXPECT_EQ(t->SubFoldersSize, a->CumulatedSize());
    EXPECT_EQ(tree.Root->SubFoldersSize, 0.0) << "Root collects nothing";
    ExpectInvariant(t);
}

TEST(SizePass, RefreshBranchKeepsTheInvariant) {
    struct Case {
        const char* refresh;  // "A", "B" or "T"
    };
    for (const char* which : {"A", "B", "T"}) {
        Tab x;
        TSizeTree tree;
        TSizeFolder* t = ScanInto(tree, x.t);
        const double tBefore = t->SubFoldersSize;
        x.d.sparse("T/A/B/more.bin", 1 << 20);
        const double bEntriesAfter = MB(SumEntries(x.b, false));
        TSizeFolder* target = std::string(which) == "A" ? tree.FindFolder(x.a)
                              : std::string(which) == "B" ? tree.FindFolder(x.b) : t;
        RefreshBranchCore(tree, target, true);
        TSizeFolder* a = tree.FindFolder(x.a);
        TSizeFolder* b = tree.FindFolder(x.b);
        EXPECT_EQ(b->FilesSize, bEntriesAfter) << which;
        EXPECT_EQ(a->SubFoldersSize, b->CumulatedSize()) << which;
        EXPECT_EQ(t->SubFoldersSize, a->CumulatedSize()) << which;
        EXPECT_GE(t->SubFoldersSize, tBefore + 1.0 - 1e-9) << which;
        ExpectInvariant(t);

        TSizeTree fresh;
        ExpectInvariant(ScanInto(fresh, x.t));
        EXPECT_EQ(fresh.Top()->CumulatedSize(), t->CumulatedSize()) << "refresh equals a full scan: " << which;
    }
}

TEST(SizePass, RefreshOfADeletedFolderDropsItsSize) {
    Tab x;
    TSizeTree tree;
    TSizeFolder* t = ScanInto(tree, x.t);
    TSizeFolder* a = tree.FindFolder(x.a);
    TSizeFolder* b = tree.FindFolder(x.b);
    const double aSubBefore = a->SubFoldersSize;
    const double bOld = b->CumulatedSize();
    std::filesystem::remove_all(x.b);
    RecordingSink sink;
    tree.SetProgressSink(&sink);
    RefreshBranchCore(tree, b, true);
    EXPECT_EQ(b->SubFolderCount(), 0);
    EXPECT_EQ(b->CumulatedSize(), 0.0);
    EXPECT_EQ(a->SubFoldersSize, aSubBefore - bOld);
    EXPECT_EQ(tree.FindFolder(x.b), b) << "the folder stays in the tree";
    ExpectInvariant(t);
    EXPECT_EQ(sink.values(1025), std::vector<int>{0});
}

TEST(SizePass, RefreshKeepsHiddenFoldersWhenCounted) {
    TempDir d;
    d.sparse("T/.hidden/h.bin", 1 << 20);
    TSizeTree tree;
    TSizeFolder* t = ScanInto(tree, d / "T", true);
    RefreshBranchCore(tree, t, true);
    ASSERT_EQ(t->SubFolderCount(), 1);
    EXPECT_EQ(t->GetSubFolder(0)->Name, ".hidden");
    RefreshBranchCore(tree, t, false);
    EXPECT_EQ(t->SubFolderCount(), 0);
}

TEST(SizePass, ClearBranch) {
    Tab x;
    TSizeTree tree;
    ScanInto(tree, x.t);
    TSizeFolder* a = tree.FindFolder(x.a);
    tree.ClearBranch(a);
    EXPECT_EQ(a->SubFolderCount(), 0);
    EXPECT_EQ(a->CumulatedSize(), 0.0);
    tree.ClearBranch(tree.Root.get());
    EXPECT_EQ(tree.Top(), nullptr);
}
