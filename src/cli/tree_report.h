#pragma once
// The summary vantum-cli prints for a size tree, scanned or read from a file.

#include <cstdio>

#include "core/size_tree.h"

namespace vantum::cli {

// Top folder path, its total size, the number of folders below it and the `top` largest
// first-level folders (largest first, ties in list order), sizes as FormatSize texts.
void PrintTreeSummary(const TSizeTree& tree, int top, std::FILE* out);

}  // namespace vantum::cli
