// The real size views in the window: the tree list, the ranking and the charts after a scan,
// their clicks through the navigation, and no view left pointing into a dropped tree.
#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QStackedWidget>
#include <QTest>
#include <QTreeView>

#include "app/app_actions.h"
#include "app/file_search_controller.h"
#include "app/navigation.h"
#include "gui/path_text.h"
#include "app/size_views.h"
#include "app/tree_file_controller.h"
#include "app/window_layout.h"
#include "core/size_tree.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "views/bar_chart.h"
#include "views/charts_controller.h"
#include "views/pie_chart.h"
#include "views/size_ranking.h"
#include "views/size_ranking_model.h"
#include "views/size_tree_list.h"
#include "views/size_tree_model.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::app;
using vantum::test::TempDir;
using vantum::test::TestWindow;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// T holding A (with B below it) and C; files in T, A, B and C.
struct Fixture {
    TempDir dir;
    std::string t, a, b, c;
    Fixture() {
        t = dir.mkdir("T");
        a = dir.mkdir("T/A");
        b = dir.mkdir("T/A/B");
        c = dir.mkdir("T/C");
        dir.write("T/t.bin", std::string(3000, 't'));
        dir.write("T/A/a.bin", std::string(40000, 'a'));
        dir.write("T/A/B/b.bin", std::string(70000, 'b'));
        dir.write("T/C/c.bin", std::string(20000, 'c'));
    }
};

// A test window with the real views in place of the recording ones.
struct Window : TestWindow {
    SizeViews* sv = nullptr;
    explicit Window(std::string settingsPath = {}) : TestWindow(std::move(settingsPath)) {
        auto views = std::make_unique<SizeViews>(*window);
        sv = views.get();
        window->SetAnalyserViews(std::move(views));
    }
    views::SizeTreeList& List() { return sv->List(); }
    views::SizeRanking& Ranking() { return sv->Ranking(); }
    views::ChartsController& Charts() { return sv->Charts(); }
};

void ScanFolder(Window& w, const std::string& path) {
    w->Nav().GoToPath(Q(path), false);
    w->Actions().actRun->trigger();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*w));
    ASSERT_NE(w->Nav().CurrentFolder(), nullptr);
}

// Index of the chart entry with this label, or -1.
int EntryIndex(const views::ChartsController& c, const QString& label) {
    auto model = c.Model();
    if (!model) return -1;
    for (int i = 0; i < model->count(); ++i)
        if (model->entries[static_cast<size_t>(i)].label == label) return i;
    return -1;
}

QStringList Labels(const views::ChartsController& c) {
    QStringList out;
    if (auto model = c.Model())
        for (const auto& e : model->entries) out << e.label;
    return out;
}

// Every view agrees with the window on the current folder, and every folder a view shows
// belongs to the window's tree (checked by walking it, so a freed folder is never read).
void ExpectViewsConsistent(Window& w) {
    TSizeFolder* current = w->Nav().CurrentFolder();
    EXPECT_EQ(w.List().CurrentFolder(), current);
    EXPECT_EQ(w.Charts().CurrentFolder(), current);
    std::vector<const TSizeFolder*> all;
    std::vector<const TSizeFolder*> stack{w->Tree().Root.get()};
    while (!stack.empty()) {
        const TSizeFolder* f = stack.back();
        stack.pop_back();
        all.push_back(f);
        for (const auto& s : f->SubFolders) stack.push_back(s.get());
    }
    auto known = [&](const TSizeFolder* f) { return std::find(all.begin(), all.end(), f) != all.end(); };
    auto* ranking = w.Ranking().Model();
    for (int r = 0; r < ranking->rowCount(); ++r) EXPECT_TRUE(known(ranking->FolderAt(ranking->index(r, 0))));
    auto* list = w.List().Model();
    for (int r = 0; r < list->rowCount(); ++r) EXPECT_TRUE(known(list->FolderAt(list->index(r, 0))));
    // Painting reads every row shown.
    w.List().View()->grab();
    w.Ranking().TopTenTree()->grab();
}

TEST(SizeViews, AScanFillsTheListTheChartsAndTheRanking) {
    Fixture f;
    Window w;
    w->Activate();
    ScanFolder(w, f.t);
    TSizeFolder* top = w->Tree().Top();
    ASSERT_EQ(w->Nav().CurrentFolder(), top);

    auto* list = w.List().Model();
    ASSERT_EQ(list->rowCount(), 1);
    const QModelIndex topRow = list->index(0, 0);
    EXPECT_EQ(list->FolderAt(topRow), top);
    EXPECT_EQ(list->rowCount(topRow), 2);  // A and C
    EXPECT_TRUE(w.List().View()->isExpanded(topRow));
    EXPECT_EQ(w->Widgets().fpc2->currentIndex(), kSizeTreePage);
    EXPECT_EQ(w.List().View()->parentWidget(), w->Widgets().sizeTreeHost);

    // One entry per sub-folder and the files of the folder itself, the same in both charts.
    QStringList labels = Labels(w.Charts());
    labels.sort();
    EXPECT_EQ(labels, (QStringList{"<All files in folder>", "A", "C"}));
    EXPECT_EQ(w.Charts().bars()->EntryCount(), 3);
    EXPECT_EQ(w.Charts().pies()->EntryCount(), 3);
    EXPECT_EQ(w.Charts().bars()->parentWidget(), w->Widgets().barsHost);

    // Every folder below the top one, largest own files first.
    auto* ranking = w.Ranking().Model();
    ASSERT_EQ(ranking->rowCount(), 3);
    EXPECT_EQ(ranking->FolderAt(ranking->index(0, 0))->Path(), f.b);
    EXPECT_EQ(w.Ranking().SizeRankGB()->parentWidget(), w->Widgets().rankingHost);
    ExpectViewsConsistent(w);
}

TEST(SizeViews, ChartClicksDrillDownAndUpAndBackReturn) {
    Fixture f;
    Window w;
    w->Activate();
    ScanFolder(w, f.t);
    Navigation& n = w->Nav();
    TSizeFolder* top = n.CurrentFolder();
    views::Bars* bars = w.Charts().bars();

    // Left click on A: A becomes current everywhere and its charts are drawn.
    w->Widgets().fpc2->setCurrentIndex(kExplorerTreePage);
    emit bars->entryClicked(EntryIndex(w.Charts(), "A"), Qt::LeftButton);
    TSizeFolder* a = n.CurrentFolder();
    ASSERT_NE(a, top);
    EXPECT_EQ(a->Path(), f.a);
    EXPECT_EQ(n.CurrentPath(), Q(f.a) + "/");
    EXPECT_EQ(n.SelectedTreePath(), Q(f.a));
    EXPECT_EQ(w.List().Model()->FolderAt(w.List().View()->currentIndex()), a);
    EXPECT_EQ(w->Widgets().fpc2->currentIndex(), kSizeTreePage);
    EXPECT_EQ(Labels(w.Charts()), (QStringList{"B", "<All files in folder>"}));
    EXPECT_TRUE(n.BackHistory().empty());  // a drill-down leaves the trail alone
    ExpectViewsConsistent(w);

    // Right click on B: only CurrentPath and the pop-up's target move.
    emit w.Charts().pies()->entryClicked(EntryIndex(w.Charts(), "B"), Qt::RightButton);
    EXPECT_EQ(n.CurrentFolder(), a);
    EXPECT_EQ(n.CurrentPath(), Q(f.b) + "/");
    EXPECT_EQ(w.Charts().ChartTargetPath(), f.b + "/");
    EXPECT_EQ(w.Charts().CurrentPath(), f.b + "/");

    // The files entry stands for the shown folder.
    emit bars->entryClicked(EntryIndex(w.Charts(), "<All files in folder>"), Qt::LeftButton);
    EXPECT_EQ(n.CurrentFolder(), a);
    EXPECT_EQ(n.CurrentPath(), Q(f.a) + "/");

    // Up goes to T, Back returns to A, with charts and list following.
    w->Actions().actUpOneDir->trigger();
    EXPECT_EQ(n.CurrentFolder(), top);
    EXPECT_EQ(Labels(w.Charts()).size(), 3);
    EXPECT_EQ(w.List().Model()->FolderAt(w.List().View()->currentIndex()), top);
    ASSERT_TRUE(w->Actions().actBack->isEnabled());
    w->Actions().actBack->trigger();
    EXPECT_EQ(n.CurrentFolder(), a);
    EXPECT_EQ(n.CurrentPath(), Q(f.a) + "/");
    EXPECT_EQ(Labels(w.Charts()), (QStringList{"B", "<All files in folder>"}));
    ExpectViewsConsistent(w);
}

TEST(SizeViews, ListAndRankingClicksMoveTheWindowsFolderAndPath) {
    Fixture f;
    Window w;
    w->Activate();
    ScanFolder(w, f.t);
    Navigation& n = w->Nav();
    TSizeFolder* top = n.CurrentFolder();

    // A list row click makes its folder current and draws its charts.
    QTreeView* vst = w.List().View();
    const QModelIndex cRow = w.List().Model()->IndexOf(w->Tree().FindFolder(f.c));
    ASSERT_TRUE(cRow.isValid());
    vst->setCurrentIndex(cRow);
    emit vst->clicked(cRow);
    ASSERT_EQ(n.CurrentFolder()->Path(), f.c);
    EXPECT_EQ(n.CurrentPath(), Q(f.c) + "/");
    EXPECT_EQ(n.SelectedTreePath(), Q(f.c));
    EXPECT_EQ(Labels(w.Charts()), QStringList{"<All files in folder>"});
    EXPECT_TRUE(w->Actions().actUpOneDir->isEnabled());
    ExpectViewsConsistent(w);

    // A ranking row click moves CurrentPath and the list's selection, not CurrentFolder.
    n.ShowTreeFolder(top);
    QTreeView* ranking = w.Ranking().TopTenTree();
    ranking->setCurrentIndex(w.Ranking().Model()->index(0, 0));  // B, the largest
    w.Ranking().RowClicked();
    EXPECT_EQ(n.CurrentFolder(), top);
    EXPECT_EQ(n.CurrentPath(), Q(f.b) + "/");
    EXPECT_EQ(w.List().Model()->FolderAt(vst->currentIndex())->Path(), f.b);
}

TEST(SizeViews, RefreshNewScanAndFailedOpenLeaveNoViewInADroppedTree) {
    Fixture f;
    Window w;
    w->Activate();
    ScanFolder(w, f.t);
    emit w.Charts().bars()->entryClicked(EntryIndex(w.Charts(), "A"), Qt::LeftButton);
    ASSERT_EQ(w->Nav().CurrentFolder()->Path(), f.a);

    // Refresh of A: the branch below it is rebuilt, the views refilled from the new folders.
    f.dir.write("T/A/B/more.bin", std::string(50000, 'm'));
    f.dir.mkdir("T/A/D");
    w->Actions().actrefresh->trigger();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*w));
    ASSERT_EQ(w->Nav().CurrentFolder()->Path(), f.a);
    EXPECT_GT(w.Ranking().Model()->rowCount(), 0);
    EXPECT_EQ(w.List().Model()->rowCount(), 1);
    EXPECT_NE(EntryIndex(w.Charts(), "D"), -1);
    ExpectViewsConsistent(w);

    // A new scan of another folder replaces every view's content.
    ScanFolder(w, f.a);
    EXPECT_EQ(w.List().Model()->FolderAt(w.List().Model()->index(0, 0))->Path(), f.a + "/");
    QStringList labels = Labels(w.Charts());
    labels.sort();
    EXPECT_EQ(labels, (QStringList{"<All files in folder>", "B", "D"}));
    EXPECT_EQ(w.Ranking().Model()->rowCount(), 2);
    ExpectViewsConsistent(w);

    // A file that cannot be read drops the tree; nothing shows or keeps any of it.
    f.dir.write("broken.vtr", "not a size tree");
    w.prompts.files.push_back(Prompts::FileChoice{Q(f.dir / "broken.vtr"), 1});
    w->Actions().actOpen->trigger();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*w));
    EXPECT_EQ(w->Tree().Top(), nullptr);
    EXPECT_EQ(w->Nav().CurrentFolder(), nullptr);
    EXPECT_EQ(w.List().Model()->rowCount(), 0);
    EXPECT_EQ(w.Ranking().Model()->rowCount(), 0);
    EXPECT_EQ(w.Charts().CurrentFolder(), nullptr);
    ExpectViewsConsistent(w);
    // Every view is empty and titled as before the first scan.
    for (views::ChartView* c : {static_cast<views::ChartView*>(w.Charts().bars()),
                                static_cast<views::ChartView*>(w.Charts().pies())}) {
        EXPECT_EQ(c->Model(), nullptr);
        EXPECT_EQ(c->Title(), views::kNoChartTitle);
    }
    EXPECT_EQ(w.Ranking().SizeRankGB()->title(), QString());
    emit w.Charts().bars()->entryClicked(0, Qt::LeftButton);
    EXPECT_EQ(w->Nav().CurrentFolder(), nullptr);
}

TEST(SizeViews, TheRankingTakesTheStoredLengthAbove100) {
    TempDir dir;
    const std::string top = dir.mkdir("R");
    for (int i = 0; i < 160; ++i) dir.write("R/d" + std::to_string(i) + "/f", std::string(100 + i, 'x'));
    for (auto [stored, rows] : {std::pair{150, 151}, std::pair{20, 21}, std::pair{5, 6}}) {
        SCOPED_TRACE(stored);
        TempDir settings;
        settings.write("Vantu.ini", "[Splash]\nShow=0\n[Folder ranking]\nFolder list lenght=" + std::to_string(stored) + "\n");
        Window w(settings / "Vantu.ini");
        w->Activate();
        ScanFolder(w, top);
        EXPECT_EQ(w.Ranking().Model()->rowCount(), rows);
    }
}

TEST(SizeViews, ChartOptionsComeFromTheSettingsAndGoBackAtExit) {
    TempDir d;
    const std::string ini = d.write("Vantu.ini",
                                    "[Splash]\nShow=0\n[Switches]\nToggle3D=0\nMarkVisible=0\nShowLegend=1\n"
                                    "[PieForm]\nElyptic=1\n[Bars]\nGradient=0\n");
    {
        Window w(ini);
        w->Activate();
        views::ChartOptions o = w.Charts().Options();
        EXPECT_FALSE(o.toggle3D);
        EXPECT_FALSE(o.markVisible);
        EXPECT_TRUE(o.showLegend);
        EXPECT_TRUE(o.elliptic);
        EXPECT_FALSE(o.barsGradient);
        EXPECT_FALSE(w.Charts().bars()->Is3D());
        EXPECT_TRUE(w.Charts().pies()->LegendVisible());
        // The window's menu entry is the charts' own action, enabled.
        QAction* act3D = w->Actions().act3D;
        EXPECT_EQ(act3D, w.Charts().act3D);
        EXPECT_TRUE(act3D->isEnabled());
        act3D->trigger();
        EXPECT_TRUE(w.Charts().pies()->Is3D());
        // Hints off in the window switch the charts' hints off too.
        w->Actions().actShowHints2->trigger();
        EXPECT_FALSE(w.Charts().Options().showHints);
        w->close();
    }
    settings::IniFile saved(ini);
    EXPECT_TRUE(settings::Read(saved, settings::key::Toggle3D));
    EXPECT_FALSE(settings::Read(saved, settings::key::MarkVisible));
    EXPECT_TRUE(settings::Read(saved, settings::key::ShowLegend));
    EXPECT_FALSE(settings::Read(saved, settings::key::ShowHints));
}

TEST(SizeViews, FindEntriesInBothPopUpsAndPlaceholdersBackWhenTheViewsGo) {
    Fixture f;
    Window w;
    w->Activate();
    FileSearchController& search = w->FileSearch();
    for (QMenu* popup : {w.List().FolderListPopUp(), w.Charts().ChartPopUp}) {
        EXPECT_TRUE(popup->actions().contains(search.actFindFiles));
        EXPECT_TRUE(popup->actions().contains(search.actfindfilescurrent));
    }
    ScanFolder(w, f.t);
    EXPECT_TRUE(w->Actions().actExpandSizeTree->isEnabled());
    w->Actions().actExpandSizeTree->trigger();
    EXPECT_TRUE(w.List().View()->isExpanded(w.List().Model()->IndexOf(w->Tree().FindFolder(f.a))));

    // Without the views the window keeps working on its placeholders.
    w->SetAnalyserViews(nullptr);
    QAction* act3D = w->Actions().act3D;
    ASSERT_NE(act3D, nullptr);
    EXPECT_FALSE(act3D->isEnabled());
    EXPECT_EQ(act3D->toolTip(), kNotAvailableYet);
    EXPECT_EQ(w->Actions().Find("act3D"), act3D);
    ScanFolder(w, f.a);
    w->close();
}

}  // namespace

namespace {

TEST(SizeViews, ArrowsInTheTreeListMoveTheChartsAlong) {
    Fixture f;
    Window w;
    w->Activate();
    ScanFolder(w, f.t);
    QTreeView* view = w.List().View();
    view->setFocus();
    view->setCurrentIndex(w.List().Model()->index(0, 0));
    TSizeFolder* top = w->Tree().Top();
    QTest::keyClick(view, Qt::Key_Down);
    TSizeFolder* first = w.List().Model()->FolderAt(view->currentIndex());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first, top);
    EXPECT_EQ(w->Nav().CurrentFolder(), first);
    EXPECT_EQ(w.Charts().CurrentFolder(), first);
    EXPECT_EQ(w->Nav().CurrentPath(), Q(first->Path()) + "/");
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(w->Nav().CurrentFolder(), top);
    EXPECT_EQ(w.Charts().CurrentFolder(), top);
}

}  // namespace
