#include <gtest/gtest.h>

#include <string>

#include "core/ncdu_json_reader.h"
#include "core/tree_diff.h"

using namespace vantum;

namespace {

// A tree from "path:bytes" lines below a top folder; parents come before children.
void Build(TSizeTree& tree, const std::string& top, const std::vector<std::pair<std::string, double>>& folders) {
    TSizeFolder* t = tree.Root->AddSubFolder(top);
    for (const auto& [rel, bytes] : folders) {
        TSizeFolder* f = t;
        if (!rel.empty()) {
            std::string parent = rel.substr(0, rel.rfind('/') == std::string::npos ? 0 : rel.rfind('/'));
            std::string name = rel.substr(parent.empty() ? 0 : parent.size() + 1);
            TSizeFolder* p = parent.empty() ? t : tree.FindFolder(JoinPath(t->Path(), parent));
            f = p->AddChild(name);
        }
        f->FilesSize = bytes / 1048576.0;
    }
    // Totals bottom-up.
    std::vector<TSizeFolder*> order{t};
    for (std::size_t i = 0; i < order.size(); ++i)
        for (auto& c : order[i]->SubFolders) order.push_back(c.get());
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        if ((*it)->Parent && (*it)->Parent != tree.Root.get()) (*it)->Parent->SubFoldersSize += (*it)->CumulatedSize();
}

std::vector<std::string> Paths(const std::vector<const FolderChange*>& v) {
    std::vector<std::string> out;
    for (const auto* c : v) out.push_back(c->path);
    return out;
}

}  // namespace

TEST(TreeDiff, OfATreeWithItselfIsEmpty) {
    TSizeTree a, b;
    Build(a, "/data", {{"", 10}, {"x", 5}, {"x/y", 7}, {"z", 0}});
    Build(b, "/data/", {{"", 10}, {"x", 5}, {"x/y", 7}, {"z", 0}});
    TreeDiff d = DiffTrees(a, b);
    EXPECT_TRUE(d.sameTop) << "a trailing slash does not make another top folder";
    EXPECT_TRUE(d.Empty());
    EXPECT_EQ(d.changes.size(), 4u);
    EXPECT_TRUE(d.LargestGrowths(10).empty());
    EXPECT_TRUE(d.LargestShrinks(10).empty());
    EXPECT_TRUE(DiffTrees(a, a).Empty());
}

TEST(TreeDiff, FindsGrowthNewAndGoneFolders) {
    const double M = 1048576;
    TSizeTree older, newer;
    Build(older, "/d", {{"", 0}, {"logs", 10 * M}, {"logs/old", 30 * M}, {"cache", 5 * M}, {"same", M}, {"Case", M}});
    Build(newer, "/d", {{"", 0}, {"logs", 50 * M}, {"new", 2 * M}, {"new/inner", M}, {"same", M}, {"case", M}});
    TreeDiff d = DiffTrees(older, newer);
    EXPECT_FALSE(d.Empty());

    const TSizeFolder* logs = newer.Top()->GetSubFolder(0);
    const FolderChange* c = d.Find(logs);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->path, "/d/logs");
    EXPECT_DOUBLE_EQ(c->Growth(), 10);  // 40 MB before, 50 now
    EXPECT_TRUE(d.Find(newer.Top()->GetSubFolder(1))->IsNew());
    EXPECT_TRUE(d.Find(newer.Top()->GetSubFolder(1)->GetSubFolder(0))->IsNew());

    // Names match byte for byte: "Case" went away and "case" is new.
    EXPECT_EQ(Paths(d.LargestGrowths(10)), (std::vector<std::string>{"/d/logs", "/d", "/d/new", "/d/new/inner", "/d/case"}));
    EXPECT_EQ(Paths(d.LargestShrinks(10)),
              (std::vector<std::string>{"/d/logs/old", "/d/cache", "/d/Case"}));
    EXPECT_EQ(Paths(d.LargestGrowths(1)), (std::vector<std::string>{"/d/logs"}));
    EXPECT_EQ(Paths(d.LargestGrowths(10, 3)), (std::vector<std::string>{"/d/logs", "/d", "/d/new"}));
    // The gone rows a view shows under each folder.
    EXPECT_EQ(Paths(d.GoneUnder(newer.Top())), (std::vector<std::string>{"/d/cache", "/d/Case"}));
    EXPECT_EQ(Paths(d.GoneUnder(logs)), (std::vector<std::string>{"/d/logs/old"}));
}

TEST(TreeDiff, MatchesSiblingsOfTheSameNameInOrderAndComparesOtherTops) {
    // ncdu exports may list one name twice; each is matched once.
    TSizeTree older, newer;
    ReadNcduJson(older, "[1,2,{},[{\"name\":\"/a\"},[{\"name\":\"x\",\"dsize\":1}],[{\"name\":\"x\",\"dsize\":2}]]]");
    ReadNcduJson(newer, "[1,2,{},[{\"name\":\"/b\"},[{\"name\":\"x\",\"dsize\":1}]]]");
    TreeDiff d = DiffTrees(older, newer);
    EXPECT_FALSE(d.sameTop);
    EXPECT_EQ(d.changes.size(), 3u);
    EXPECT_DOUBLE_EQ(d.Find(newer.Top()->GetSubFolder(0))->Growth(), 0);
    ASSERT_EQ(d.LargestShrinks(5).size(), 2u);
    EXPECT_TRUE(d.LargestShrinks(5)[1]->IsGone());
    EXPECT_EQ(d.LargestShrinks(5)[1]->path, "/a/x");
    TSizeTree empty;
    EXPECT_TRUE(DiffTrees(empty, newer).changes.empty());
}
