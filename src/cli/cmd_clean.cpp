// vantum-cli clean: the trace cleaners from a terminal. --list shows what each would remove
// and touches nothing; NAME... or --all cleans.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cleaning/trace_cleaners.h"
#include "cli/commands.h"
#include "cli/tree_report.h"

namespace vantum::cli {
namespace {

constexpr const char* kUsage =
    "clean --list | NAME... | --all  -- list (touching nothing) or remove traces: browser-cache, browser-history, "
    "recent-documents, media-history";

std::string Size(std::uint64_t bytes) {
    char buf[64];
    if (bytes < 1024) std::snprintf(buf, sizeof buf, "%llu bytes", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024) std::snprintf(buf, sizeof buf, "%.1f KB", static_cast<double>(bytes) / 1024.0);
    else std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return buf;
}

int Run(const Args& args) {
    bool list = false, all = false;
    std::vector<std::string> names;
    for (const auto& a : args) {
        if (a == "--list") list = true;
        else if (a == "--all") all = true;
        else names.push_back(a);
    }
    auto cleaners = cleaning::TraceCleaners(cleaning::TraceFolders::ForSession());
    if (list + all + !names.empty() != 1) {
        std::fprintf(stderr, "usage: vantum-cli %s\n", kUsage);
        return 2;
    }
    for (const auto& n : names) {
        bool known = false;
        for (const auto& c : cleaners) known = known || c.name == n;
        if (!known) {
            std::fprintf(stderr, "vantum-cli: clean: no cleaner named \"%s\" (browser-cache, browser-history, "
                                 "recent-documents, media-history)\n", EscapeForTerminal(n).c_str());
            return 2;
        }
    }
    bool anySkipped = false;
    std::uint64_t total = 0;
    for (const auto& c : cleaners) {
        if (!list && !all && std::find(names.begin(), names.end(), c.name) == names.end()) continue;
        auto report = c.run(list);
        std::printf("%s: %s %llu item%s of %s, %s\n", c.name.c_str(), list ? "would remove" : "removed",
                    static_cast<unsigned long long>(report.items), report.items == 1 ? "" : "s", c.caption.c_str(),
                    Size(report.bytesFreed).c_str());
        for (const auto& r : report.removed) std::printf("  %s %s\n", list ? "would remove" : "removed", EscapeForTerminal(r).c_str());
        for (const auto& s : report.skipped) std::printf("  skipped %s\n", EscapeForTerminal(s).c_str());
        anySkipped = anySkipped || !report.skipped.empty();
        total += report.bytesFreed;
    }
    std::printf("total: %s %s\n", list ? "would free" : "freed", Size(total).c_str());
    std::fflush(stdout);
    return anySkipped ? 3 : 0;
}

const CliCommand cleanCmd{"clean", kUsage, &Run};

}  // namespace
}  // namespace vantum::cli
