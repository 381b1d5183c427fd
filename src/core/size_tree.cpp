#include "core/size_tree.h"

#include <algorithm>
#include <thread>

namespace vantum {

SizeTreeAssertion::SizeTreeAssertion(int line)
    : std::runtime_error("Assertion failure (SizeTreeU, line " + std::to_string(line) + ")"), line_(line) {}

TSizeFolder::TSizeFolder(TSizeTree* tree, TSizeFolder* parent, std::string path)
    : TSizeFolder(tree, parent, nullptr) {
    ownPath_ = std::make_unique<std::string>(std::move(path));
}

TSizeFolder::TSizeFolder(TSizeTree* tree, TSizeFolder* parent, std::nullptr_t) : Parent(parent), tree_(tree) {
    // Every folder creation clears a pending abort: an all-drives scan relies on it.
    if (tree_) tree_->State.AbortScan = false;
}

TSizeFolder::~TSizeFolder() {
    // Children in index order; iterative so that very deep trees do not exhaust the stack.
    std::vector<std::unique_ptr<TSizeFolder>> pending;
    for (auto& c : SubFolders) pending.push_back(std::move(c));
    SubFolders.clear();
    while (!pending.empty()) {
        std::unique_ptr<TSizeFolder> f = std::move(pending.back());
        pending.pop_back();
        for (auto& c : f->SubFolders) pending.push_back(std::move(c));
        f->SubFolders.clear();
    }
}

TSizeFolder* TSizeFolder::AddSubFolder(const std::string& path) {
    if (path.empty()) throw SizeTreeAssertion(154);
    SubFolders.push_back(std::make_unique<TSizeFolder>(tree_, this, path));
    return SubFolders.back().get();
}

TSizeFolder* TSizeFolder::AddChild(std::string name) {
    if (name.empty()) throw SizeTreeAssertion(154);
    auto child = std::make_unique<TSizeFolder>(tree_, this, nullptr);
    child->Name = std::move(name);
    SubFolders.push_back(std::move(child));
    return SubFolders.back().get();
}

std::string JoinPath(const std::string& parent, const std::string& name) {
    std::string out;
    out.reserve(parent.size() + 1 + name.size());
    out += parent;
    if (out.empty() || out.back() != '/') out += '/';
    out += name;
    return out;
}

std::string TSizeFolder::Path() const {
    // Up to the nearest folder that keeps its own path, then the names back down.
    std::vector<const TSizeFolder*> chain;
    const TSizeFolder* f = this;
    while (!f->ownPath_ && f->Parent) {
        chain.push_back(f);
        f = f->Parent;
    }
    std::string out = f->ownPath_ ? *f->ownPath_ : std::string();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (out.empty() || out.back() != '/') out += '/';
        out += (*it)->Name;
    }
    return out;
}

TSizeFolder* TSizeFolder::GetSubFolder(int index) const {
    if (index < 0 || index >= SubFolderCount()) throw SizeTreeAssertion(199);
    return SubFolders[static_cast<size_t>(index)].get();
}

TSizeFolder* TSizeFolder::ParentOf(const TSizeFolder* folder) const {
    if (!folder) throw SizeTreeAssertion(365);
    return folder->Parent;
}

void TSizeFolder::SortByPath(TSizeFolder* folder) const {
    if (!folder) return;
    std::sort(folder->SubFolders.begin(), folder->SubFolders.end(),
              [](const auto& a, const auto& b) { return a->Path() > b->Path(); });
}

void TSizeFolder::SortBySize(TSizeFolder* folder) const {
    if (!folder) return;
    std::sort(folder->SubFolders.begin(), folder->SubFolders.end(), [](const auto& a, const auto& b) {
        return static_cast<long double>(a->FilesSize) + a->SubFoldersSize <
               static_cast<long double>(b->FilesSize) + b->SubFoldersSize;
    });
}

TSizeTree::TSizeTree() : Root(std::make_unique<TSizeFolder>(this, nullptr, std::string())), sink_(&NullProgress()) {
    Root->IncludeSystemFolders = false;
    State.FirstLevelTotal = 0;
}

TSizeTree::~TSizeTree() = default;

TSizeFolder* TSizeTree::FindFolder(const std::string& path) const {
    TSizeFolder* top = Top();
    if (!top) return nullptr;
    std::string want = path;
    // The root "/" keeps its separator: it is the path of the drive folder "/".
    if (want.size() > 1 && want.back() == '/') want.pop_back();
    // Depth first, pre-order, children in index order; the top folder itself is not compared.
    // Only branches whose path leads towards the wanted one are entered.
    auto leadsTo = [&](const std::string& p) {
        if (want.compare(0, p.size(), p) != 0) return false;
        return want.size() == p.size() || p.back() == '/' || want[p.size()] == '/';
    };
    struct Item {
        TSizeFolder* folder;
        std::string path;
    };
    std::vector<Item> stack;
    auto pushChildren = [&](TSizeFolder* f, const std::string& base) {
        for (auto it = f->SubFolders.rbegin(); it != f->SubFolders.rend(); ++it) {
            TSizeFolder* c = it->get();
            std::string p = c->HasOwnPath() ? c->Path() : JoinPath(base, c->Name);
            if (leadsTo(p) || c->HasOwnPath()) stack.push_back({c, std::move(p)});
        }
    };
    pushChildren(top, top->Path());
    while (!stack.empty()) {
        Item item = std::move(stack.back());
        stack.pop_back();
        if (item.path == want) return item.folder;
        pushChildren(item.folder, item.path);
    }
    return top;
}

int TSizeTree::CountFolders(const TSizeFolder* folder) const {
    if (!folder) return 0;
    int count = 0;
    std::vector<const TSizeFolder*> stack{folder};
    while (!stack.empty()) {
        const TSizeFolder* f = stack.back();
        stack.pop_back();
        ++count;
        for (const auto& c : f->SubFolders) stack.push_back(c.get());
    }
    return count - 1;
}

int TSizeTree::Threads() const {
    if (threads_ > 0) return threads_;
    unsigned n = std::thread::hardware_concurrency();
    return n ? static_cast<int>(n) : 2;
}

}  // namespace vantum
