// Pixels of the drawn charts, the same drawing on an SVG device, and the screenshots of both
// charts (written into $VANTUM_SCREENSHOTS when set).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "core/size_tree.h"
#include "views/bar_chart.h"
#include "views/chart_palette.h"
#include "views/chart_test_support.h"
#include "views/pie_chart.h"

using namespace vantum;
using namespace vantum::views;

namespace {

class ChartRender : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureChartApp(); }
    void SetUp() override {
        top_ = test::MakeTop(tree_, "/home/user", 420.5,
                             {{"Videos", 8200}, {"Music", 3100}, {"Pictures", 2450.75}, {"Projects", 1800},
                              {"Downloads", 950}, {".cache", 640}, {"Documents", 310}, {".local", 120},
                              {"Desktop", 12.5}, {"Templates", 0.2}});
        SortForCharts(*top_, 1);
        ChartBuildOptions o{false, true, test::FixedDrives({"/home/user"}, 51ull << 30)};
        model_ = std::make_shared<const ChartModel>(BuildChartModel(*top_, o));
        for (ChartView* c : {static_cast<ChartView*>(&bars_), static_cast<ChartView*>(&pies_)}) {
            c->resize(900, 560);
            c->SetTitle(model_->title);
            c->SetModel(model_);
            c->SetFreeSpaceText(*model_->freeSpaceText);
        }
    }

    static int CountColour(const QImage& img, const QRect& r, const QColor& c) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (img.pixelColor(x, y).rgb() == c.rgb()) ++n;
        return n;
    }

    static int Distance(const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    }

    TSizeTree tree_;
    TSizeFolder* top_ = nullptr;
    std::shared_ptr<const ChartModel> model_;
    Bars bars_;
    Pies pies_;
};

TEST_F(ChartRender, EveryBarAndSliceIsDrawnInItsEntryColour) {
    for (bool three : {false, true}) {
        SCOPED_TRACE(three ? "3D" : "2D");
        bars_.Set3D(three);
        bars_.SetGradient(false);
        pies_.Set3D(three);
        const QImage b = bars_.Render();
        const QImage p = pies_.Render();
        for (int i = 0; i < model_->count(); ++i) {
            SCOPED_TRACE(model_->entries[i].label.toStdString());
            const QRectF r = bars_.BarRect(i, bars_.rect());
            if (r.width() >= 12) {  // narrower bars are mostly outline and rim
                EXPECT_EQ(b.pixelColor(r.center().toPoint()).rgb(), model_->entries[i].colour.rgb());
            }
            const QPointF c = pies_.SliceCentre(i, pies_.rect());
            if (c.isNull() || model_->entries[i].value.ToDouble() < model_->total() * 0.03) continue;
            EXPECT_EQ(p.pixelColor(c.toPoint()).rgb(), model_->entries[i].colour.rgb());
        }
    }
}

TEST_F(ChartRender, TitleIsDrawnAndFollowsItsText) {
    const QRect titleBand(0, 0, bars_.width(), 24);
    const QImage before = bars_.Render();
    EXPECT_GT(CountColour(before, titleBand, kFilesColour), 20);
    bars_.SetTitle(QStringLiteral("Folder Sizes in: /somewhere/else/entirely"));
    EXPECT_NE(bars_.Render().copy(titleBand), before.copy(titleBand));

    Pies fresh;
    fresh.resize(400, 300);
    EXPECT_EQ(fresh.Title(), kNoChartTitle);
    const QImage empty = fresh.Render();
    EXPECT_GT(CountColour(empty, QRect(0, 0, 400, 24), kFilesColour), 20);
    for (const QColor& c : kChartPalette) EXPECT_EQ(CountColour(empty, empty.rect(), c), 0);
}

TEST_F(ChartRender, GradientBarsStartInTheEntryColour) {
    bars_.Set3D(false);
    bars_.SetGradient(true);
    const QImage img = bars_.Render();
    const int videos = model_->count() - 3;  // the largest folder
    ASSERT_EQ(model_->entries[videos].label, QStringLiteral("Videos"));
    const QRectF r = bars_.BarRect(videos, bars_.rect());
    const QColor base = model_->entries[videos].colour;
    const int y = static_cast<int>(r.center().y());
    EXPECT_LE(Distance(img.pixelColor(QPoint(static_cast<int>(r.left()) + 2, y)), base), 6);
    EXPECT_GT(Distance(img.pixelColor(QPoint(static_cast<int>(r.right()) - 2, y)), base), 40);
}

TEST_F(ChartRender, DrawsOnAnSvgDevice) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(900, 560));
    svg.setViewBox(QRect(0, 0, 900, 560));
    {
        QPainter p(&svg);
        pies_.Draw(p, QRect(0, 0, 900, 560));
    }
    const QString text = QString::fromUtf8(buffer.data());
    EXPECT_TRUE(text.contains(QStringLiteral("Folder Sizes in: /home/user")));
    EXPECT_TRUE(text.contains(QStringLiteral("Videos")));
}

TEST_F(ChartRender, Screenshots) {
    QTemporaryDir scratch;
    const QByteArray env = qgetenv("VANTUM_SCREENSHOTS");
    const QString dir = env.isEmpty() ? scratch.path() : QString::fromLocal8Bit(env);
    ASSERT_TRUE(QDir().mkpath(dir));
    for (bool three : {false, true}) {
        for (ChartView* c : {static_cast<ChartView*>(&bars_), static_cast<ChartView*>(&pies_)}) {
            c->Set3D(three);
            c->SetMarksVisible(true);
            c->SetLegendVisible(true);
            // Grab the widget so that the free-space label is in the picture too.
            c->show();
            const QImage img = c->grab().toImage();
            const QString name = QStringLiteral("%1/charts-%2-%3.png")
                                     .arg(dir, c == &bars_ ? QStringLiteral("bars") : QStringLiteral("pies"),
                                          three ? QStringLiteral("3d") : QStringLiteral("2d"));
            ASSERT_TRUE(img.save(name)) << name.toStdString();
            EXPECT_EQ(QImage(name).size(), c->size());
        }
    }
}

}  // namespace

// The pie in every mode fits its room (moved-out slice and rim included, beside the legend and
// above the foot text), and marks stay whole inside it, the biggest slices served first.
TEST(PieFit, EveryModeFitsAndTheSmallestSlicesLoseTheirMarksFirst) {
    test::EnsureChartApp();
    auto model = std::make_shared<ChartModel>();
    const double values[] = {1.37, 0.02, 0.9, 0.01, 0.5, 0.03, 0.2, 0.01, 0.04, 0.02, 0.6, 0.01};
    for (size_t i = 0; i < std::size(values); ++i) {
        ChartEntry e;
        e.label = QStringLiteral("a rather long folder name %1").arg(i);
        e.value = Fixed4::FromDouble(values[i]);
        e.colour = kChartPalette[i % kChartPalette.size()];
        model->entries.push_back(e);
    }
    model->unitText = "GB";
    Pies pies;
    pies.SetModel(model);
    pies.SetMarksVisible(true);
    for (QSize size : {QSize(700, 460), QSize(300, 220)})
        for (int mode = 0; mode < 16; ++mode) {
            SCOPED_TRACE(std::to_string(size.width()) + " mode " + std::to_string(mode));
            pies.Set3D(mode & 1);
            pies.SetElliptic(mode & 2);
            pies.SetExplodeBiggest(mode & 4);
            pies.SetLegendVisible(mode & 8);
            const QRect area(QPoint(0, 0), size);
            const QRectF bounds = pies.PieBounds(area);
            const QRect room = pies.PieRoom(area);
            EXPECT_TRUE(QRectF(room).adjusted(-0.5, -0.5, 0.5, 0.5).contains(bounds))
                << bounds.x() << "," << bounds.y() << " " << bounds.width() << "x" << bounds.height();
            const auto marks = pies.MarkBoxes(area);
            std::vector<int> marked;
            for (const auto& [i, box] : marks) {
                EXPECT_TRUE(room.contains(box)) << i;
                marked.push_back(i);
            }
            // The marks go to the big slices first: the 1.37 GB slice always keeps its own, and
            // marked slices are on the whole bigger than unmarked ones.
            if (!marked.empty()) {  // a legend can leave too little room for any mark
                EXPECT_NE(std::find(marked.begin(), marked.end(), 0), marked.end());
            }
            double markedSum = 0, unmarkedSum = 0;
            int unmarked = 0;
            for (size_t i = 0; i < std::size(values); ++i) {
                if (std::find(marked.begin(), marked.end(), static_cast<int>(i)) != marked.end()) markedSum += values[i];
                else unmarkedSum += values[i], ++unmarked;
            }
            if (unmarked > 0 && !marked.empty()) {
                EXPECT_GT(markedSum / static_cast<double>(marked.size()), unmarkedSum / unmarked);
            }
        }
}
