// Benchmark of the ncdu JSON reader and writer and of the tree comparison.
//   ncdu_json_bench read FILE     read an export: seconds and peak memory growth
//   ncdu_json_bench write FILE    read it, then time writing it again (to FILE.out)
//   ncdu_json_bench diff FILE     read it twice, time DiffTrees on the two trees
// Each figure is printed as "key value" on its own line for the driver script.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "core/ncdu_json_reader.h"
#include "core/ncdu_json_writer.h"
#include "core/tree_diff.h"

using namespace vantum;
using Clock = std::chrono::steady_clock;

static long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::atol(line.c_str() + n + 1);
    return -1;
}
static double Since(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::string mode = argv[1], file = argv[2];
    long before = StatusKb("VmRSS:");
    TSizeTree tree;
    auto t0 = Clock::now();
    LoadNcduJson(tree, file);
    double read = Since(t0);
    if (mode == "read") {
        std::printf("read_s %.4f\nread_peak_kb %ld\nfolders %d\n", read, StatusKb("VmHWM:") - before,
                    tree.CountFolders(tree.Top()));
    } else if (mode == "write") {
        t0 = Clock::now();
        SaveNcduJson(tree, file + ".out");
        std::printf("write_s %.4f\n", Since(t0));
    } else if (mode == "diff") {
        TSizeTree other;
        LoadNcduJson(other, file);
        t0 = Clock::now();
        TreeDiff d = DiffTrees(tree, other);
        std::printf("diff_s %.4f\ndiff_folders %zu\n", Since(t0), d.changes.size());
    }
    return 0;
}
