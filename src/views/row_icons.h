#pragma once
// The 16 × 16 row pictures shared by the size tree list and the size ranking, by their
// index in the tree image list.

#include <QIcon>

namespace vantum::views {

enum class RowImage {
    FolderPie = 0,     // a folder with a small pie chart (size columns)
    FolderMarked = 1,  // a folder with an orange mark at its right edge (size columns, focused row)
    FolderOpen = 2,    // an opened folder (name column, focused row)
    FolderClosed = 4,  // a closed folder (name column)
};

// Rendered once from the program's resources; a null icon for an index without a picture.
QIcon RowIcon(RowImage image);

}  // namespace vantum::views
