#include <gtest/gtest.h>

#include "core/size_tree.h"

using namespace vantum;

namespace {

// Root -> T(/t) -> A(/t/A) -> B(/t/A/B), and T -> C(/t/C)
struct SmallTree {
    TSizeTree tree;
    TSizeFolder *t, *a, *b, *c;
    SmallTree() {
        t = tree.Root->AddSubFolder("/t/");
        a = t->AddSubFolder("/t/A");
        b = a->AddSubFolder("/t/A/B");
        c = t->AddSubFolder("/t/C");
    }
};

}  // namespace

TEST(SizeTree, AssertionsCarryUnitAndLineAndChangeNothing) {
    SmallTree s;
    try {
        s.t->AddSubFolder("");
        FAIL();
    } catch (const SizeTreeAssertion& e) {
        EXPECT_STREQ(e.what(), "Assertion failure (SizeTreeU, line 154)");
    }
    EXPECT_EQ(s.t->SubFolderCount(), 2);
    for (int bad : {-1, 2}) {
        try {
            s.t->GetSubFolder(bad);
            FAIL();
        } catch (const SizeTreeAssertion& e) {
            EXPECT_EQ(e.line(), 199);
            EXPECT_STREQ(e.what(), "Assertion failure (SizeTreeU, line 199)");
        }
    }
    EXPECT_THROW(s.t->ParentOf(nullptr), SizeTreeAssertion);
    try {
        s.t->ParentOf(nullptr);
    } catch (const SizeTreeAssertion& e) {
        EXPECT_STREQ(e.what(), "Assertion failure (SizeTreeU, line 365)");
    }
    EXPECT_EQ(s.t->ParentOf(s.t), s.tree.Root.get());
    EXPECT_EQ(s.t->ParentOf(s.tree.Root.get()), nullptr);
}

TEST(SizeTree, NewFoldersAndRoot) {
    TSizeTree tree;
    EXPECT_FALSE(tree.Root->IncludeSystemFolders);
    EXPECT_EQ(tree.State.FirstLevelTotal, 0);
    tree.State.AbortScan = true;
    TSizeFolder* f = tree.Root->AddSubFolder("/x");
    EXPECT_FALSE(tree.State.AbortScan) << "creating a folder clears a pending abort";
    EXPECT_TRUE(f->IncludeSystemFolders);
    EXPECT_EQ(f->Path(), "/x");
    EXPECT_TRUE(f->Name.empty());
    EXPECT_EQ(f->Parent, tree.Root.get());
}

TEST(SizeTree, FindFolder) {
    SmallTree s;
    EXPECT_EQ(s.tree.FindFolder("/t/A/B/"), s.b) << "one trailing separator is removed";
    EXPECT_EQ(s.tree.FindFolder("/t/A/B"), s.b);
    EXPECT_EQ(s.tree.FindFolder("/t/a/b"), s.t) << "case matters; unknown paths give the top folder";
    EXPECT_EQ(s.tree.FindFolder("/t/"), s.t) << "the top folder itself is never compared";
    EXPECT_EQ(s.tree.FindFolder("/t/C"), s.c);
    TSizeTree empty;
    EXPECT_EQ(empty.FindFolder("/x"), nullptr);

    // All drives: the drive "/" is found from "/" (a trailing separator is removed only once).
    TSizeTree all;
    TSizeFolder* top = all.Root->AddSubFolder(kAllDrives);
    TSizeFolder* root = top->AddSubFolder("/");
    TSizeFolder* home = top->AddSubFolder("/home");
    EXPECT_EQ(all.FindFolder("/home/"), home);
    EXPECT_EQ(all.FindFolder("/"), root) << "the root keeps its only separator";
}

TEST(SizeTree, CountFolders) {
    SmallTree s;
    EXPECT_EQ(s.tree.CountFolders(s.b), 0);
    EXPECT_EQ(s.tree.CountFolders(s.t), 3);
    EXPECT_EQ(s.tree.CountFolders(s.tree.Root.get()), 4);
}

TEST(SizeTree, Sorts) {
    TSizeTree tree;
    TSizeFolder* t = tree.Root->AddSubFolder("/t");
    TSizeFolder* upperB = t->AddSubFolder("/t/B");
    TSizeFolder* lowerA = t->AddSubFolder("/t/a");
    TSizeFolder* lowerB = t->AddSubFolder("/t/b");
    upperB->FilesSize = 5;
    lowerA->FilesSize = 1;
    lowerA->SubFoldersSize = 9;
    lowerB->SubFoldersSize = 2;
    t->SortByPath(t);
    EXPECT_EQ(t->GetSubFolder(0), lowerB);
    EXPECT_EQ(t->GetSubFolder(1), lowerA);
    EXPECT_EQ(t->GetSubFolder(2), upperB);
    t->SortBySize(t);
    EXPECT_EQ(t->GetSubFolder(0), lowerB);
    EXPECT_EQ(t->GetSubFolder(1), upperB);
    EXPECT_EQ(t->GetSubFolder(2), lowerA) << "largest CumulatedSize last";
}

TEST(SizeTree, VeryDeepTreeIsReleasedWithoutRecursion) {
    auto tree = std::make_unique<TSizeTree>();
    TSizeFolder* f = tree->Root->AddSubFolder("/d");
    for (int i = 0; i < 200000; ++i) f = f->AddSubFolder("/d/x");
    EXPECT_EQ(tree->FindFolder("/nothing"), tree->Top());
    tree.reset();
}
