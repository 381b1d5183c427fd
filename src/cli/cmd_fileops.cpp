// vantum-cli trash / rm / cp / mv: the file operations of the window from a terminal.
// Exit codes: 0 every item done, 1 some item failed or was skipped or cancelled, 2 bad usage.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_questions.h"
#include "cli/commands.h"
#include "cli/tree_report.h"
#include "core/size_format.h"
#include "filemgr/file_operations.h"
#include "platform/trash.h"

namespace {

using vantum::cli::Args;
using vantum::cli::EscapeForTerminal;

constexpr const char* kTrashUsage =
    "trash PATH... | trash --list | --restore NAME|PATH | --size | --empty  -- move to the freedesktop trash, or look into it";
constexpr const char* kRmUsage = "rm [--yes] PATH...  -- delete files and folders for good (asks unless --yes)";
constexpr const char* kCpUsage = "cp SRC... DEST  -- copy files and folders into the folder DEST (asks before replacing)";
constexpr const char* kMvUsage = "mv SRC... DEST  -- move files and folders into the folder DEST (asks before replacing)";

std::string Size(std::uint64_t bytes) { return vantum::FormatSize(static_cast<double>(bytes) / 1048576.0); }

int Usage(const char* usage) {
    std::fprintf(stderr, "usage: vantum-cli %s\n", usage);
    return 2;
}

// Options first, then paths; "--" ends the options.
bool SplitArgs(const Args& args, std::vector<std::string>& options, std::vector<std::string>& paths) {
    bool opts = true;
    for (const auto& a : args) {
        if (opts && a == "--") opts = false;
        else if (opts && a.size() > 1 && a[0] == '-') options.push_back(a);
        else paths.push_back(a);
    }
    return true;
}

int TrashList(vantum::platform::Trash& trash) {
    const auto items = trash.List();
    for (const auto& i : items)
        std::printf("%s  %s%s  %s\n", i.deletionDate.c_str(), EscapeForTerminal(i.name).c_str(), i.isFolder ? "/" : "",
                    EscapeForTerminal(i.originalPath).c_str());
    return 0;
}

int TrashRestore(vantum::platform::Trash& trash, const std::string& what) {
    const auto items = trash.List();
    const vantum::platform::TrashedItem* found = nullptr;
    for (const auto& i : items)  // the name in the trash, else the latest item from that path
        if (i.name == what || i.originalPath == what) {
            if (!found || i.name == what || found->name != what) found = &i;
        }
    if (!found) {
        std::fprintf(stderr, "vantum-cli: trash: nothing named \"%s\" in the trash\n", EscapeForTerminal(what).c_str());
        return 1;
    }
    const auto r = trash.Restore(*found);
    for (const auto& p : r.problems) std::fprintf(stderr, "vantum-cli: %s\n", EscapeForTerminal(p).c_str());
    if (!r.ok) return 1;
    std::printf("Restored %s\n", EscapeForTerminal(found->originalPath).c_str());
    return 0;
}

int RunTrash(const Args& args) {
    std::vector<std::string> options, paths;
    SplitArgs(args, options, paths);
    vantum::platform::Trash trash;
    if (options.size() == 1 && options[0] == "--list" && paths.empty()) return TrashList(trash);
    if (options.size() == 1 && options[0] == "--restore" && paths.size() == 1) return TrashRestore(trash, paths[0]);
    if (options.size() == 1 && options[0] == "--size" && paths.empty()) {
        std::printf("%s\n", Size(trash.Size()).c_str());
        return 0;
    }
    if (options.size() == 1 && options[0] == "--empty" && paths.empty()) {
        const auto r = trash.Empty();
        for (const auto& p : r.problems) std::fprintf(stderr, "vantum-cli: %s\n", EscapeForTerminal(p).c_str());
        std::printf("%llu items deleted from the trash, %s freed\n", static_cast<unsigned long long>(r.items),
                    Size(r.bytes).c_str());
        return r.ok ? 0 : 1;
    }
    if (!options.empty() || paths.empty()) return Usage(kTrashUsage);
    vantum::cli::TerminalQuestions questions(false);
    vantum::FileOpReport report;
    vantum::FileOpServices services;
    services.questions = &questions;
    services.trash = &trash;
    services.report = &report;
    // Never deletes: an item that no trash can take fails and is named.
    const bool ok = vantum::RecyclePathsSilently(vantum::JoinPathList(paths), services);
    if (report.items)
        std::printf("%llu of %zu items (%s) moved to the trash; emptying the trash frees the space\n",
                    static_cast<unsigned long long>(report.items), paths.size(), Size(report.bytes).c_str());
    return ok ? 0 : 1;
}

int RunRm(const Args& args) {
    std::vector<std::string> options, paths;
    SplitArgs(args, options, paths);
    bool yes = false;
    for (const auto& o : options) {
        if (o == "--yes" || o == "-y") yes = true;
        else return Usage(kRmUsage);
    }
    if (paths.empty()) return Usage(kRmUsage);
    const bool terminal = isatty(STDIN_FILENO);
    if (!yes && !terminal) {
        std::fprintf(stderr, "vantum-cli: rm: no terminal to confirm on; add --yes to delete for good\n");
        return 2;
    }
    vantum::cli::TerminalQuestions questions(terminal);
    vantum::FileOpReport report;
    vantum::FileOpServices services;
    services.questions = &questions;
    services.report = &report;
    const bool ok = vantum::DeletePaths(vantum::JoinPathList(paths), yes, false, services);
    if (report.cancelled && report.items == 0 && report.errors.empty()) {
        std::fprintf(stderr, "vantum-cli: rm: nothing deleted\n");
        return 1;
    }
    std::printf("%llu of %zu items deleted for good (%s freed)\n", static_cast<unsigned long long>(report.items),
                paths.size(), Size(report.bytes).c_str());
    return ok ? 0 : 1;
}

int RunTransfer(const Args& args, int code, const char* usage) {
    std::vector<std::string> options, paths;
    SplitArgs(args, options, paths);
    if (!options.empty() || paths.size() < 2) return Usage(usage);
    const std::string dest = paths.back();
    paths.pop_back();
    vantum::cli::TerminalQuestions questions(isatty(STDIN_FILENO));
    vantum::FileOpReport report;
    vantum::FileOpServices services;
    services.questions = &questions;
    services.report = &report;
    const bool ok = vantum::TransferPaths(vantum::JoinPathList(paths), dest, vantum::FOF_SILENT, code, services);
    if (report.cancelled) std::fprintf(stderr, "vantum-cli: cancelled\n");
    return ok ? 0 : 1;
}

int RunCp(const Args& args) { return RunTransfer(args, vantum::FO_COPY, kCpUsage); }
int RunMv(const Args& args) { return RunTransfer(args, vantum::FO_MOVE, kMvUsage); }

const vantum::cli::CliCommand trashCmd{"trash", kTrashUsage, &RunTrash};
const vantum::cli::CliCommand rmCmd{"rm", kRmUsage, &RunRm};
const vantum::cli::CliCommand cpCmd{"cp", kCpUsage, &RunCp};
const vantum::cli::CliCommand mvCmd{"mv", kMvUsage, &RunMv};

}  // namespace
