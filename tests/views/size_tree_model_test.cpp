#include "views/size_tree_model.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QIcon>
#include <QStyle>
#include <cerrno>
#include <QTreeView>
#include <gtest/gtest.h>

#include "size_tree_fixture.h"
#include "views/size_bar_delegate.h"

using namespace vantum;
using namespace vantum::views;
using vantum::test::AddChild;
using vantum::test::AddTop;
using vantum::test::SumSizes;

namespace {

class SizeTreeModelTest : public ::testing::Test {
protected:
    void SetUp() override { vantum::test::EnsureApplication(); }

    // Names of the rows under parent, in list order.
    static std::vector<std::string> Names(const SizeTreeModel& m, const QModelIndex& parent) {
        std::vector<std::string> out;
        for (int r = 0; r < m.rowCount(parent); ++r) out.push_back(m.FolderAt(m.index(r, 0, parent))->Name);
        return out;
    }
};

TEST_F(SizeTreeModelTest, ColumnsCaptionsAndCellTexts) {
    TSizeTree tree;
    TSizeFolder* top = AddTop(tree, "/data");
    struct Case {
        double files, below;
        const char* filesText;
        const char* cumulatedText;
    } cases[] = {
        {0.5, 0, "512 kb", "512 kb"},          {1024, 0, "1 Gb", "1 Gb"},
        {1023.996, 0, "1024 Mb", "1024 Mb"},   {0, 0, "0 kb", "0 kb"},
        {1.5, 2046.5, "1.5 Mb", "2 Gb"},       {0.25, 0.25, "256 kb", "512 kb"},
    };
    for (const Case& c : cases) {
        TSizeFolder* f = AddChild(top, "f", c.files);
        f->SubFoldersSize = c.below;
    }
    SizeTreeModel m;
    m.AddFolderRow({}, top);
    const char* captions[] = {"Directory", "Summary Size", "Files in Dir / MB", "Cumulated Size / MB"};
    ASSERT_EQ(m.columnCount(), 4);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(m.headerData(c, Qt::Horizontal).toString(), captions[c]);

    const QModelIndex topRow = m.index(0, 0);
    ASSERT_EQ(m.rowCount(topRow), 6);
    for (int r = 0; r < 6; ++r) {
        SCOPED_TRACE(cases[r].files);
        EXPECT_EQ(m.index(r, 0, topRow).data().toString(), "f");
        EXPECT_FALSE(m.index(r, 1, topRow).data().isValid());
        EXPECT_EQ(m.index(r, 2, topRow).data().toString(), cases[r].filesText);
        EXPECT_EQ(m.index(r, 3, topRow).data().toString(), cases[r].cumulatedText);
        EXPECT_DOUBLE_EQ(m.index(r, 1, topRow).data(BarValueRole).toDouble(), cases[r].files + cases[r].below);
    }
    // The top folder's row carries no bar; pictures only outside the bar column.
    EXPECT_FALSE(m.index(0, 1).data(BarValueRole).isValid());
    EXPECT_FALSE(m.index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(m.index(0, 3).data(FocusedDecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(m.index(0, 1).data(Qt::DecorationRole).isValid());
}

TEST_F(SizeTreeModelTest, UnreadableFoldersAndStoppedScansAreMarked) {
    TSizeTree tree;
    TSizeFolder* top = AddTop(tree, "/data");
    TSizeFolder* locked = AddChild(top, "locked", 0);
    locked->ReadError = EACCES;
    TSizeFolder* fine = AddChild(top, "fine", 1);
    SizeTreeModel m;
    m.AddFolderRow({}, top);
    const QModelIndex lockedRow = m.IndexOf(locked), fineRow = m.IndexOf(fine);
    EXPECT_EQ(lockedRow.data(Qt::ToolTipRole).toString(), "Could not be read: Permission denied");
    EXPECT_EQ(fineRow.data(Qt::ToolTipRole).toString(), "/data/fine");
    const QIcon warning = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    auto image = [](const QVariant& icon) { return icon.value<QIcon>().pixmap(16, 16).toImage(); };
    EXPECT_EQ(image(lockedRow.data(Qt::DecorationRole)), image(warning));
    EXPECT_NE(image(fineRow.data(Qt::DecorationRole)), image(warning));

    EXPECT_EQ(m.index(0, 0).data().toString(), "data");
    std::vector<std::string> unfinished;
    for (int i = 0; i < 12; ++i) unfinished.push_back("/data/u" + std::to_string(i));
    m.SetNotes(true, unfinished);
    EXPECT_EQ(m.index(0, 0).data().toString(), "data (partial)");
    const QString tip = m.index(0, 0).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.startsWith("/data\nScan stopped. Not finished: /data/u0, /data/u1,")) << tip.toStdString();
    EXPECT_TRUE(tip.endsWith("/data/u9 and 2 more")) << tip.toStdString();
    EXPECT_EQ(fineRow.data().toString(), "fine");  // only the first row says it
    m.SetNotes(false, {});
    EXPECT_EQ(m.index(0, 0).data().toString(), "data");
    EXPECT_EQ(m.index(0, 0).data(Qt::ToolTipRole).toString(), "/data");
}

TEST_F(SizeTreeModelTest, CompareRules) {
    TSizeTree tree;
    TSizeFolder* top = AddTop(tree, "/t");
    auto folder = [&](const std::string& path, double files, double below) {
        TSizeFolder* f = top->AddSubFolder(path);
        f->Name = path.substr(path.rfind('/') + 1);
        f->FilesSize = files;
        f->SubFoldersSize = below;
        return f;
    };
    struct Case {
        TSizeFolder *a, *b;
        int column, sign;
    } cases[] = {
        {folder("/t/abc", 0, 0), folder("/t/ABC", 0, 0), 0, 0},    // A to Z fold
        {folder("/t/a_", 0, 0), folder("/t/aB", 0, 0), 0, 1},      // '_' above the upper-case letters
        {folder("/t/\xc3\xa9", 0, 0), folder("/t/\xc3\x89", 0, 0), 0, 1},  // no fold beyond A to Z
        {folder("/t/a", 0, 0), folder("/t/ab", 0, 0), 0, -1},
        {folder("/t/x", 1.0, 0), folder("/t/y", 1.0009, 0), 2, 0},     // closer than 0.001 MB
        {folder("/t/x", 1.0, 0), folder("/t/y", 1.0011, 0), 2, -1},
        {folder("/t/x", 5, 0), folder("/t/y", 1, 3), 3, 1},
        {folder("/t/x", 2, 0.0004), folder("/t/y", 2, 0), 3, 0},
        {folder("/t/x", 9, 9), folder("/t/y", 1, 1), 1, 0},           // the bar column never orders
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a->Path() + " vs " + c.b->Path());
        int got = SizeTreeModel::Compare(*c.a, *c.b, c.column);
        EXPECT_EQ((got > 0) - (got < 0), c.sign);
    }
}

TEST_F(SizeTreeModelTest, SortReordersSiblingsOnlyAndLeavesTheTree) {
    TSizeTree tree;
    TSizeFolder* top = AddTop(tree, "/r");
    TSizeFolder* b = AddChild(top, "b", 10);
    TSizeFolder* a = AddChild(top, "a", 1);
    TSizeFolder* c = AddChild(top, "C", 5);
    AddChild(b, "z", 1);
    AddChild(b, "y", 3);
    AddChild(a, "big", 100);
    SumSizes(top);

    SizeTreeModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QTreeView view;
    view.setModel(&m);
    const QModelIndex topRow = m.AddFolderRow({}, top);
    view.expandAll();
    view.selectionModel()->setCurrentIndex(m.IndexOf(b), QItemSelectionModel::ClearAndSelect);

    m.sort(SizeTreeModel::ColCumulated, Qt::DescendingOrder);
    EXPECT_EQ(Names(m, topRow), (std::vector<std::string>{"a", "b", "C"}));
    EXPECT_EQ(Names(m, m.IndexOf(b)), (std::vector<std::string>{"y", "z"}));
    EXPECT_EQ(m.IndexOf(a).parent(), topRow);  // "big" stays under "a"
    EXPECT_EQ(m.FolderAt(view.currentIndex()), b);  // the focus follows its folder
    EXPECT_TRUE(view.isExpanded(m.IndexOf(b)));

    m.sort(SizeTreeModel::ColName, Qt::AscendingOrder);
    EXPECT_EQ(Names(m, topRow), (std::vector<std::string>{"a", "b", "C"}));
    m.sort(SizeTreeModel::ColName, Qt::DescendingOrder);
    EXPECT_EQ(Names(m, topRow), (std::vector<std::string>{"C", "b", "a"}));
    m.sort(SizeTreeModel::ColBar, Qt::AscendingOrder);  // equal everywhere: order kept
    EXPECT_EQ(Names(m, topRow), (std::vector<std::string>{"C", "b", "a"}));

    // The size tree keeps its own order for everyone else.
    EXPECT_EQ(top->SubFolders[0].get(), b);
    EXPECT_EQ(top->SubFolders[1].get(), a);
    EXPECT_EQ(top->SubFolders[2].get(), c);
}

TEST_F(SizeTreeModelTest, RowsAreMaterialisedOnlyWhereAsked) {
    TSizeTree tree;
    TSizeFolder* top = AddTop(tree, "/w");
    for (int i = 0; i < 50; ++i) {
        TSizeFolder* f = AddChild(top, "d" + std::to_string(i), i);
        for (int j = 0; j < 40; ++j) AddChild(f, "e" + std::to_string(j), j);
    }
    SumSizes(top);
    SizeTreeModel m;  // no model tester here: it walks every row
    const QModelIndex topRow = m.AddFolderRow({}, top);
    EXPECT_EQ(m.rowCount(topRow), 50);
    EXPECT_EQ(m.MaterialisedRows(), 0u);  // counting rows touches nothing
    m.index(3, 0, topRow);
    EXPECT_EQ(m.MaterialisedRows(), 50u);
    m.sort(SizeTreeModel::ColCumulated, Qt::DescendingOrder);
    EXPECT_EQ(m.MaterialisedRows(), 50u);  // unseen branches are sorted when first shown
    const QModelIndex first = m.index(0, 0, topRow);
    EXPECT_EQ(m.FolderAt(first)->Name, "d49");
    EXPECT_EQ(m.FolderAt(m.index(0, 0, first))->Name, "e39");
    EXPECT_EQ(m.MaterialisedRows(), 90u);
}

TEST_F(SizeTreeModelTest, AddFolderRowAndLookups) {
    TSizeTree tree;
    TSizeFolder* top = AddTop(tree, "/x");
    TSizeFolder* sub = AddChild(top, "s", 1);
    TSizeFolder* deep = AddChild(sub, "d", 1);
    TSizeTree other;
    TSizeFolder* foreign = AddTop(other, "/elsewhere");

    SizeTreeModel m;
    EXPECT_TRUE(m.IsEmpty());
    EXPECT_FALSE(m.IndexOf(deep).isValid());
    const QModelIndex topRow = m.AddFolderRow({}, top);
    EXPECT_EQ(m.FolderAt(topRow), top);
    EXPECT_EQ(m.AddFolderRow(topRow, sub), m.IndexOf(sub));  // child rows follow the tree
    EXPECT_FALSE(m.AddFolderRow(topRow, foreign).isValid());
    EXPECT_EQ(m.AddFolderRow({}, deep), m.IndexOf(deep));  // already listed: one row per folder
    EXPECT_EQ(m.rowCount(), 1);
    EXPECT_EQ(m.IndexOf(deep, 3).column(), 3);
    EXPECT_EQ(m.IndexOf(deep).parent().parent(), topRow);
    EXPECT_FALSE(m.IndexOf(foreign).isValid());

    m.Clear();
    EXPECT_TRUE(m.IsEmpty());
    EXPECT_EQ(m.MaterialisedRows(), 0u);
    EXPECT_FALSE(m.IndexOf(sub).isValid());
}

}  // namespace
