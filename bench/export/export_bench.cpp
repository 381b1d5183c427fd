// Benchmark of the export writers on a folder of N sub-folders (default 20000).
//   bench_export DIR [N]   writes sizes.txt, sizes.csv, sizes.html (+ pictures), sizes.xlsx
//                          into DIR; prints the median of 5 runs per writer and the peak
//                          memory growth, as "key value" lines for the driver script.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/size_tree.h"
#include "export/chart_pictures.h"
#include "export/csv_export.h"
#include "export/export_rows.h"
#include "export/html_report.h"
#include "export/spreadsheet_export.h"
#include "export/text_export.h"

using namespace vantum;
using Clock = std::chrono::steady_clock;

static long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::atol(line.c_str() + n + 1);
    return -1;
}

static double Median(const std::function<void()>& run) {
    std::vector<double> t;
    for (int i = 0; i < 5; ++i) {
        auto a = Clock::now();
        run();
        t.push_back(std::chrono::duration<double>(Clock::now() - a).count());
    }
    std::sort(t.begin(), t.end());
    return t[2];
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_export DIR [N]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int n = argc > 2 ? std::atoi(argv[2]) : 20000;
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    // The same cells as bench/export/xlsxwriter_peer.py: folder_00000 .. with sizes i * 1.5 and i * 0.25.
    TSizeTree tree;
    TSizeFolder* top = tree.Root->AddSubFolder("/bench/top");
    for (int i = 0; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "folder_%05d", i);
        TSizeFolder* f = top->AddChild(name);
        f->FilesSize = i * 0.25;
        f->SubFoldersSize = i * 1.25;
    }
    const exporting::ExportRows rows = exporting::BuildExportRows(*top);
    exporting::ExportSettings settings;
    const exporting::ChartPictures pictures = exporting::RenderChartPictures(*top);
    const long before = StatusKb("VmRSS:");
    std::ofstream("/proc/self/clear_refs") << "5";

    std::printf("rows %d\n", n);
    std::printf("text_s %.4f\n", Median([&] { exporting::WriteTextExport(rows, settings, dir + "/sizes.txt"); }));
    std::printf("csv_s %.4f\n", Median([&] { exporting::WriteCsvExport(rows, settings, dir + "/sizes.csv"); }));
    std::printf("html_s %.4f\n",
                Median([&] { exporting::WriteHtmlReport(rows, settings, pictures, dir + "/sizes.html"); }));
    std::printf("html_no_pictures_s %.4f\n",
                Median([&] { exporting::WriteHtmlReport(rows, settings, {}, dir + "/plain.html"); }));
    std::printf("xlsx_s %.4f\n", Median([&] { exporting::WriteSpreadsheet(rows, settings, dir + "/sizes.xlsx"); }));
    std::printf("extra_kb %ld\n", StatusKb("VmHWM:") - before);
    return 0;
}
