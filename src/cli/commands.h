#pragma once
// Sub-commands of vantum-cli. Each cmd_*.cpp registers its own with a static CliCommand.

#include <string>
#include <vector>

namespace vantum::cli {

using Args = std::vector<std::string>;  // arguments after the sub-command's name

struct CliCommand {
    const char* name;
    const char* usage;  // one line, shown by "vantum-cli --help"
    int (*run)(const Args& args);
    CliCommand(const char* n, const char* u, int (*r)(const Args&));
};

const std::vector<const CliCommand*>& Commands();

}  // namespace vantum::cli
