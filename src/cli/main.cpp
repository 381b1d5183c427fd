// vantum-cli: the scan, tree file and file tools of Vantum from a terminal.
#include <cstdio>
#include <cstring>
#include <exception>

#include "cli/commands.h"

namespace vantum::cli {

static std::vector<const CliCommand*>& Registry() {
    static std::vector<const CliCommand*> commands;
    return commands;
}

CliCommand::CliCommand(const char* n, const char* u, int (*r)(const Args&)) : name(n), usage(u), run(r) {
    Registry().push_back(this);
}

const std::vector<const CliCommand*>& Commands() { return Registry(); }

}  // namespace vantum::cli

static void Usage(std::FILE* out) {
    std::fprintf(out, "usage: vantum-cli COMMAND [ARGS]\n");
    for (const auto* c : vantum::cli::Commands()) std::fprintf(out, "  %s\n", c->usage);
}

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        Usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const auto* c : vantum::cli::Commands()) {
        if (std::strcmp(c->name, argv[1]) != 0) continue;
        try {
            return c->run(vantum::cli::Args(argv + 2, argv + argc));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vantum-cli: %s\n", e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "vantum-cli: unknown command '%s'\n", argv[1]);
    Usage(stderr);
    return 2;
}
