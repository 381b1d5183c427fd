#pragma once
// Size trees for the folder list tests: folders with given own sizes, totals summed as the size
// pass would, and a QApplication for the widgets.

#include <QApplication>
#include <string>

#include "core/size_tree.h"

namespace vantum::test {

// One QApplication per test program, whichever test asks first.
inline void EnsureApplication() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "test_views";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// The top folder of tree, at path, with the given own size.
inline TSizeFolder* AddTop(TSizeTree& tree, const std::string& path, double filesMB = 0) {
    TSizeFolder* top = tree.Root->AddSubFolder(path);
    top->Name = path.substr(path.find_last_of('/') + 1);
    top->FilesSize = filesMB;
    return top;
}

inline TSizeFolder* AddChild(TSizeFolder* parent, const std::string& name, double filesMB) {
    TSizeFolder* f = parent->AddSubFolder(parent->Path() + "/" + name);
    f->Name = name;
    f->FilesSize = filesMB;
    return f;
}

// SubFoldersSize of every folder below and including f; returns f's cumulated size.
inline double SumSizes(TSizeFolder* f) {
    double below = 0;
    for (auto& c : f->SubFolders) below += SumSizes(c.get());
    f->SubFoldersSize = below;
    return f->CumulatedSize();
}

}  // namespace vantum::test
