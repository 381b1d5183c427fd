// The charts controller on real widgets (offscreen) over a size tree of real temporary folders.
#include <gtest/gtest.h>

#include <QAction>
#include <QHelpEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "core/size_tree.h"
#include "support/temp_dir.h"
#include "views/bar_chart.h"
#include "views/chart_test_support.h"
#include "views/charts_controller.h"
#include "views/pie_chart.h"
#include "views/size_texts.h"

using namespace vantum;
using namespace vantum::views;

namespace {

// What the controller asked of the window, in order.
struct Requests {
    QObject context;  // disconnects everything when the recorder goes
    std::vector<TSizeFolder*> currentFolder, selectRow;
    std::vector<std::string> currentPath, target, goTo, shellOpen;
    std::vector<int> leftPage;
    std::vector<std::pair<int, QString>> status;

    explicit Requests(ChartsController& c) {
        QObject::connect(&c, &ChartsController::currentFolderChanged, &context, [this](TSizeFolder* f) { currentFolder.push_back(f); });
        QObject::connect(&c, &ChartsController::selectFolderRowRequested, &context, [this](TSizeFolder* f) { selectRow.push_back(f); });
        QObject::connect(&c, &ChartsController::currentPathChanged, &context, [this](const std::string& p) { currentPath.push_back(p); });
        QObject::connect(&c, &ChartsController::chartTargetPathChanged, &context, [this](const std::string& p) { target.push_back(p); });
        QObject::connect(&c, &ChartsController::goToPathRequested, &context, [this](const std::string& p) { goTo.push_back(p); });
        QObject::connect(&c, &ChartsController::openWithShellRequested, &context, [this](const std::string& p) { shellOpen.push_back(p); });
        QObject::connect(&c, &ChartsController::leftPageRequested, &context, [this](int p) { leftPage.push_back(p); });
        QObject::connect(&c, &ChartsController::statusTextRequested,
                         [this](int panel, const QString& t) { status.push_back({panel, t}); });
    }
};

void MoveTo(QWidget& w, const QPoint& pos) {
    QMouseEvent move(QEvent::MouseMove, pos, w.mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
}

class ChartController : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureChartApp(); }

    void SetUp() override {
        dir_.mkdir("a/deep");
        dir_.mkdir("b");
        dir_.write("b/file.txt", "x");
        top_ = test::MakeTop(tree_, dir_.path(), 3, {});
        a_ = test::AddChild(top_, dir_ / "a", 40, 60);
        test::AddChild(a_, dir_ / "a/deep", 60);
        b_ = test::AddChild(top_, dir_ / "b", 12.5);
        bars_.resize(800, 500);
        pies_.resize(800, 500);
        ctl_.SetTree(&tree_);
        ctl_.SetSortMode(1);
        ctl_.SetDriveQuery(test::FixedDrives({}, 0));
        ctl_.SetCurrentPath(dir_.path() + "/");
        ctl_.ShowFolderCharts(top_);
    }

    int IndexOf(const QString& label) const {
        const ChartModel* m = bars_.Model();
        for (int i = 0; m && i < m->count(); ++i)
            if (m->entries[i].label == label) return i;
        return -1;
    }
    QPoint BarPoint(const QString& label) const {
        return bars_.BarRect(IndexOf(label), bars_.rect()).center().toPoint();
    }
    QPoint SlicePoint(const QString& label) const {
        return pies_.SliceCentre(IndexOf(label), pies_.rect()).toPoint();
    }

    test::TempDir dir_;
    TSizeTree tree_;
    TSizeFolder *top_ = nullptr, *a_ = nullptr, *b_ = nullptr;
    Bars bars_;
    Pies pies_;
    ChartsController ctl_{&bars_, &pies_};
};

TEST_F(ChartController, LeftClickDrillsDownRightClickOnlySetsTheTarget) {
    Requests r(ctl_);
    QTest::mouseClick(&pies_, Qt::RightButton, {}, SlicePoint("b"));
    ctl_.ChartPopUp->hide();
    EXPECT_EQ(ctl_.ChartTargetPath(), dir_.path() + "/b/");
    EXPECT_EQ(ctl_.CurrentPath(), dir_.path() + "/b/");
    EXPECT_EQ(ctl_.CurrentFolder(), top_);
    EXPECT_TRUE(r.currentFolder.empty());
    EXPECT_TRUE(r.goTo.empty());
    EXPECT_TRUE(r.leftPage.empty());  // only the bar chart shows the tree list page

    QTest::mouseClick(&bars_, Qt::LeftButton, {}, BarPoint("a"));
    EXPECT_EQ(r.leftPage, std::vector<int>{1});
    EXPECT_EQ(r.currentFolder, std::vector<TSizeFolder*>{a_});
    EXPECT_EQ(r.selectRow, std::vector<TSizeFolder*>{a_});
    EXPECT_EQ(r.goTo, std::vector<std::string>{dir_.path() + "/a/"});
    EXPECT_EQ(ctl_.CurrentFolder(), a_);
    EXPECT_EQ(ctl_.ChartTargetPath(), dir_.path() + "/b/");
    EXPECT_EQ(bars_.Title(), QString::fromStdString("Folder Sizes in: " + dir_.path() + "/a"));
    EXPECT_EQ(pies_.Model(), bars_.Model());
    EXPECT_EQ(IndexOf("deep"), 0);
}

TEST_F(ChartController, ShownFolderEntriesDrillIntoTheFolderItself) {
    ctl_.SetDriveQuery(test::FixedDrives({dir_.path()}, 3ull << 30));
    ctl_.actFreeSpace->setChecked(true);
    ctl_.ShowFolderCharts(top_);
    EXPECT_EQ(bars_.FreeSpaceText(), QStringLiteral("Free Space on disk 3072 MB"));
    EXPECT_EQ(pies_.FreeSpaceText(), bars_.FreeSpaceText());
    for (const QString& label : {kAllFilesLabel, kEmptySpaceLabel}) {
        SCOPED_TRACE(label.toStdString());
        ASSERT_GE(IndexOf(label), 0);
        Requests r(ctl_);
        QTest::mouseClick(&bars_, Qt::LeftButton, {}, BarPoint(label));
        EXPECT_EQ(r.goTo, std::vector<std::string>{dir_.path() + "/"});
        EXPECT_EQ(ctl_.CurrentFolder(), top_);
    }
}

TEST_F(ChartController, FreeSpaceIsThatOfTheShownFoldersFileSystemEachTime) {
    // a lives on another file system than the top folder.
    const std::string aPath = dir_ / "a";
    std::uint64_t topFree = 3ull << 30;
    ctl_.SetDriveQuery(DriveQuery{[](const std::string&) { return false; },
                                  [&](const std::string& p) { return p.rfind(aPath, 0) == 0 ? 1ull << 30 : topFree; }});
    ctl_.actFreeSpace->setChecked(true);
    ctl_.ShowFolderCharts(top_);
    EXPECT_EQ(bars_.FreeSpaceText(), QStringLiteral("Free Space on disk 3072 MB"));
    ctl_.ShowFolderCharts(a_);
    EXPECT_EQ(bars_.FreeSpaceText(), QStringLiteral("Free Space on disk 1024 MB"));
    EXPECT_EQ(bars_.Model()->entries.back().label, kEmptySpaceLabel);
    EXPECT_EQ(bars_.Model()->entries.back().value.units, 10240000);
    // Asked again, not remembered: the disk filled up meanwhile.
    topFree = 2ull << 30;
    ctl_.ShowFolderCharts(top_);
    EXPECT_EQ(pies_.FreeSpaceText(), QStringLiteral("Free Space on disk 2048 MB"));
    // In all-drives mode there is no one file system: no stale text either.
    ctl_.SetScanAllDrives(true);
    ctl_.ShowFolderCharts(a_);
    EXPECT_EQ(bars_.FreeSpaceText(), QString());
}

TEST_F(ChartController, DroppedTreeLeavesNothingAndPartialTreesSaySo) {
    EXPECT_EQ(bars_.FootText(), "Size in MB");
    // 1100 MB below a: the values are in GB, and so is the foot text.
    test::AddChild(b_, dir_ / "b/big", 1100);
    b_->SubFoldersSize = 1100;
    ctl_.ShowFolderCharts(top_);
    EXPECT_EQ(bars_.Model()->unitText, "GB");
    EXPECT_EQ(bars_.FootText(), "Size in GB");
    EXPECT_EQ(pies_.FootText(), "Size in GB");

    ctl_.SetPartial(true);
    ctl_.ShowFolderCharts(top_);
    EXPECT_EQ(bars_.Title(), QString::fromStdString("Folder Sizes in: " + dir_.path() + " (partial)"));
    EXPECT_EQ(pies_.Title(), bars_.Title());

    ctl_.ClearCharts();
    for (ChartView* c : {static_cast<ChartView*>(&bars_), static_cast<ChartView*>(&pies_)}) {
        EXPECT_EQ(c->Model(), nullptr);
        EXPECT_EQ(c->Title(), kNoChartTitle);
        EXPECT_EQ(c->FootText(), "Size in MB");
        EXPECT_EQ(c->FreeSpaceText(), QString());
    }
    EXPECT_EQ(ctl_.CurrentFolder(), nullptr);
}

TEST_F(ChartController, DrillDownToMissingOrUnknownFolders) {
    std::filesystem::remove_all(dir_ / "b");
    Requests r(ctl_);
    QTest::mouseClick(&bars_, Qt::LeftButton, {}, BarPoint("b"));
    EXPECT_TRUE(r.goTo.empty());
    EXPECT_TRUE(r.currentFolder.empty());
    EXPECT_EQ(ctl_.CurrentFolder(), top_);
    EXPECT_EQ(bars_.Model(), ctl_.Model().get());
    EXPECT_EQ(bars_.Title(), QString::fromStdString("Folder Sizes in: " + dir_.path()));

    // Created after the scan: the tree does not know it, so the top folder is shown.
    ctl_.ShowFolderCharts(a_);
    dir_.mkdir("new");
    ctl_.ShowFolderByPath(dir_ / "new/");
    EXPECT_EQ(ctl_.CurrentFolder(), top_);
    EXPECT_EQ(r.goTo, std::vector<std::string>{dir_ / "new/"});
    EXPECT_EQ(r.selectRow, std::vector<TSizeFolder*>{top_});
}

TEST_F(ChartController, HoverShowsTheMarkTextInThePanelAndTheHint) {
    Requests r(ctl_);
    MoveTo(bars_, BarPoint("b"));
    ASSERT_FALSE(r.status.empty());
    EXPECT_EQ(r.status.back(), std::make_pair(2, QStringLiteral("b 12.5 MB")));
    EXPECT_EQ(bars_.toolTip(), QStringLiteral("b 12.5 MB\nLeft click to visualize folder\nRight click to open menu"));
    MoveTo(bars_, QPoint(2, 2));
    EXPECT_EQ(r.status.back(), std::make_pair(2, QString()));

    ctl_.actShowHints2->trigger();
    QHelpEvent tip(QEvent::ToolTip, QPoint(10, 10), bars_.mapToGlobal(QPoint(10, 10)));
    EXPECT_TRUE(QApplication::sendEvent(&bars_, &tip));  // swallowed while hints are off
}

TEST_F(ChartController, OptionsGoInAndOutAndApplyToBothCharts) {
    EXPECT_EQ(ctl_.Options(), ChartOptions{});
    ChartOptions o{false, true, false, true, true, true, false, false, false};
    ctl_.SetOptions(o);
    EXPECT_EQ(ctl_.Options(), o);
    EXPECT_FALSE(bars_.MarksVisible());
    EXPECT_FALSE(pies_.MarksVisible());
    EXPECT_TRUE(pies_.LegendVisible());
    EXPECT_FALSE(bars_.Is3D());
    EXPECT_TRUE(pies_.ExplodeBiggest());
    EXPECT_TRUE(pies_.Elliptic());
    EXPECT_FALSE(bars_.ZoomEnabled());
    EXPECT_FALSE(bars_.Gradient());
    ctl_.act3D->trigger();
    ctl_.actLabels->trigger();
    EXPECT_TRUE(pies_.Is3D());
    EXPECT_TRUE(bars_.MarksVisible());
    EXPECT_TRUE(ctl_.Options().toggle3D);
}

TEST_F(ChartController, RotationTurnsThePieEveryTick) {
    ctl_.ClearCharts();
    EXPECT_FALSE(ctl_.actRotateLeft->isEnabled());
    ctl_.ShowFolderCharts(top_);
    ASSERT_TRUE(ctl_.actRotateLeft->isEnabled());

    QSignalSpy ticks(ctl_.Timer1, &QTimer::timeout);
    ctl_.actRotateLeft->trigger();
    EXPECT_EQ(ctl_.Timer1->interval(), 20);
    ASSERT_TRUE(ticks.wait(2000));
    EXPECT_EQ(pies_.Rotation(), ticks.count() % 360);

    ctl_.actRotateRight->trigger();
    EXPECT_FALSE(ctl_.actRotateLeft->isChecked());
    const int before = pies_.Rotation();
    ticks.clear();
    ASSERT_TRUE(ticks.wait(2000));
    EXPECT_EQ(pies_.Rotation(), (before + 360 - ticks.count() % 360) % 360);

    ctl_.actRotateRight->trigger();  // unchecking stops the turning
    EXPECT_FALSE(ctl_.Timer1->isActive());
}

TEST(ChartPaging, AThousandBarsPageFromTheTop) {
    test::EnsureChartApp();
    TSizeTree tree;
    std::vector<std::pair<std::string, double>> kids;
    for (int i = 0; i < 1000; ++i) kids.push_back({"d" + std::to_string(i), 1.0 + i});
    TSizeFolder* top = test::MakeTop(tree, "/t", 1, kids);
    Bars bars;
    Pies pies;
    bars.resize(800, 600);
    ChartsController ctl(&bars, &pies);
    ctl.SetSortMode(2);
    ctl.ShowFolderCharts(top);
    ASSERT_EQ(bars.EntryCount(), 1001);
    EXPECT_TRUE(ctl.actBarsSpread->isEnabled());
    EXPECT_FALSE(ctl.actBarsUp->isEnabled());

    ctl.actBarsSpread->trigger();
    EXPECT_EQ(bars.PointsPerPage(), 20);
    EXPECT_EQ(bars.FirstPosition(), 981);  // the last page: the top of the chart
    EXPECT_FALSE(ctl.actBarsSpread->isEnabled());
    EXPECT_TRUE(ctl.actBarsDown->isEnabled());
    EXPECT_TRUE(bars.BarRect(0, bars.rect()).isNull());
    EXPECT_FALSE(bars.BarRect(1000, bars.rect()).isNull());
    ctl.actBarsUp->trigger();
    EXPECT_EQ(bars.FirstPosition(), 981);
    ctl.actBarsDown->trigger();
    EXPECT_EQ(bars.FirstPosition(), 963);
    for (int i = 0; i < 100; ++i) ctl.actBarsDown->trigger();
    EXPECT_EQ(bars.FirstPosition(), 0);

    ctl.actBarsNormal->trigger();
    EXPECT_EQ(bars.PointsPerPage(), 0);
    EXPECT_TRUE(ctl.actBarsSpread->isEnabled());
    EXPECT_FALSE(ctl.actBarsNormal->isEnabled());
    // A rebuild also shows every bar again.
    ctl.actBarsSpread->trigger();
    ctl.ShowFolderCharts(top);
    EXPECT_EQ(bars.PointsPerPage(), 0);
}

TEST_F(ChartController, FolderContentListsThePathLazily) {
    dir_.write(".hidden", "h");
    dir_.write("a&b.txt", std::string(3 << 20, 'z'));
    ctl_.SetCurrentPath(dir_.path() + "/");
    emit ctl_.ChartPopUp->aboutToShow();
    QStringList captions;
    QMenu* sub = nullptr;
    for (QAction* a : ctl_.Contentoffolder1->actions()) {
        captions << a->text();
        if (a->text() == "b") sub = a->menu();
    }
    captions.sort();
    // Files with their sizes, folders by name.
    EXPECT_EQ(captions, (QStringList{".hidden\t" + SizeCellText(1 / 1048576.0), "a", "a&&b.txt\t3 Mb", "b"}));
    ASSERT_NE(sub, nullptr);
    ASSERT_EQ(sub->actions().size(), 1);  // the placeholder
    emit sub->aboutToShow();
    ASSERT_EQ(sub->actions().size(), 1);
    EXPECT_TRUE(sub->actions()[0]->text().startsWith(QStringLiteral("file.txt\t")));
    EXPECT_EQ(sub->actions()[0]->toolTip(), QString::fromStdString(dir_ / "b/file.txt"));

    Requests r(ctl_);
    sub->actions()[0]->trigger();
    EXPECT_EQ(r.shellOpen, std::vector<std::string>{dir_ / "b/file.txt"});
    EXPECT_EQ(r.leftPage, std::vector<int>{0});
    EXPECT_EQ(r.status.back(), std::make_pair(0, QString::fromStdString(dir_ / "b/file.txt")));

    // A second opening keeps the filled list; a press on a chart empties it.
    emit ctl_.ChartPopUp->aboutToShow();
    EXPECT_EQ(ctl_.Contentoffolder1->actions().size(), 4);
    QTest::mousePress(&pies_, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_TRUE(ctl_.Contentoffolder1->actions().isEmpty());
}

}  // namespace

// 3 000 folders in one chart, the biggest in the middle: names on the axis, marks, the bar on
// top and the hit of a click all point at the same folder, and the biggest is seen and named.
TEST(ChartCrowded, ThreeThousandBarsNameWhatTheyShow) {
    test::EnsureChartApp();
    TSizeTree tree;
    std::vector<std::pair<std::string, double>> kids;
    for (int i = 0; i < 3000; ++i) kids.push_back({"d" + std::to_string(i), 1.0 + (i * 7919) % 1000});
    kids[1234].second = 50000;  // the biggest, among the others
    TSizeFolder* top = test::MakeTop(tree, "/t", 1, kids);
    Bars bars;
    Pies pies;
    bars.resize(800, 600);
    ChartsController ctl(&bars, &pies);
    ctl.SetSortMode(2);
    ctl.ShowFolderCharts(top);
    ASSERT_EQ(bars.EntryCount(), 3001);
    const ChartModel& m = *bars.Model();
    const int biggest = 1234;
    ASSERT_EQ(m.entries[biggest].label, "d1234");

    const std::vector<int> named = bars.NamedEntries(bars.rect());
    ASSERT_FALSE(named.empty());
    EXPECT_LT(named.size(), 100u);  // one per line of text, not one per bar
    EXPECT_NE(std::find(named.begin(), named.end(), biggest), named.end());
    for (int i : named) {
        SCOPED_TRACE(m.entries[static_cast<size_t>(i)].label.toStdString());
        const QRectF r = bars.BarRect(i, bars.rect());
        ASSERT_FALSE(r.isNull());
        // A click on the named bar where it is drawn hits that very folder.
        EXPECT_EQ(bars.EntryAt(QPoint(static_cast<int>(r.left()) + 2, static_cast<int>(r.center().y()))), i);
    }
    // The biggest bar is drawn: its colour is there, right of every other bar.
    const QImage image = bars.Render(bars.size());
    const QRectF r = bars.BarRect(biggest, bars.rect());
    const QPoint far(static_cast<int>(r.right()) - 3, static_cast<int>(r.center().y()));
    EXPECT_NE(QColor(image.pixel(far)), bars.Background());
    EXPECT_NE(QColor(image.pixel(far)), bars.Background().lighter(108));
    EXPECT_EQ(bars.EntryAt(far), biggest);
}
