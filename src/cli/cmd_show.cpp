// vantum-cli show FILE [--top N]: the summary of a saved size tree or an ncdu/gdu export.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/tree_report.h"
#include "cli/tree_input.h"
#include "core/size_tree.h"

namespace vantum::cli {

static int Run(const Args& args) {
    std::string file;
    int top = 10;
    bool apparent = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--top" && i + 1 < args.size()) {
            char* end = nullptr;
            long n = std::strtol(args[++i].c_str(), &end, 10);
            if (!end || *end || n < 0 || n > 1000000) {
                std::fprintf(stderr, "vantum-cli show: --top needs a number from 0 to 1000000\n");
                return 2;
            }
            top = static_cast<int>(n);
        } else if (args[i] == "--apparent-size") {
            apparent = true;
        } else if (file.empty() && (args[i].empty() || args[i][0] != '-' || args[i] == "-")) {
            file = args[i];
        } else {
            std::fprintf(stderr, "usage: vantum-cli show FILE|- [--top N] [--apparent-size]\n");
            return 2;
        }
    }
    if (file.empty()) {
        std::fprintf(stderr, "usage: vantum-cli show FILE|- [--top N] [--apparent-size]\n");
        return 2;
    }
    if (SourceOf(file) == TreeSource::Folder) {
        std::fprintf(stderr, "vantum-cli show: %s is a folder; use vantum-cli scan\n", EscapeForTerminal(file).c_str());
        return 2;
    }
    TSizeTree tree;
    tree.SetApparentSizes(apparent);
    LoadTreeArgument(tree, file);  // errors reach main, which prints them and fails
    PrintTreeSummary(tree, top, stdout);
    // Exact: every size is a whole number of bytes divided by 2^20.
    if (tree.Top()) std::printf("Bytes: %.0f\n", tree.Top()->CumulatedSize() * 1048576.0);
    return 0;
}

static const CliCommand reg{"show", "show FILE|- [--top N] [--apparent-size]  -- summary of a saved size tree (.vtr) or of an ncdu/gdu JSON"
                              " export (\"-\": standard input; --apparent-size takes its file lengths)", &Run};

}  // namespace vantum::cli
