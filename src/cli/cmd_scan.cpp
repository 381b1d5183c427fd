// vantum-cli scan: scans a folder (or every drive) and prints the summary.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <string>

#include "cli/commands.h"
#include "cli/tree_report.h"
#include "core/size_format.h"
#include "core/scan.h"
#include "core/size_tree.h"
#include "core/ncdu_json_writer.h"
#include "core/tree_file.h"

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
    std::string path, save, json;
    bool jsonOption = false;
    bool allDrives = false, hidden = true, apparent = false;
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
        else if (a == "--apparent-size") apparent = true;
        else if (a == "--threads") threads = std::atoi(value("--threads").c_str());
        else if (a == "--top") top = std::atoi(value("--top").c_str());
        else if (a == "--save") {
            save = value("--save");
            if (save.empty()) {
                std::fprintf(stderr, "vantum-cli scan: --save needs a file name\n");
                return 2;
            }
        }
        else if (a == "--ncdu-json") {
            json = value("--ncdu-json");
            jsonOption = true;
            if (json.empty()) {
                std::fprintf(stderr, "vantum-cli scan: --ncdu-json needs a file name (or - for standard output)\n");
                return 2;
            }
        }
        else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "vantum-cli scan: unknown option %s\n", a.c_str());
            return 2;
        } else if (path.empty()) path = a;
        else {
            std::fprintf(stderr, "vantum-cli scan: only one folder can be scanned\n");
            return 2;
        }
    }
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
    ProgressSink& sink = ::isatty(2) ? static_cast<ProgressSink&>(terminal) : NullProgress();
    ScanOptions options{hidden, apparent, threads};
    ScanResult r = Scan(tree, allDrives ? std::string(kAllDrives) : path, options, sink);
    terminal.Finish();
    if (r.aborted) {
        std::fprintf(stderr, "vantum-cli scan: aborted\n");
        return 1;
    }
    TSizeFolder* t = r.top;
    if (!allDrives && t->ReadError) {
        std::fprintf(stderr, "vantum-cli scan: cannot read %s: %s\n", EscapeForTerminal(path).c_str(),
                     std::strerror(t->ReadError));
        return 3;
    }
    // With the export on standard output the summary goes to standard error.
    std::FILE* report = json == "-" ? stderr : stdout;
    PrintTreeSummary(tree, top, report);
    // Exact: every size is a whole number of bytes divided by 2^20.
    std::fprintf(report, "Bytes: %.0f\n", t->CumulatedSize() * 1048576.0);
    std::fprintf(report, "Elapsed:%s\n", FormatElapsed(r.elapsedMs).c_str());
    if (!save.empty()) {
        SaveToFile(tree, save);
        std::fprintf(report, "Saved to %s\n", EscapeForTerminal(save).c_str());
    }
    if (jsonOption) {
        std::fflush(stdout);
        SaveNcduJson(tree, json);
        if (json != "-") std::fprintf(report, "Exported to %s\n", EscapeForTerminal(json).c_str());
    }
    if (r.unreadable > 0) {
        std::vector<const TSizeFolder*> bad = UnreadableFolders(*t);
        std::fprintf(stderr, "vantum-cli scan: %d folder%s could not be read (counted as empty):\n", r.unreadable,
                     r.unreadable == 1 ? "" : "s");
        for (size_t i = 0; i < bad.size() && i < 10; ++i)
            std::fprintf(stderr, "  %s: %s\n", EscapeForTerminal(bad[i]->Path()).c_str(),
                         std::strerror(bad[i]->ReadError));
        if (bad.size() > 10) std::fprintf(stderr, "  ... and %zu more\n", bad.size() - 10);
        return 3;
    }
    return 0;
}

const CliCommand reg{"scan",
                     "scan PATH [--all-drives] [--no-hidden] [--apparent-size] [--threads N] [--top N] [--save FILE]"
                     " [--ncdu-json FILE|-]"
                     "  -- scan a folder and print its sizes (disk usage, or file lengths with --apparent-size);"
                     " exit 0 when done, 1 when stopped, 2 on bad arguments or a path that is not a folder,"
                     " 3 when folders could not be read (listed on stderr); --ncdu-json writes an export that ncdu -f and"
                     " gdu -f open (\"-\": standard output, the summary then goes to standard error)",
                     &Run};

}  // namespace

}  // namespace vantum::cli
