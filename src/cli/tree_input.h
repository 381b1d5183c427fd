#pragma once
// The trees that commands take as arguments: a saved size tree (.vtr), an ncdu or gdu JSON
// export ("-" reads one from standard input), or a folder that is scanned there and then.

#include <string>

#include "core/size_tree.h"

namespace vantum::cli {

enum class TreeSource { TreeFile, NcduJson, Folder };

// Which of the three an argument names: "-" and files whose content starts with '[' (other
// than .vtr names) are JSON, folders are scanned, everything else is read as a .vtr.
TreeSource SourceOf(const std::string& arg);

// Fills the empty tree from the argument; a folder is scanned with the tree's apparent-size
// setting. Errors are thrown with texts that name the argument.
void LoadTreeArgument(TSizeTree& tree, const std::string& arg);

}  // namespace vantum::cli
