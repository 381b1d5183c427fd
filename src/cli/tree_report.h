#pragma once
// The summary vantum-cli prints for a size tree, scanned or read from a file.

#include <cstdio>
#include <string>

#include "core/size_tree.h"

namespace vantum::cli {

// The bytes of a name as a terminal may safely show them: control bytes, DEL and bytes that
// are not part of valid UTF-8 become escapes ("\n", "\x1b", ...), a backslash becomes "\\".
std::string EscapeForTerminal(const std::string& bytes);

// Top folder path, its total size, the number of folders below it and the `top` largest
// first-level folders (largest first, ties in list order), sizes as FormatSize texts.
void PrintTreeSummary(const TSizeTree& tree, int top, std::FILE* out);

}  // namespace vantum::cli
