#include "views/size_bar_delegate.h"

#include <QHeaderView>
#include <QImage>
#include <QTreeView>
#include <gtest/gtest.h>

#include "size_tree_fixture.h"
#include "views/row_icons.h"
#include "views/size_tree_model.h"

using namespace vantum;
using namespace vantum::views;
using vantum::test::AddChild;
using vantum::test::AddTop;
using vantum::test::SumSizes;

namespace {

TEST(SizeBarGeometry, LengthAndPercentByWholeMegabytes) {
    struct Case {
        double mb, scale;
        int width, length, percent;
    } cases[] = {
        {100, 100, 200, 200, 100},   // the largest folder fills the column
        {50, 100, 200, 100, 50},     {50.99, 100, 200, 100, 50},  // whole MB only
        {0.99, 100, 200, 0, 0},      // below 1 MB: no bar
        {0.5, 0.5, 200, 0, 0},       // every folder below 1 MB: scale 0.5, still no division
        {10, 0, 200, 0, 0},          // no scale yet
        {10, 51200, 200, 0, 0},      // an earlier, much larger tree keeps the bars short
        {1, 3, 100, 33, 33},
        {300, 100, 200, 200, 100},   // never past the column or 100 %
        {5, 10, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mb << " of " << c.scale);
        SizeBarGeometry g = MeasureSizeBar(c.mb, c.scale, c.width);
        EXPECT_EQ(g.length, c.length);
        EXPECT_EQ(g.percent, c.percent);
    }
    EXPECT_EQ(SizeBarColour(0), QColor(0, 0, 55));
    EXPECT_EQ(SizeBarColour(100), QColor(50, 50, 255));
    EXPECT_EQ(SizeBarColour(33), QColor(16, 16, 121));
}

TEST(SizeBarScale, OnlyEverGrows) {
    SizeBarScale s;
    EXPECT_EQ(s.Value().units, 0);
    s.Raise(51200);
    s.Raise(10);
    EXPECT_EQ(s.Value().units, 512000000);
    s.Raise(1.23456);
    s.Raise(51200.00004);  // rounds to the same 4 decimals
    EXPECT_DOUBLE_EQ(s.Megabytes(), 51200);
}

class SizeBarPaint : public ::testing::Test {
protected:
    void SetUp() override { vantum::test::EnsureApplication(); }
};

// Paints a list of the top folder /p (no bar), "big" (the scale) and "small" (below 1 MB).
TEST_F(SizeBarPaint, BarsOfAListedTree) {
    TSizeTree tree;
    TSizeFolder* top = AddTop(tree, "/p", 400);
    TSizeFolder* big = AddChild(top, "big", 120);
    TSizeFolder* half = AddChild(top, "half", 60);
    TSizeFolder* small = AddChild(top, "small", 0.7);
    SumSizes(top);
    SizeBarScale scale;
    scale.Raise(big->CumulatedSize());

    SizeTreeModel model;
    QTreeView view;
    view.setModel(&model);
    view.setItemDelegate(new SizeBarDelegate(&scale, SizeTreeModel::ColBar, 0, &view));
    view.header()->resizeSection(1, 200);
    view.resize(700, 200);
    view.expand(model.AddFolderRow({}, top));
    view.show();
    QImage img = view.viewport()->grab().toImage();

    auto barCell = [&](const TSizeFolder* f) { return view.visualRect(model.IndexOf(f, SizeTreeModel::ColBar)); };
    auto mid = [](const QRect& r) { return r.top() + r.height() / 2; };
    const QColor full = SizeBarColour(100);

    QRect r = barCell(big);
    ASSERT_TRUE(r.isValid());
    EXPECT_EQ(img.pixelColor(r.left() + 1, mid(r)), Qt::black);  // outline
    EXPECT_EQ(img.pixelColor(r.left() + 100, mid(r)), full);
    EXPECT_EQ(img.pixelColor(r.right(), mid(r)), full);  // runs to the column's end

    r = barCell(half);
    EXPECT_EQ(img.pixelColor(r.left() + 50, mid(r)), SizeBarColour(50));
    EXPECT_EQ(img.pixelColor(r.left() + 100, mid(r)), Qt::black);  // 100 px from left + 1: outline
    EXPECT_NE(img.pixelColor(r.left() + 101, mid(r)), Qt::black);
    EXPECT_NE(img.pixelColor(r.left() + 150, mid(r)), SizeBarColour(50));

    for (const TSizeFolder* none : {top, small}) {
        r = barCell(none);
        for (int x = r.left(); x < r.right(); x += 7) {
            const QColor px = img.pixelColor(x, mid(r));
            EXPECT_NE(px, Qt::black) << none->Name << " x=" << x;
            EXPECT_NE(px.blue() - px.red(), 55) << none->Name << " x=" << x;  // no bar fill
        }
    }
}

struct ProbeDelegate : SizeBarDelegate {
    using SizeBarDelegate::initStyleOption;
    using SizeBarDelegate::SizeBarDelegate;
};

TEST_F(SizeBarPaint, FocusedRowShowsItsOwnPictures) {
    TSizeTree tree;
    TSizeFolder* top = AddTop(tree, "/q");
    TSizeFolder* a = AddChild(top, "a", 1);
    TSizeFolder* b = AddChild(top, "b", 1);
    SizeTreeModel model;
    QTreeView view;
    view.setModel(&model);
    view.expand(model.AddFolderRow({}, top));
    view.setCurrentIndex(model.IndexOf(a, 2));

    SizeBarScale scale;
    ProbeDelegate probe(&scale, 1, 0);
    auto iconOf = [&](const TSizeFolder* f, int col) {
        QStyleOptionViewItem opt;
        opt.widget = &view;
        probe.initStyleOption(&opt, model.IndexOf(f, col));
        return opt.icon.cacheKey();
    };
    EXPECT_EQ(iconOf(a, 0), RowIcon(RowImage::FolderOpen).cacheKey());
    EXPECT_EQ(iconOf(a, 3), RowIcon(RowImage::FolderMarked).cacheKey());
    EXPECT_EQ(iconOf(b, 0), RowIcon(RowImage::FolderClosed).cacheKey());
    EXPECT_EQ(iconOf(b, 2), RowIcon(RowImage::FolderPie).cacheKey());
    EXPECT_EQ(QSize(16, 16), RowIcon(RowImage::FolderPie).actualSize(QSize(16, 16)));
}

}  // namespace
