#include "cli/tree_input.h"

#include <sys/stat.h>

#include <cstdlib>

#include <cstring>
#include <stdexcept>

#include "cli/tree_report.h"
#include "core/ncdu_json_reader.h"
#include "core/scan.h"
#include "core/tree_file.h"

namespace vantum::cli {

TreeSource SourceOf(const std::string& arg) {
    if (arg == "-") return TreeSource::NcduJson;
    struct stat st;
    if (::stat(arg.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return TreeSource::Folder;
    if (IsTreeFileArgument(arg)) return TreeSource::TreeFile;
    return LooksLikeNcduJson(arg) ? TreeSource::NcduJson : TreeSource::TreeFile;
}

void LoadTreeArgument(TSizeTree& tree, const std::string& arg) {
    switch (SourceOf(arg)) {
        case TreeSource::NcduJson: LoadNcduJson(tree, arg); return;
        case TreeSource::TreeFile: LoadFromFile(tree, arg); return;
        case TreeSource::Folder: break;
    }
    char* real = ::realpath(arg.c_str(), nullptr);
    std::string path = real ? real : arg;
    std::free(real);
    ScanOptions options;
    options.apparentSizes = tree.ApparentSizes();
    ScanResult r = Scan(tree, path, options, NullProgress());
    if (r.aborted || !r.top) throw std::runtime_error("The scan of " + EscapeForTerminal(path) + " did not finish");
    if (r.top->ReadError)
        throw std::runtime_error("Cannot read " + EscapeForTerminal(path) + ": " + std::strerror(r.top->ReadError));
}

}  // namespace vantum::cli
