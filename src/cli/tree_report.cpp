#include "cli/tree_report.h"

#include <algorithm>
#include <vector>

#include "core/size_format.h"

namespace vantum::cli {

void PrintTreeSummary(const TSizeTree& tree, int top, std::FILE* out) {
    const TSizeFolder* t = tree.Top();
    if (!t) {
        std::fprintf(out, "The size tree is empty\n");
        return;
    }
    std::fprintf(out, "%s\n", t->Path.c_str());
    std::fprintf(out, "Total: %s\n", FormatSize(t->CumulatedSize()).c_str());
    std::fprintf(out, "Folders: %d\n", tree.CountFolders(t));

    std::vector<const TSizeFolder*> children;
    for (const auto& c : t->SubFolders) children.push_back(c.get());
    std::stable_sort(children.begin(), children.end(), [](const TSizeFolder* a, const TSizeFolder* b) {
        return a->CumulatedSize() > b->CumulatedSize();
    });
    if (top < 0) top = 0;
    if (children.size() > static_cast<std::size_t>(top)) children.resize(static_cast<std::size_t>(top));
    if (children.empty()) return;
    std::fprintf(out, "Largest folders:\n");
    for (const TSizeFolder* c : children)
        std::fprintf(out, "%12s  %s\n", FormatSize(c->CumulatedSize()).c_str(), c->Name.c_str());
}

}  // namespace vantum::cli
