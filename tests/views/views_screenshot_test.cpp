// Renders the size tree list and the size ranking of a fixture tree to PNG files in the folder
// named by $VANTUM_SCREENSHOTS; skipped when it is not set.
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QTreeView>
#include <cstdlib>
#include <gtest/gtest.h>

#include "size_tree_fixture.h"
#include "support/scripted_prompts.h"
#include "views/size_ranking.h"
#include "views/size_ranking_model.h"
#include "views/size_tree_list.h"
#include "views/size_tree_model.h"

using namespace vantum;
using namespace vantum::views;
using vantum::test::AddChild;
using vantum::test::AddTop;
using vantum::test::SumSizes;

TEST(ViewsScreenshots, SizeTreeListAndRanking) {
    const char* out = std::getenv("VANTUM_SCREENSHOTS");
    if (!out || !*out) GTEST_SKIP() << "VANTUM_SCREENSHOTS not set";
    vantum::test::EnsureApplication();
    QDir().mkpath(QString::fromLocal8Bit(out));

    TSizeTree tree;
    TSizeFolder* top = AddTop(tree, "/home/ada", 3.2);
    TSizeFolder* media = AddChild(top, "Media", 0.1);
    AddChild(AddChild(media, "Photos", 5400), "2023", 2100);
    AddChild(media, "Music", 1900);
    AddChild(media, "Podcasts", 320.5);
    TSizeFolder* work = AddChild(top, "Projects", 12);
    AddChild(AddChild(work, "kernel", 1300), ".git", 2600);
    AddChild(work, "notes", 0.4);
    AddChild(top, "Downloads", 4100);
    AddChild(top, ".cache", 760);
    AddChild(top, "empty", 0);
    SumSizes(top);

    vantum::test::ScriptedPrompts prompts;
    SizeTreeList list(prompts, FolderShell{});
    list.FillSizeTreeList(top);
    list.SetCurrentFolder(top);
    list.LoadSortMode(SizeTreeList::SortBySize);
    list.ApplySortMode();
    list.View()->expandAll();
    list.SelectFolderRow(tree.FindFolder("/home/ada/Media/Photos"));
    list.View()->expandAll();
    list.View()->resize(690, 300);
    list.View()->show();
    ASSERT_TRUE(list.View()->grab().save(QString::fromLocal8Bit(out) + "/size_tree_list.png"));

    SizeRanking ranking(prompts, FolderShell{});
    ranking.FillSizeRanking(top, 20);
    ranking.TopTenTree()->setCurrentIndex(ranking.Model()->index(1, 0));
    ranking.SizeRankGB()->resize(640, 300);
    ranking.SizeRankGB()->show();
    ASSERT_TRUE(ranking.SizeRankGB()->grab().save(QString::fromLocal8Bit(out) + "/size_ranking.png"));
}
