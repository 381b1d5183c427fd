// Fuzz target: the ncdu JSON reader on arbitrary bytes. Any input must end in a tree or in
// NcduJsonError; a refused input leaves nothing behind; an accepted one must write and read
// back with the same folders and sizes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/ncdu_json_reader.h"
#include "core/ncdu_json_writer.h"

namespace {

bool SameTree(const vantum::TSizeFolder& a, const vantum::TSizeFolder& b) {
    std::vector<std::pair<const vantum::TSizeFolder*, const vantum::TSizeFolder*>> stack{{&a, &b}};
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        if (x->Path() != y->Path() || x->CumulatedSize() != y->CumulatedSize() || x->SubFolders.size() != y->SubFolders.size() ||
            (x->ReadError != 0) != (y->ReadError != 0))
            return false;
        for (std::size_t i = 0; i < x->SubFolders.size(); ++i) stack.push_back({x->SubFolders[i].get(), y->SubFolders[i].get()});
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantum::TSizeTree tree;
    try {
        vantum::ReadNcduJson(tree, std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const vantum::NcduJsonError&) {
        if (!tree.Root->SubFolders.empty() || !tree.LinkOwners.empty()) std::abort();
        return 0;
    }
    if (!tree.Top() || tree.Root->SubFolderCount() != 1) std::abort();
    if (tree.Top()->Path() == vantum::kAllDrives) return 0;  // not writable as an export
    vantum::TSizeTree back;
    vantum::ReadNcduJson(back, vantum::NcduJsonText(tree));
    if (!SameTree(*tree.Top(), *back.Top())) std::abort();
    return 0;
}
