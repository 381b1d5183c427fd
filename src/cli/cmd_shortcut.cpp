// shortcut-target: what a shortcut file points to and the state the shortcut cleaner gives it.
#include <cstdio>

#include "cleaning/shortcut_target.h"
#include "cleaning/target_state.h"
#include "cli/commands.h"
#include "cli/tree_report.h"

namespace vantum::cli {
namespace {

int Run(const Args& args) {
    if (args.empty()) {
        std::fprintf(stderr, "usage: vantum-cli shortcut-target FILE...\n");
        return 2;
    }
    auto mounts = platform::ReadMounts();
    for (const auto& file : args) {
        std::string target = cleaning::ReadShortcutTarget(file);
        auto state = cleaning::ClassifyTarget(target, mounts);
        // A target is read from an untrusted file: it must not reach the terminal raw.
        std::printf("%s\t%s\t%.*s\n", EscapeForTerminal(file).c_str(), EscapeForTerminal(target).c_str(), static_cast<int>(cleaning::StateText(state).size()),
                    cleaning::StateText(state).data());
    }
    return 0;
}

const CliCommand reg{"shortcut-target",
                     "shortcut-target FILE...  -- print each shortcut's file, target and state (tab-separated)", &Run};

}  // namespace
}  // namespace vantum::cli
