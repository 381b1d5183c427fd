#include "core/tree_diff.h"

#include <algorithm>
#include <string_view>

namespace vantum {

namespace {

std::string_view WithoutTrailingSlash(const std::string& p) {
    std::string_view v(p);
    while (v.size() > 1 && v.back() == '/') v.remove_suffix(1);
    return v;
}

}  // namespace

TreeDiff DiffTrees(const TSizeTree& older, const TSizeTree& newer) {
    TreeDiff d;
    const TSizeFolder* oldTop = older.Top();
    const TSizeFolder* newTop = newer.Top();
    if (!oldTop || !newTop) return d;
    d.sameTop = WithoutTrailingSlash(oldTop->Path()) == WithoutTrailingSlash(newTop->Path());

    struct Pair {
        const TSizeFolder* older;
        const TSizeFolder* newer;
        std::string path;
    };
    std::vector<const TSizeFolder*> goneRoots;
    std::vector<Pair> stack{{oldTop, newTop, newTop->Path()}};
    std::unordered_map<std::string_view, std::vector<const TSizeFolder*>> byName;
    while (!stack.empty()) {
        Pair p = std::move(stack.back());
        stack.pop_back();
        FolderChange c;
        c.older = p.older;
        c.newer = p.newer;
        c.oldSize = p.older ? p.older->CumulatedSize() : 0;
        c.newSize = p.newer->CumulatedSize();
        d.byNewer_.emplace(p.newer, d.changes.size());
        if (p.older) d.byOlder_.emplace(p.older, d.changes.size());
        c.path = std::move(p.path);

        // Older children by name, each name's folders in list order (reversed, taken from the back).
        byName.clear();
        if (p.older)
            for (auto it = p.older->SubFolders.rbegin(); it != p.older->SubFolders.rend(); ++it)
                byName[(*it)->Name].push_back(it->get());
        std::size_t first = stack.size();
        for (const auto& child : p.newer->SubFolders) {
            const TSizeFolder* match = nullptr;
            if (auto f = byName.find(child->Name); f != byName.end() && !f->second.empty()) {
                match = f->second.back();
                f->second.pop_back();
            }
            stack.push_back({match, child.get(), JoinPath(c.path, child->Name)});
        }
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(first), stack.end());
        if (p.older)
            for (const auto& child : p.older->SubFolders)
                if (auto f = byName.find(child->Name);
                    f != byName.end() && std::find(f->second.begin(), f->second.end(), child.get()) != f->second.end())
                    goneRoots.push_back(child.get());
        d.changes.push_back(std::move(c));
    }

    // Gone branches, each folder with everything below it.
    for (const TSizeFolder* root : goneRoots) {
        std::vector<const TSizeFolder*> pending{root};
        while (!pending.empty()) {
            const TSizeFolder* f = pending.back();
            pending.pop_back();
            FolderChange c;
            c.path = f->Path();
            c.older = f;
            c.oldSize = f->CumulatedSize();
            d.byOlder_.emplace(f, d.changes.size());
            d.changes.push_back(std::move(c));
            for (auto it = f->SubFolders.rbegin(); it != f->SubFolders.rend(); ++it) pending.push_back(it->get());
        }
    }
    return d;
}

const FolderChange* TreeDiff::Find(const TSizeFolder* newer) const {
    auto it = byNewer_.find(newer);
    return it == byNewer_.end() ? nullptr : &changes[it->second];
}

std::vector<const FolderChange*> TreeDiff::GoneUnder(const TSizeFolder* newerParent) const {
    std::vector<const FolderChange*> out;
    const FolderChange* parent = Find(newerParent);
    if (!parent || !parent->older) return out;
    for (const auto& child : parent->older->SubFolders) {
        auto it = byOlder_.find(child.get());
        if (it != byOlder_.end() && changes[it->second].IsGone()) out.push_back(&changes[it->second]);
    }
    return out;
}

namespace {

std::vector<const FolderChange*> Largest(const std::vector<FolderChange>& changes, std::size_t n, double minMB,
                                         double sign) {
    std::vector<const FolderChange*> out;
    for (const auto& c : changes) {
        double g = c.Growth() * sign;
        if (g > 0 && g >= minMB) out.push_back(&c);
    }
    std::stable_sort(out.begin(), out.end(),
                     [sign](const FolderChange* a, const FolderChange* b) { return a->Growth() * sign > b->Growth() * sign; });
    if (out.size() > n) out.resize(n);
    return out;
}

}  // namespace

std::vector<const FolderChange*> TreeDiff::LargestGrowths(std::size_t n, double minMegabytes) const {
    return Largest(changes, n, minMegabytes, 1);
}

std::vector<const FolderChange*> TreeDiff::LargestShrinks(std::size_t n, double minMegabytes) const {
    return Largest(changes, n, minMegabytes, -1);
}

bool TreeDiff::Empty() const {
    return std::all_of(changes.begin(), changes.end(),
                       [](const FolderChange& c) { return !c.IsNew() && !c.IsGone() && c.Growth() == 0; });
}

}  // namespace vantum
