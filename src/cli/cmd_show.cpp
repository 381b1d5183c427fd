// vantum-cli show FILE [--top N]: the summary of a saved size tree.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/tree_report.h"
#include "core/tree_file.h"

namespace vantum::cli {

static int Run(const Args& args) {
    std::string file;
    int top = 10;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--top" && i + 1 < args.size()) {
            char* end = nullptr;
            long n = std::strtol(args[++i].c_str(), &end, 10);
            if (!end || *end || n < 0 || n > 1000000) {
                std::fprintf(stderr, "vantum-cli show: --top needs a number from 0 to 1000000\n");
                return 2;
            }
            top = static_cast<int>(n);
        } else if (file.empty() && (args[i].empty() || args[i][0] != '-' || args[i] == "-")) {
            file = args[i];
        } else {
            std::fprintf(stderr, "usage: vantum-cli show FILE [--top N]\n");
            return 2;
        }
    }
    if (file.empty()) {
        std::fprintf(stderr, "usage: vantum-cli show FILE [--top N]\n");
        return 2;
    }
    TSizeTree tree;
    LoadFromFile(tree, file);  // errors reach main, which prints them and fails
    PrintTreeSummary(tree, top, stdout);
    return 0;
}

static const CliCommand reg{"show", "show FILE [--top N]  -- summary of a saved size tree (.vtr)", &Run};

}  // namespace vantum::cli
