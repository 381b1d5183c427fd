#pragma once
// Writes a size tree in the JSON export format of ncdu (format 1.2), so that `ncdu -f FILE`
// and `gdu -f FILE` browse it and show the tree's totals.
//
// A size tree has folders only, each with the size of its own entry and files together
// (FilesSize). ncdu adds up a directory's own size and its entries; gdu ignores a directory's
// own size and counts 4096 bytes for it instead. So each folder is written as a directory
// whose own size is min(own bytes, 4096), followed, where bytes are left, by one file entry
// named kOwnFilesName that holds the rest. Both programs then show every folder's total as
// the tree has it, except that gdu shows a folder of less than 4096 own bytes larger by the
// difference. The same value goes to `asize` and `dsize` (the tree holds one kind of size).
// Reading such an export back gives the same folders with the same sizes.

#include <string>

#include "core/size_tree.h"

namespace vantum {

// Name of the entry that stands for a folder's own files.
inline constexpr const char* kOwnFilesName = "<files>";

// Writes the top folder and everything below it to fileName ("-": standard output). A file is
// replaced only once the export is complete (FileError otherwise). Throws
// std::invalid_argument for a tree without a top folder or with an all-drives top, whose
// drives do not form one directory tree. Progress: range = folders, position per 4096.
void SaveNcduJson(TSizeTree& tree, const std::string& fileName);

// The export as a string (for tests and small trees).
std::string NcduJsonText(TSizeTree& tree);

}  // namespace vantum
