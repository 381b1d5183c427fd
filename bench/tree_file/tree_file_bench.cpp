// Benchmark of the size tree file and the file search.
//   tree_file_bench save FILE N     build a tree of N folders, save it: time and extra peak memory
//   tree_file_bench load FILE       read it back: time and extra peak memory beyond the tree
//   tree_file_bench search DIR      scan DIR, then time the search for "*.tmp" (median of 5)
//   tree_file_bench makedir DIR     create the search benchmark's folders and files
// Each figure is printed as "key value" on its own line for the driver script.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "core/file_search.h"
#include "core/size_tree.h"
#include "core/tree_file.h"

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
static void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}
static double Cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }
static double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// A realistic shape: 1 top folder, 100 first-level folders, then a fan-out of 10 per level.
static void BuildTree(TSizeTree& tree, int n) {
    TSizeFolder* top = tree.Root->AddSubFolder("/srv/benchmark/");
    top->Name = "benchmark";
    std::vector<TSizeFolder*> queue{top};
    int made = 0;
    for (size_t q = 0; q < queue.size() && made < n - 1; ++q) {
        TSizeFolder* p = queue[q];
        int fan = p == top ? 100 : 10;
        for (int i = 0; i < fan && made < n - 1; ++i, ++made) {
            std::string name = "folder-" + std::to_string(i) + (i % 3 ? "-data" : "");
            TSizeFolder* c = p->AddSubFolder(p->Path() + (p->Path().back() == '/' ? "" : "/") + name);
            c->Name = name;
            c->FilesSize = made * 0.001;
            queue.push_back(c);
        }
    }
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::string mode = argv[1], arg = argv[2];
    if (mode == "save" && argc == 4) {
        long base = StatusKb("VmRSS:");
        TSizeTree tree;
        auto b0 = Clock::now();
        double bc = Cpu();
        BuildTree(tree, std::atoi(argv[3]));
        double buildS = Seconds(b0, Clock::now()), buildCpu = Cpu() - bc;
        long built = StatusKb("VmRSS:");
        ResetPeak();
        auto t0 = Clock::now();
        double c0 = Cpu();
        SaveToFile(tree, arg);
        auto t1 = Clock::now();
        std::printf("save_cpu_s %.3f\nbuild_in_memory_cpu_s %.3f\n", Cpu() - c0, buildCpu);
        struct stat st;
        stat(arg.c_str(), &st);
        std::printf("build_in_memory_s %.3f\n", buildS);
        std::printf("folders %d\nfile_bytes %lld\ntree_kb %ld\nsave_s %.3f\nsave_extra_kb %ld\n",
                    tree.CountFolders(tree.Root.get()), (long long)st.st_size, built - base, Seconds(t0, t1),
                    StatusKb("VmHWM:") - built);
        return 0;
    }
    if (mode == "load") {
        // The tree's own memory is measured by building the same tree in a child-free way: the
        // driver passes it from the save run; here only the total growth is reported.
        long base = StatusKb("VmRSS:");
        ResetPeak();
        TSizeTree tree;
        auto t0 = Clock::now();
        double c0 = Cpu();
        LoadFromFile(tree, arg);
        auto t1 = Clock::now();
        std::printf("load_cpu_s %.3f\n", Cpu() - c0);
        std::printf("load_s %.3f\nload_peak_growth_kb %ld\nload_rss_growth_kb %ld\nloaded_folders %d\n",
                    Seconds(t0, t1), StatusKb("VmHWM:") - base, StatusKb("VmRSS:") - base,
                    tree.CountFolders(tree.Root.get()));
        return 0;
    }
    if (mode == "makedir") {
        // 200 first-level folders × 50 folders × 10 files: 10 000 folders, 100 000 files, 1 in 20 a .tmp.
        int files = 0;
        for (int a = 0; a < 200; ++a) {
            std::string da = arg + "/top" + std::to_string(a);
            mkdir(da.c_str(), 0755);
            for (int b = 0; b < 50; ++b) {
                std::string db = da + "/sub" + std::to_string(b);
                mkdir(db.c_str(), 0755);
                for (int f = 0; f < 10; ++f, ++files) {
                    std::string name = db + "/file" + std::to_string(f) + (files % 20 == 0 ? ".TMP" : ".dat");
                    int fd = open(name.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
                    if (fd >= 0) close(fd);
                }
            }
        }
        return 0;
    }
    if (mode == "search") {
        TSizeTree tree;
        TSizeFolder* top = tree.Root->AddSubFolder(arg);
        top->CreateObjectTree(top);
        std::vector<double> times, cpus;
        size_t hits = 0;
        for (int i = 0; i < 5; ++i) {
            auto t0 = Clock::now();
            double c0 = Cpu();
            hits = FindFilesInTree(*top, "*.tmp", NullProgress(), true).paths.size();
            times.push_back(Seconds(t0, Clock::now()));
            cpus.push_back(Cpu() - c0);
        }
        std::sort(times.begin(), times.end());
        std::sort(cpus.begin(), cpus.end());
        std::printf("search_hits %zu\nsearch_s %.4f\nsearch_cpu_s %.4f\n", hits, times[2], cpus[2]);
        return 0;
    }
    return 2;
}
