#pragma once
// Helpers of the chart tests: one QApplication for the program and size trees built by hand.

#include <QApplication>
#include <string>
#include <utility>
#include <vector>

#include "core/size_tree.h"
#include "views/chart_model.h"

namespace vantum::test {

inline void EnsureChartApp() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "test_views";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// A child of folder with the given sizes in MB (files directly in it, everything below).
inline TSizeFolder* AddChild(TSizeFolder* folder, const std::string& path, double files, double below = 0) {
    TSizeFolder* f = folder->AddSubFolder(path);
    f->FilesSize = files;
    f->SubFoldersSize = below;
    folder->SubFoldersSize += files + below;
    return f;
}

// A tree whose top folder is `top` with one child per (name, MB) pair.
inline TSizeFolder* MakeTop(TSizeTree& tree, const std::string& top, double files,
                            const std::vector<std::pair<std::string, double>>& children) {
    TSizeFolder* t = tree.Root->AddSubFolder(top);
    t->FilesSize = files;
    const std::string base = top.back() == '/' ? top : top + "/";
    for (const auto& [name, mb] : children) AddChild(t, base + name, mb);
    return t;
}

// Fixed drive answers: every path in roots is a drive root with `free` bytes available.
inline views::DriveQuery FixedDrives(std::vector<std::string> roots, std::uint64_t free) {
    return views::DriveQuery{
        [roots](const std::string& p) {
            for (const auto& r : roots)
                if (r == p) return true;
            return false;
        },
        [free](const std::string&) { return free; },
    };
}

}  // namespace vantum::test
