// reg-export / reg-import: the registry store and its REGEDIT4 files from a terminal.
#include <cstdio>
#include <string>

#include "cleaning/reg_export.h"
#include "cleaning/reg_import.h"
#include "cli/commands.h"
#include "platform/registry_store.h"

namespace vantum::cli {
namespace {

using platform::FileRegistryStore;

int Export(const Args& args) {
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: vantum-cli reg-export STORE ROOT\\KEY FILE\n");
        return 2;
    }
    const std::string& full = args[1];
    size_t slash = full.find('\\');
    auto root = platform::RootFromName(std::string_view(full).substr(0, slash));
    if (!root) {
        std::fprintf(stderr, "vantum-cli: unknown root key in \"%s\" (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, ...)\n",
                     full.c_str());
        return 2;
    }
    std::string key = slash == std::string::npos ? std::string() : full.substr(slash + 1);
    FileRegistryStore store(args[0]);
    if (!store.LastError().empty()) {
        std::fprintf(stderr, "vantum-cli: %s\n", store.LastError().c_str());
        return 1;
    }
    if (!cleaning::ExportRegistryKey(store, *root, key, args[2])) {
        std::fprintf(stderr, "vantum-cli: cannot write %s\n", args[2].c_str());
        return 1;
    }
    return 0;
}

int Import(const Args& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vantum-cli reg-import STORE FILE\n");
        return 2;
    }
    FileRegistryStore store(args[0]);
    std::string error;
    if (!cleaning::ImportRegistryFile(store, args[1], &error)) {
        std::fprintf(stderr, "vantum-cli: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

const CliCommand exportCmd{"reg-export",
                           "reg-export STORE ROOT\\KEY FILE  -- write a registry key and its sub-keys as a REGEDIT4 file",
                           &Export};
const CliCommand importCmd{"reg-import", "reg-import STORE FILE  -- import a REGEDIT4 file into the registry store",
                           &Import};

}  // namespace
}  // namespace vantum::cli
