#include "views/size_tree_list.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTreeView>
#include <filesystem>
#include <gtest/gtest.h>

#include "size_tree_fixture.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "views/size_tree_model.h"

using namespace vantum;
using namespace vantum::views;
using vantum::test::AddChild;
using vantum::test::AddTop;
using vantum::test::SumSizes;

namespace {

class SizeTreeListTest : public ::testing::Test {
protected:
    void SetUp() override {
        vantum::test::EnsureApplication();
        shell.open = [this](const std::string& p) { opened.push_back(p); };
        list = std::make_unique<SizeTreeList>(prompts, shell);
        // A real folder tree on disk, listed as the scan would have found it.
        top = AddTop(tree, dir.path(), 2);
        docs = AddChild(top, "Docs", 30);
        media = AddChild(top, "media", 5);
        photos = AddChild(media, "photos", 200);
        AddChild(media, "Audio", 40);
        tiny = AddChild(docs, "tiny", 0.2);
        SumSizes(top);
        for (TSizeFolder* f : {docs, media, photos, tiny}) dir.mkdir(f->Path().substr(dir.path().size() + 1));
        dir.mkdir("media/Audio");
    }

    SizeTreeModel& model() { return *list->Model(); }
    QTreeView& view() { return *list->View(); }
    std::vector<std::string> ChildNames(const TSizeFolder* parent) {
        std::vector<std::string> out;
        const QModelIndex p = model().IndexOf(parent);
        for (int r = 0; r < model().rowCount(p); ++r) out.push_back(model().FolderAt(model().index(r, 0, p))->Name);
        return out;
    }
    void Select(const TSizeFolder* f) {
        view().selectionModel()->setCurrentIndex(model().IndexOf(f), QItemSelectionModel::ClearAndSelect |
                                                                         QItemSelectionModel::Rows);
    }

    vantum::test::TempDir dir;
    vantum::test::ScriptedPrompts prompts;
    FolderShell shell;
    std::vector<std::string> opened;
    std::unique_ptr<SizeTreeList> list;
    TSizeTree tree;
    TSizeFolder *top, *docs, *media, *photos, *tiny;
};

TEST_F(SizeTreeListTest, FillListsTheTopFolderExpandedAndSetsTheScale) {
    EXPECT_EQ(view().objectName(), "vst");
    EXPECT_EQ(view().header()->sectionSize(0), 210);
    EXPECT_EQ(view().header()->sectionSize(1), 200);
    EXPECT_EQ(view().header()->sectionSize(3), 120);
    list->FillSizeTreeList(top);
    ASSERT_EQ(model().rowCount(), 1);
    EXPECT_EQ(model().FolderAt(model().index(0, 0)), top);
    EXPECT_TRUE(view().isExpanded(model().index(0, 0)));
    EXPECT_FALSE(view().isExpanded(model().IndexOf(media)));
    EXPECT_EQ(ChildNames(top), (std::vector<std::string>{"Docs", "media"}));  // the tree's order
    // The top folder (277 MB) does not count; its largest descendant, media, does.
    EXPECT_DOUBLE_EQ(list->MaxFolderSize().Megabytes(), 245);

    // The scale belongs to the tree shown: a later, smaller tree gets its own. A refill is
    // cleared first.
    TSizeTree small;
    TSizeFolder* stop = AddTop(small, "/small", 1);
    AddChild(stop, "x", 10);
    SumSizes(stop);
    list->Clear();
    list->FillSizeTreeList(stop);
    list->FillSizeTreeList(stop);
    EXPECT_EQ(model().rowCount(), 1);
    EXPECT_DOUBLE_EQ(list->MaxFolderSize().Megabytes(), 10);

    TSizeTree empty;
    list->FillSizeTreeList(empty.Top());  // no top folder: an empty list, no crash
    EXPECT_EQ(model().rowCount(), 0);
}

TEST_F(SizeTreeListTest, ShowTreeRowMakesTheRowsFolderCurrent) {
    QSignalSpy chosen(list.get(), &SizeTreeList::currentFolderChosen);
    QSignalSpy paths(list.get(), &SizeTreeList::goToPath);
    list->ShowTreeRow();  // empty list: nothing
    EXPECT_EQ(chosen.count(), 0);

    list->FillSizeTreeList(top);
    list->ShowTreeRow();  // no focused row: the first row
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).value<TSizeFolder*>(), top);
    EXPECT_EQ(list->CurrentFolder(), top);

    Select(photos);
    list->ShowTreeRow();
    EXPECT_EQ(chosen.at(1).at(0).value<TSizeFolder*>(), photos);
    ASSERT_EQ(paths.count(), 2);
    EXPECT_EQ(paths.at(1).at(0).toString(), QFile::decodeName(photos->Path().c_str()));
    EXPECT_TRUE(paths.at(1).at(1).toBool());

    list->ShowTreeRow(model().IndexOf(docs, 3));
    EXPECT_EQ(list->CurrentFolder(), docs);
}

TEST_F(SizeTreeListTest, SelectFolderRowCollapsesAndFocusesTheFolder) {
    list->FillSizeTreeList(top);
    view().expandAll();
    list->SelectFolderRow(photos);
    const QModelIndex row = model().IndexOf(photos);
    EXPECT_EQ(view().currentIndex().internalPointer(), photos);
    EXPECT_TRUE(view().selectionModel()->isRowSelected(row.row(), row.parent()));
    EXPECT_TRUE(view().isExpanded(model().IndexOf(media)));
    EXPECT_FALSE(view().isExpanded(model().IndexOf(docs)));  // everything else collapsed

    TSizeTree other;
    TSizeFolder* stranger = AddTop(other, "/other");
    list->SelectFolderRow(stranger);  // not listed: only the collapse
    EXPECT_FALSE(view().isExpanded(model().IndexOf(media)));
    EXPECT_FALSE(view().isExpanded(model().index(0, 0)));
}

TEST_F(SizeTreeListTest, SortModesAndTheirCommands) {
    QSignalSpy charts(list.get(), &SizeTreeList::chartsRebuildRequested);
    QSignalSpy modes(list.get(), &SizeTreeList::sortModeChanged);
    list->FillSizeTreeList(top);
    list->LoadSortMode(SizeTreeList::SortBySize);
    EXPECT_TRUE(list->actSortSize->isChecked());
    EXPECT_FALSE(list->actSortName->isChecked());
    list->ApplySortMode();  // no current folder yet: nothing happens
    EXPECT_EQ(ChildNames(top), (std::vector<std::string>{"Docs", "media"}));
    EXPECT_EQ(charts.count(), 0);

    list->SetCurrentFolder(top);
    list->ApplySortMode();
    EXPECT_EQ(ChildNames(top), (std::vector<std::string>{"media", "Docs"}));
    EXPECT_EQ(ChildNames(media), (std::vector<std::string>{"photos", "Audio"}));
    EXPECT_EQ(charts.count(), 1);

    list->actSortName->trigger();
    EXPECT_EQ(list->SortMode(), SizeTreeList::SortByName);
    EXPECT_TRUE(list->actSortName->isChecked());
    EXPECT_FALSE(list->actSortSize->isChecked());
    EXPECT_EQ(ChildNames(media), (std::vector<std::string>{"Audio", "photos"}));
    EXPECT_EQ(modes.count(), 1);
    EXPECT_EQ(charts.count(), 2);

    for (int unsorted : {2, 7}) {  // any other stored value leaves the order
        list->LoadSortMode(unsorted);
        list->ApplySortMode();
        EXPECT_FALSE(list->actSortName->isChecked());
        EXPECT_FALSE(list->actSortSize->isChecked());
        EXPECT_EQ(ChildNames(media), (std::vector<std::string>{"Audio", "photos"}));
    }
}

TEST_F(SizeTreeListTest, HeaderClickFlipsOneDirectionForAllColumns) {
    list->FillSizeTreeList(top);
    EXPECT_FALSE(view().header()->isSortIndicatorShown());
    view().header()->sectionClicked(SizeTreeModel::ColCumulated);
    EXPECT_EQ(list->HeaderDirection(), Qt::DescendingOrder);
    EXPECT_EQ(ChildNames(top), (std::vector<std::string>{"media", "Docs"}));
    view().header()->sectionClicked(SizeTreeModel::ColCumulated);
    EXPECT_EQ(ChildNames(top), (std::vector<std::string>{"Docs", "media"}));
    view().header()->sectionClicked(SizeTreeModel::ColName);
    EXPECT_EQ(ChildNames(media), (std::vector<std::string>{"photos", "Audio"}));  // descending now
}

TEST_F(SizeTreeListTest, ExpandCollapseCommandsAndTheirEnabling) {
    for (QAction* a : {list->actExpandSizeTree, list->Action5, list->actToggleCharts}) EXPECT_FALSE(a->isEnabled());
    EXPECT_TRUE(list->actExpand->isEnabled());
    EXPECT_TRUE(list->actcollapse->isEnabled());
    list->FillSizeTreeList(top);
    list->actExpand->trigger();
    for (const TSizeFolder* f : {top, docs, media}) EXPECT_TRUE(view().isExpanded(model().IndexOf(f)));
    list->actcollapse->trigger();
    EXPECT_FALSE(view().isExpanded(model().index(0, 0)));

    list->SetCurrentFolder(top);
    for (QAction* a : {list->actExpandSizeTree, list->Action5, list->actToggleCharts}) EXPECT_TRUE(a->isEnabled());
    list->actExpandSizeTree->trigger();
    EXPECT_TRUE(view().isExpanded(model().IndexOf(media)));
    list->Action5->trigger();
    EXPECT_FALSE(view().isExpanded(model().IndexOf(media)));
    list->SetCurrentFolder(nullptr);
    EXPECT_FALSE(list->actToggleCharts->isEnabled());

    const QList<QAction*> entries = list->FolderListPopUp()->actions();
    QStringList captions;
    for (QAction* a : entries) captions << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(captions, (QStringList{"Delete to Recycle Bin", "-", "open with explorer", "-", "Size tree: Full expand",
                                    "Size tree: Full collapse"}));
}

TEST_F(SizeTreeListTest, FullSizeTreeGivesTheBarsTheSpareWidth) {
    QSignalSpy layout(list.get(), &SizeTreeList::panelLayoutRequested);
    QSignalSpy page(list.get(), &SizeTreeList::sizeTreePageRequested);
    list->SetFullSizeTree(true, 900);
    EXPECT_EQ(view().header()->sectionSize(1), 900 - 450);
    ASSERT_EQ(layout.count(), 1);
    EXPECT_EQ(layout.at(0).at(0).toInt(), 900);
    EXPECT_TRUE(layout.at(0).at(1).toBool());
    EXPECT_EQ(page.count(), 1);

    list->WindowResized(1000);  // not checked: the layout stays
    EXPECT_EQ(view().header()->sectionSize(1), 450);
    list->SetCurrentFolder(top);
    list->actToggleCharts->setChecked(true);
    list->WindowResized(1000);
    EXPECT_EQ(view().header()->sectionSize(1), 550);
    list->WindowResized(300);  // narrower than the other columns: no negative width
    EXPECT_EQ(view().header()->sectionSize(1), 0);
    EXPECT_EQ(FullSizeTreeBarWidth(300, 210, 120, 120), 0);

    list->SetFullSizeTree(false, 900);
    EXPECT_EQ(layout.last().at(0).toInt(), SizeTreeList::kRestoredPanelWidth);
    EXPECT_FALSE(layout.last().at(1).toBool());
    EXPECT_EQ(view().header()->sectionSize(0), 210);
}

TEST_F(SizeTreeListTest, OpenWithExplorer) {
    QSignalSpy paths(list.get(), &SizeTreeList::goToPath);
    QSignalSpy pageSwitch(list.get(), &SizeTreeList::explorerListRequested);
    list->FillSizeTreeList(top);
    list->actSizeTreeOpenwithexplorer->trigger();  // no selection
    EXPECT_EQ(prompts.texts(), QStringList{"No item selected"});

    Select(photos);
    list->actSizeTreeOpenwithexplorer->trigger();  // built-in explorer
    ASSERT_EQ(paths.count(), 1);
    EXPECT_EQ(paths.at(0).at(0).toString(), QFile::decodeName(photos->Path().c_str()));
    EXPECT_EQ(pageSwitch.count(), 1);
    EXPECT_TRUE(opened.empty());

    list->SetUseExternalExplorer(true);
    list->actSizeTreeOpenwithexplorer->trigger();
    EXPECT_EQ(opened, std::vector<std::string>{photos->Path()});

    // Renamed on disk after the scan: nothing is opened and nothing is said.
    std::filesystem::rename(photos->Path(), dir / "media/pictures");
    list->actSizeTreeOpenwithexplorer->trigger();
    list->SetUseExternalExplorer(false);
    list->actSizeTreeOpenwithexplorer->trigger();
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(paths.count(), 1);
    EXPECT_EQ(prompts.texts().size(), 1);
}

}  // namespace
