#include "cli/cli_questions.h"

#include <cctype>
#include <cstdio>
#include <iostream>

#include "cli/tree_report.h"

namespace vantum::cli {

char TerminalQuestions::Answer(const std::string& question) {
    std::fprintf(stderr, "%s ", question.c_str());
    std::fflush(stderr);
    std::string line;
    if (!std::getline(std::cin, line)) return 0;
    for (char c : line)
        if (!std::isspace(static_cast<unsigned char>(c))) return c;
    return 0;
}

bool TerminalQuestions::ConfirmDelete(const std::vector<std::string>& paths, bool toTrash) {
    if (!interactive_) return false;
    std::string q = toTrash ? "Move to the trash:\n" : "Delete for good (this cannot be undone):\n";
    for (const auto& p : paths) q += "  " + EscapeForTerminal(p) + "\n";
    q += "Go on? [y/N]";
    const char a = Answer(q);
    return a == 'y' || a == 'Y';
}

FileOpQuestions::Choice TerminalQuestions::AskDeletePermanently(const std::string& path, const std::string& reason) {
    if (!interactive_) return Choice::No;
    const char a = Answer(EscapeForTerminal(reason) + "\nDelete \"" + EscapeForTerminal(path) +
                          "\" for good instead? [y]es, yes to [a]ll, [n]o, [c]ancel");
    switch (std::tolower(static_cast<unsigned char>(a))) {
    case 'y': return Choice::Yes;
    case 'a': return Choice::YesToAll;
    case 'n': return Choice::No;
    default: return Choice::Cancel;
    }
}

FileOpQuestions::ConflictAnswer TerminalQuestions::AskConflict(const Item& source, const Item& existing) {
    if (!interactive_) {
        ShowError("\"" + existing.path + "\" exists already; skipped (no terminal to ask)");
        return {Conflict::Skip, false};
    }
    auto describe = [](const Item& i) {
        char when[32] = "";
        std::tm tm{};
        localtime_r(&i.modified, &tm);
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &tm);
        return EscapeForTerminal(i.path) + (i.folder ? " (folder, " : " (" + std::to_string(i.size) + " bytes, ") +
               "modified " + when + ")";
    };
    const char a = Answer("\"" + describe(existing) + "\" exists already.\nCopying: " + describe(source) +
                          "\n[r]eplace, [s]kip, [k]eep both, the same for all with R, S, K; [c]ancel");
    switch (a) {
    case 'r': return {Conflict::Replace, false};
    case 's': return {Conflict::Skip, false};
    case 'k': return {Conflict::KeepBoth, false};
    case 'R': return {Conflict::Replace, true};
    case 'S': return {Conflict::Skip, true};
    case 'K': return {Conflict::KeepBoth, true};
    default: return {Conflict::Cancel, false};
    }
}

void TerminalQuestions::ShowError(const std::string& message) {
    std::fprintf(stderr, "vantum-cli: %s\n", EscapeForTerminal(message).c_str());
}

}  // namespace vantum::cli
