// Chart drawing costs: 500-entry bar and pie charts (2D and 3D), a drill-down into a folder of
// 500 children with both charts redrawn, and the CPU of the 20 ms pie rotation. Run by hand:
// (configure with -DVANTUM_BUILD_BENCH=ON) ninja -C build bench_charts && build/src/views/bench_charts
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QThreadPool>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "core/size_tree.h"
#include "views/bar_chart.h"
#include "views/charts_controller.h"
#include "views/pie_chart.h"
using namespace vantum;
using namespace vantum::views;
static double cpu() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (getenv("ONE_THREAD")) QThreadPool::globalInstance()->setMaxThreadCount(1);
    TSizeTree tree;
    std::string base = "/tmp/vantum-chart-measure";
    std::filesystem::create_directories(base);
    TSizeFolder* top = tree.Root->AddSubFolder(base);
    for (int i = 0; i < 500; ++i) {
        std::string p = base + "/folder_" + std::to_string(i);
        std::filesystem::create_directories(p);
        TSizeFolder* f = top->AddSubFolder(p);
        f->FilesSize = 1 + i * 3.7;
        for (int k = 0; k < 500; ++k) {
            TSizeFolder* g = f->AddSubFolder(p + "/sub_" + std::to_string(k));
            g->FilesSize = k;
            f->SubFoldersSize += k;
        }
        top->SubFoldersSize += f->CumulatedSize();
    }
    Bars bars;
    Pies pies;
    bars.resize(1200, 800);
    pies.resize(1200, 800);
    ChartsController ctl(&bars, &pies);
    ctl.SetTree(&tree);
    ctl.SetSortMode(1);
    ctl.ShowFolderCharts(top);
    QImage img(1200, 800, QImage::Format_ARGB32_Premultiplied);
    for (bool three : {false, true})
        for (ChartView* c : {(ChartView*)&bars, (ChartView*)&pies}) {
            c->Set3D(three);
            c->SetLegendVisible(!getenv("NOLEG"));
            c->SetMarksVisible(!getenv("NOMARKS"));
            {
                QPainter p(&img);
                c->Draw(p, img.rect());
            }
            QElapsedTimer t;
            t.start();
            const int n = 20;
            for (int i = 0; i < n; ++i) {
                QPainter p(&img);
                c->Draw(p, img.rect());
            }
            std::printf("%s %s, 500 entries: %.2f ms per draw\n", c == &bars ? "bars" : "pies",
                        three ? "3D" : "2D", t.nsecsElapsed() / 1e6 / n);
        }
    // Drill-down: click handling to both charts rebuilt and drawn.
    QElapsedTimer t;
    t.start();
    const int n = 20;
    for (int i = 0; i < n; ++i) {
        ctl.ShowFolderByPath(base + "/folder_" + std::to_string(i * 7) + "/");
        {
            QPainter p(&img);
            bars.Draw(p, img.rect());
        }
        {
            QPainter p(&img);
            pies.Draw(p, img.rect());
        }
        ctl.ShowFolderCharts(top);
    }
    std::printf(
        "drill-down (ShowFolderByPath into 500 children + both charts drawn), tree of %d folders: %.2f ms\n",
        500 * 501 + 1, t.nsecsElapsed() / 1e6 / n);
    // Rotation: pie shown, 20 ms timer, 3 s.
    pies.resize(800, 500);
    pies.Set3D(true);
    pies.show();
    TSizeFolder* small = tree.Top()->SubFolders[3].get();
    small->SubFolders.resize(20);
    ctl.ShowFolderCharts(small);
    ctl.actRotateLeft->trigger();
    double c0 = cpu();
    QElapsedTimer w;
    w.start();
    QTimer::singleShot(3000, &app, &QApplication::quit);
    app.exec();
    std::printf("rotation: %.1f %% of one core (rotation %d deg after %.1f s)\n",
                100 * (cpu() - c0) / (w.nsecsElapsed() / 1e9), pies.Rotation(), w.nsecsElapsed() / 1e9);
    ctl.actRotateLeft->trigger();
    c0 = cpu();
    w.restart();
    QTimer::singleShot(2000, &app, &QApplication::quit);
    app.exec();
    std::printf("idle (no rotation): %.1f %% of one core\n", 100 * (cpu() - c0) / (w.nsecsElapsed() / 1e9));
    std::filesystem::remove_all(base);
}
