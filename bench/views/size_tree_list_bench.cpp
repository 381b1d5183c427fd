// Fill, sort by size and full expand of the size tree list over a 20 000-folder tree, and the
// heap the list holds, against a QTreeWidget that copies every folder into an item (the classic
// way such a list is built). Each side runs in its own child process; ratios are ours / peer.
//
//   (configure with -DVANTUM_BUILD_BENCH=ON) ninja -C build bench_views && build/src/views/bench_views [folders]
#include <QApplication>
#include <QCoreApplication>
#include <QTreeView>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "gui/prompts.h"
#include "core/size_tree.h"
#include "views/size_texts.h"
#include "views/size_tree_list.h"
#include "views/size_tree_model.h"

using namespace vantum;
using namespace vantum::views;

namespace {

struct NoPrompts : Prompts {
    void Message(const QString&, Kind) override {}
    Answer Ask(const QString&, Buttons, Kind) override { return Answer::Cancel; }
    std::optional<QString> Input(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<FileChoice> OpenFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    std::optional<FileChoice> SaveFile(const QString&, const QString&, const QString&, const QString&, const QString&,
                                       bool) override {
        return {};
    }
    std::optional<QString> BrowseFolder(const QString&, const QString&) override { return {}; }
    std::optional<QColor> PickColor(const QColor&) override { return {}; }
};

// Breadth first, 2 to 9 children each, until n folders; sizes from a fixed generator.
TSizeFolder* BuildTree(TSizeTree& tree, int n) {
    TSizeFolder* top = tree.Root->AddSubFolder("/bench");
    top->Name = "bench";
    std::vector<TSizeFolder*> queue{top};
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xffff; };
    int count = 1;
    for (std::size_t q = 0; q < queue.size() && count < n; ++q) {
        const int kids = 2 + static_cast<int>(next() % 8);
        for (int k = 0; k < kids && count < n; ++k, ++count) {
            TSizeFolder* f = queue[q]->AddSubFolder(queue[q]->Path() + "/d" + std::to_string(k));
            f->Name = "d" + std::to_string(k);
            f->FilesSize = (next() % 100000) / 97.0;
            queue.push_back(f);
        }
    }
    for (auto it = queue.rbegin(); it != queue.rend(); ++it)
        if ((*it)->Parent && (*it)->Parent != tree.Root.get()) (*it)->Parent->SubFoldersSize += (*it)->CumulatedSize();
    return top;
}

double Ms(const std::function<void()>& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    QCoreApplication::processEvents();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

long Heap() { return static_cast<long>(mallinfo2().uordblks); }

struct Result {
    double fill = 0, sort = 0, expand = 0, sortExpanded = 0;
    long heapFilled = 0, heapExpanded = 0;
};

Result RunOurs(TSizeFolder* top) {
    NoPrompts prompts;
    SizeTreeList list(prompts, FolderShell{});
    list.View()->resize(800, 600);
    list.View()->show();
    QCoreApplication::processEvents();
    Result r;
    long h0 = Heap();
    r.fill = Ms([&] {
        list.Clear();
        list.FillSizeTreeList(top);
        list.SetCurrentFolder(top);
        list.View()->viewport()->repaint();
    });
    r.heapFilled = Heap() - h0;
    list.LoadSortMode(SizeTreeList::SortBySize);
    r.sort = Ms([&] {
        list.ApplySortMode();
        list.View()->viewport()->repaint();
    });
    r.expand = Ms([&] {
        list.actExpand->trigger();
        list.View()->viewport()->repaint();
    });
    r.heapExpanded = Heap() - h0;
    list.LoadSortMode(SizeTreeList::SortByName);
    r.sortExpanded = Ms([&] {
        list.ApplySortMode();
        list.View()->viewport()->repaint();
    });
    std::fprintf(stderr, "  rows materialised after full expand: %zu\n", list.Model()->MaterialisedRows());
    return r;
}

// The peer: one QTreeWidgetItem per folder with its three texts copied in.
Result RunPeer(TSizeFolder* top) {
    QTreeWidget w;
    w.setColumnCount(4);
    w.setUniformRowHeights(true);
    w.resize(800, 600);
    w.show();
    QCoreApplication::processEvents();
    Result r;
    long h0 = Heap();
    r.fill = Ms([&] {
        std::vector<std::pair<TSizeFolder*, QTreeWidgetItem*>> stack{{top, nullptr}};
        QTreeWidgetItem* first = nullptr;
        while (!stack.empty()) {
            auto [f, parent] = stack.back();
            stack.pop_back();
            auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(&w);
            if (!first) first = item;
            item->setText(0, QString::fromStdString(f->Name));
            item->setText(2, SizeCellText(f->FilesSize));
            item->setText(3, SizeCellText(f->CumulatedSize()));
            item->setData(3, Qt::UserRole, f->CumulatedSize());
            for (auto it = f->SubFolders.rbegin(); it != f->SubFolders.rend(); ++it) stack.push_back({it->get(), item});
        }
        first->setExpanded(true);
        w.viewport()->repaint();
    });
    r.heapFilled = Heap() - h0;
    r.sort = Ms([&] {
        w.sortItems(3, Qt::DescendingOrder);  // by text: what a copying list gives without more work
        w.viewport()->repaint();
    });
    r.expand = Ms([&] {
        w.expandAll();
        w.viewport()->repaint();
    });
    r.heapExpanded = Heap() - h0;
    r.sortExpanded = Ms([&] {
        w.sortItems(0, Qt::AscendingOrder);
        w.viewport()->repaint();
    });
    return r;
}

Result InChild(bool ours, int folders) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(2);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int argc = 1;
        char name[] = "bench_views";
        char* argv[] = {name, nullptr};
        QApplication app(argc, argv);
        TSizeTree tree;
        TSizeFolder* top = BuildTree(tree, folders);
        Result r = ours ? RunOurs(top) : RunPeer(top);
        if (write(fds[1], &r, sizeof r) != sizeof r) _exit(3);
        _exit(0);
    }
    close(fds[1]);
    Result r;
    if (read(fds[0], &r, sizeof r) != sizeof r) std::exit(4);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int folders = argc > 1 ? std::atoi(argv[1]) : 20000;
    std::printf("size tree list, %d folders (best of 3 runs; ratio = vantum / QTreeWidget)\n", folders);
    Result best[2];
    for (int run = 0; run < 3; ++run)
        for (int side = 0; side < 2; ++side) {
            Result r = InChild(side == 0, folders);
            Result& b = best[side];
            if (run == 0) b = r;
            b.fill = std::min(b.fill, r.fill);
            b.sort = std::min(b.sort, r.sort);
            b.expand = std::min(b.expand, r.expand);
            b.sortExpanded = std::min(b.sortExpanded, r.sortExpanded);
        }
    auto row = [](const char* what, double a, double b, const char* unit) {
        std::printf("  %-28s %10.1f %s  %10.1f %s  ratio %.2f\n", what, a, unit, b, unit, b > 0 ? a / b : 0.0);
    };
    std::printf("  %-28s %13s  %13s\n", "", "vantum", "QTreeWidget");
    row("fill", best[0].fill, best[1].fill, "ms");
    row("sort by size", best[0].sort, best[1].sort, "ms");
    row("full expand", best[0].expand, best[1].expand, "ms");
    row("sort, all expanded", best[0].sortExpanded, best[1].sortExpanded, "ms");
    row("heap after fill", best[0].heapFilled / 1024.0, best[1].heapFilled / 1024.0, "KB");
    row("heap after full expand", best[0].heapExpanded / 1024.0, best[1].heapExpanded / 1024.0, "KB");
    return 0;
}
