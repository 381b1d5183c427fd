#include "views/size_ranking.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QSignalSpy>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>

#include "size_tree_fixture.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "views/size_bar_delegate.h"
#include "views/size_ranking_model.h"
#include "views/size_tree_list.h"
#include "views/size_tree_model.h"

using namespace vantum;
using namespace vantum::views;
using vantum::test::AddChild;
using vantum::test::AddTop;
using vantum::test::SumSizes;

namespace {

class SizeRankingTest : public ::testing::Test {
protected:
    void SetUp() override {
        vantum::test::EnsureApplication();
        shell.open = [this](const std::string& p) { opened.push_back(p); };
        shell.showProperties = [this](const std::string& p) { properties.push_back(p); };
        ranking = std::make_unique<SizeRanking>(prompts, shell);
    }

    // A top folder with n descendants: a chain of groups, own sizes 1..n MB in shuffled order.
    TSizeFolder* Tree(int n) {
        TSizeFolder* top = AddTop(tree, dir.path(), 9999);
        TSizeFolder* parent = top;
        for (int i = 0; i < n; ++i) {
            TSizeFolder* f = AddChild(parent, "f" + std::to_string(i), (i * 37) % n + 1);
            if (i % 3 == 0) parent = f;
        }
        SumSizes(top);
        return top;
    }
    std::vector<std::string> RowNames() {
        std::vector<std::string> out;
        for (TSizeFolder* f : ranking->Model()->Rows()) out.push_back(f->Name);
        return out;
    }
    void SelectRows(std::initializer_list<int> rows) {
        auto* sel = ranking->TopTenTree()->selectionModel();
        sel->clearSelection();
        for (int r : rows)
            sel->select(ranking->Model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    vantum::test::TempDir dir;
    vantum::test::ScriptedPrompts prompts;
    FolderShell shell;
    std::vector<std::string> opened, properties;
    std::unique_ptr<SizeRanking> ranking;
    TSizeTree tree;
};

TEST_F(SizeRankingTest, RanksEveryDescendantByOwnFiles) {
    TSizeFolder* top = AddTop(tree, "/r", 500);
    TSizeFolder* a = AddChild(top, "a", 0);  // only sub-folders: ranks at the bottom
    AddChild(a, "a1", 7);
    AddChild(a, "a2", 3);
    AddChild(top, "b", 7);
    AddChild(top, "c", 12);
    std::vector<std::string> names;
    for (TSizeFolder* f : RankFolders(top)) names.push_back(f->Name);
    // The top folder is not ranked; a1 before b (equal size) in pre-order.
    EXPECT_EQ(names, (std::vector<std::string>{"c", "a1", "b", "a2", "a"}));
    EXPECT_TRUE(RankFolders(nullptr).empty());
}

TEST_F(SizeRankingTest, FillShowsListLengthPlusOneRows) {
    struct Case {
        int descendants, length;
        std::size_t rows;
    } cases[] = {{5, 20, 5}, {100, 20, 21}, {100, 0, 1}, {100, 1000, 100}, {100, -3, 0}, {0, 20, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.descendants << " descendants, length " << c.length);
        ranking->Clear();
        TSizeTree t;
        TSizeFolder* top = AddTop(t, "/t");
        for (int i = 0; i < c.descendants; ++i) AddChild(top, "d" + std::to_string(i), i + 0.5);
        ranking->FillSizeRanking(top, c.length);
        EXPECT_EQ(ranking->Model()->rowCount(), static_cast<int>(c.rows));
        if (c.rows) {
            EXPECT_EQ(ranking->Model()->Rows().front()->Name, "d" + std::to_string(c.descendants - 1));
            EXPECT_DOUBLE_EQ(ranking->RankingMaxSize().Megabytes(), c.descendants - 0.5);
        }
        ranking->Clear();  // before t goes
    }
    TSizeFolder* top = Tree(30);
    ranking->FillSizeRanking(top, 20);
    EXPECT_EQ(ranking->SizeRankGB()->title(),
              QString("Size ranking for files in single folders without subdir for path: ") +
                  QFile::decodeName(top->Name.c_str()));
    ranking->FillSizeRanking(nullptr, 20);  // no current folder: the ranking stays
    EXPECT_EQ(ranking->Model()->rowCount(), 21);
}

TEST_F(SizeRankingTest, CellsAndBars) {
    TSizeFolder* top = AddTop(tree, "/cells");
    const struct {
        double mb;
        const char* text;
    } cases[] = {{1025, "1 Gb"}, {1024, "1024 Mb"}, {2048.5, "2 Gb"}, {12.345, "12.34 Mb"},
                 {0.5, "0.5 Mb"}, {0, "0 Mb"}};
    for (const auto& c : cases) AddChild(top, "n" + std::to_string(c.mb), c.mb);
    ranking->FillSizeRanking(top, 20);
    SizeRankingModel& m = *ranking->Model();
    const char* captions[] = {"Foldername", "graph", "path", "Size of files in dir"};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(m.headerData(c, Qt::Horizontal).toString(), captions[c]);
    // Sorted largest first: 2048.5, 1025, 1024, 12.345, 0.5, 0.
    const char* texts[] = {"2 Gb", "1 Gb", "1024 Mb", "12.34 Mb", "0.5 Mb", "0 Mb"};
    for (int r = 0; r < 6; ++r) EXPECT_EQ(m.index(r, 3).data().toString(), texts[r]) << r;
    EXPECT_EQ(m.index(0, 2).data().toString(), "/cells/n2048.500000");
    EXPECT_EQ(m.index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(247, 247, 247));
    EXPECT_DOUBLE_EQ(m.index(0, 1).data(BarValueRole).toDouble(), 2048.5);  // the first row has a bar too
    EXPECT_DOUBLE_EQ(ranking->RankingMaxSize().Megabytes(), 2048.5);
    EXPECT_EQ(ranking->TopTenTree()->sizeHintForRow(0), 20);
    EXPECT_EQ(ranking->TopTenTree()->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(SizeRankingTest, RowClickGoesToTheFolderAndSelectsItInTheList) {
    TSizeFolder* top = Tree(12);
    SizeTreeList list(prompts, shell);
    list.FillSizeTreeList(top);
    ranking->FillSizeRanking(top, 20);
    QSignalSpy collapse(ranking.get(), &SizeRanking::collapseExplorerTree);
    QSignalSpy paths(ranking.get(), &SizeRanking::goToPath);
    std::vector<QString> order;
    QObject::connect(ranking.get(), &SizeRanking::collapseExplorerTree, [&] { order.push_back("collapse"); });
    QObject::connect(ranking.get(), &SizeRanking::goToPath, [&] { order.push_back("path"); });
    QObject::connect(ranking.get(), &SizeRanking::selectFolderRow, [&](const TSizeFolder* f) {
        order.push_back("select");
        list.SelectFolderRow(f);
    });

    ranking->RowClicked();  // nothing focused: the first row
    TSizeFolder* first = ranking->Model()->Rows().front();
    EXPECT_EQ(order, (std::vector<QString>{"collapse", "path", "select"}));
    EXPECT_EQ(paths.at(0).at(0).toString(), QFile::decodeName(first->Path().c_str()));
    EXPECT_TRUE(paths.at(0).at(1).toBool());
    EXPECT_EQ(list.View()->currentIndex().internalPointer(), first);

    ranking->TopTenTree()->setCurrentIndex(ranking->Model()->index(4, 2));
    ranking->RowClicked();
    EXPECT_EQ(list.View()->currentIndex().internalPointer(), ranking->Model()->Rows()[4]);
    EXPECT_EQ(list.CurrentFolder(), nullptr);  // the current folder and the charts stay

    ranking->Clear();
    ranking->RowClicked();  // empty: nothing
    EXPECT_EQ(collapse.count(), 2);
}

TEST_F(SizeRankingTest, PopUpCommands) {
    TSizeFolder* top = Tree(6);
    for (TSizeFolder* f : RankFolders(top)) std::filesystem::create_directories(f->Path());
    ranking->FillSizeRanking(top, 20);
    QSignalSpy paths(ranking.get(), &SizeRanking::goToPath);
    QSignalSpy page(ranking.get(), &SizeRanking::explorerListRequested);

    QStringList captions;
    for (QAction* a : ranking->TopTenPop()->actions()) captions << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(captions, (QStringList{"open with explorer", "-", "Delete to Recycle Bin", "-", "Properties"}));

    ranking->actSizeTreeOpenwithexplorer->trigger();  // none selected
    SelectRows({0, 2});
    ranking->actSizeTreeOpenwithexplorer->trigger();  // two selected
    EXPECT_EQ(prompts.texts(), (QStringList{"No item selected", "No item selected"}));

    SelectRows({1});
    TSizeFolder* second = ranking->Model()->Rows()[1];
    ranking->actSizeTreeOpenwithexplorer->trigger();
    ASSERT_EQ(paths.count(), 1);
    EXPECT_EQ(paths.at(0).at(0).toString(), QFile::decodeName(second->Path().c_str()));
    EXPECT_EQ(page.count(), 1);
    ranking->SetUseExternalExplorer(true);
    ranking->actSizeTreeOpenwithexplorer->trigger();
    EXPECT_EQ(opened, std::vector<std::string>{second->Path()});

    std::filesystem::remove_all(second->Path());  // deleted after the scan: nothing happens
    ranking->actSizeTreeOpenwithexplorer->trigger();
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(prompts.texts().size(), 2);

    // Properties shows CurrentPath, and only while there is a current folder.
    ranking->SetCurrentPath(QString::fromStdString(dir.path() + "/"));
    EXPECT_FALSE(ranking->Properties2->isEnabled());
    ranking->ShowProperties();
    EXPECT_TRUE(properties.empty());
    ranking->SetCurrentFolder(top);
    EXPECT_TRUE(ranking->Properties2->isEnabled());
    ranking->Properties2->trigger();
    EXPECT_EQ(properties, std::vector<std::string>{dir.path() + "/"});

    SizeRanking bare(prompts, FolderShell{});  // no properties dialog on this desktop
    bare.SetCurrentFolder(top);
    EXPECT_FALSE(bare.Properties2->isEnabled());
    EXPECT_FALSE(bare.Properties2->toolTip().isEmpty());
}

}  // namespace
