// vantum-cli copy-older: copy files and folders into DEST, creating what is missing and
// overwriting existing files by one rule: all, only older ones, or none.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "cli/commands.h"
#include "cli/tree_report.h"
#include "filemgr/copy_older.h"

namespace {

using vantum::cli::EscapeForTerminal;

constexpr const char* kUsage =
    "copy-older SRC... DEST [--all|--older|--none] [--log FILE]  -- copy, overwriting existing files: "
    "all, only older ones, or none (default)";

std::string ParentOf(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

int Run(const vantum::cli::Args& args) {
    vantum::CopyOlderOptions options;
    std::string logFile;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--all") {
            options.answer = vantum::OverwriteAnswer::All;
        } else if (a == "--older") {
            options.answer = vantum::OverwriteAnswer::Older;
        } else if (a == "--none") {
            options.answer = vantum::OverwriteAnswer::None;
        } else if (a == "--log" && i + 1 < args.size()) {
            logFile = args[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "usage: vantum-cli %s\n", kUsage);
            return 2;
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() < 2) {
        std::fprintf(stderr, "usage: vantum-cli %s\n", kUsage);
        return 2;
    }
    const std::string dest = paths.back();
    paths.pop_back();
    // Each source is copied under its own name: sources are grouped by their folder.
    std::map<std::string, std::vector<std::string>> byFolder;
    for (std::string& p : paths) {
        if (p.empty() || p.front() != '/') p = "./" + p;
        byFolder[ParentOf(p)].push_back(p);
    }
    std::vector<std::string> log;
    int rc = 0, copied = 0, kept = 0, errors = 0;
    for (const auto& [folder, items] : byFolder) {
        const vantum::CopyOlderResult r = vantum::CopyOverwriteOlder(folder, items, dest, options);
        log.insert(log.end(), r.log.begin(), r.log.end());
        copied += r.copied;
        kept += r.kept;
        errors += r.errors;
        if (!r.message.empty()) {
            std::fprintf(stderr, "vantum-cli: copy-older: %s\n", EscapeForTerminal(r.message).c_str());
            rc = 1;
            break;
        }
        if (!r.ok) rc = 1;
    }
    for (const std::string& line : log) std::printf("%s\n", EscapeForTerminal(line).c_str());
    std::printf("%d copied, %d kept, %d errors\n", copied, kept, errors);
    if (!logFile.empty()) {
        if (const int err = vantum::WriteCopyLog(logFile, log)) {
            std::fprintf(stderr, "vantum-cli: copy-older: %s: %s\n", EscapeForTerminal(logFile).c_str(), std::strerror(err));
            rc = 1;
        }
    }
    return rc;
}

const vantum::cli::CliCommand reg{"copy-older", kUsage, &Run};

}  // namespace
