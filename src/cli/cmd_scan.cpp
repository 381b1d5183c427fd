// vantum-cli scan: scans a folder (or every drive) and prints the summary.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/tree_report.h"
#include "core/size_format.h"
#include "core/size_tree.h"
#if __has_include("core/tree_file.h")
#include "core/tree_file.h"
#define VANTUM_HAVE_TREE_FILE 1
#endif

namespace vantum::cli {

namespace {

// Progress on a terminal: one status line, rewritten at most ten times a second.
class TerminalProgress : public ProgressSink {
public:
    void ScanCount(int folders) override { Show("Scanning: %d folders", folders); }
    void SizeProgress(int pos) override { Show("Sizing: %d folders", pos); }
    void Finish() {
        if (shown_) std::fprintf(stderr, "\r\033[K");
    }

private:
    void Show(const char* fmt, int n) {
        auto now = std::chrono::steady_clock::now();
        if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        shown_ = true;
        std::fprintf(stderr, "\r\033[K");
        std::fprintf(stderr, fmt, n);
        std::fflush(stderr);
    }
    std::chrono::steady_clock::time_point last_{};
    bool shown_ = false;
};

int Run(const Args& args) {
    std::string path, save;
    bool allDrives = false, hidden = true;
    int threads = 0, top = 10;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* opt) -> std::string {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "vantum-cli scan: %s needs a value\n", opt);
                std::exit(2);
            }
            return args[++i];
        };
        if (a == "--all-drives") allDrives = true;
        else if (a == "--no-hidden") hidden = false;
        else if (a == "--threads") threads = std::atoi(value("--threads").c_str());
        else if (a == "--top") top = std::atoi(value("--top").c_str());
        else if (a == "--save") save = value("--save");
        else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "vantum-cli scan: unknown option %s\n", a.c_str());
            return 2;
        } else if (path.empty()) path = a;
        else {
            std::fprintf(stderr, "vantum-cli scan: only one folder can be scanned\n");
            return 2;
        }
    }
#ifndef VANTUM_HAVE_TREE_FILE
    if (!save.empty()) {
        std::fprintf(stderr, "vantum-cli scan: --save is not available in this build\n");
        return 2;
    }
#endif
    if (!allDrives) {
        struct stat st;
        if (path.empty() || path[0] != '/') {
            char cwd[4096];
            if (path.empty() || !::getcwd(cwd, sizeof cwd)) {
                std::fprintf(stderr, "vantum-cli scan: give a folder to scan (or --all-drives)\n");
                return 2;
            }
            path = std::string(cwd) + (path == "." ? "" : "/" + path);
        }
        if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            std::fprintf(stderr, "vantum-cli scan: %s is not a folder\n", path.c_str());
            return 2;
        }
    }

    TSizeTree tree;
    TerminalProgress terminal;
    if (::isatty(2)) tree.SetProgressSink(&terminal);
    tree.SetThreads(threads);
    auto start = std::chrono::steady_clock::now();
    TSizeFolder* t;
    if (allDrives) {
        t = tree.Root->AddSubFolder(kAllDrives);
        t->IncludeSystemFolders = hidden;
        tree.Root->CreateFullObjectTree(t, hidden);
    } else {
        t = tree.Root->AddSubFolder(path);
        t->IncludeSystemFolders = hidden;
        t->CreateObjectTree(t);
    }
    bool sized = tree.CalculateSizes();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    terminal.Finish();
    if (!sized) {
        std::fprintf(stderr, "vantum-cli scan: aborted\n");
        return 1;
    }
    PrintTreeSummary(tree, top, stdout);
    // Exact: every size is a whole number of bytes divided by 2^20.
    std::printf("Bytes: %.0f\n", t->CumulatedSize() * 1048576.0);
    std::printf("Elapsed:%s\n", FormatElapsed(ms).c_str());
#ifdef VANTUM_HAVE_TREE_FILE
    if (!save.empty()) {
        SaveToFile(tree, save);
        std::printf("Saved to %s\n", save.c_str());
    }
#endif
    return 0;
}

const CliCommand reg{"scan",
                     "scan PATH [--all-drives] [--no-hidden] [--threads N] [--top N] [--save FILE]"
                     "  -- scan a folder and print its sizes",
                     &Run};

}  // namespace

}  // namespace vantum::cli
