#pragma once
// The size tree file (".vtr"): every folder of the tree with path, name and both sizes, in
// depth-first pre-order. Little-endian, no header beyond a folder count:
//   int32 count, then per folder: int32 len, path bytes, int32 len, name bytes,
//   binary64 FilesSize, binary64 SubFoldersSize, int32 last child index (children - 1).

#include <string>

#include "core/safe_file.h"
#include "core/size_tree.h"

namespace vantum {

// The dialogs' default extension and filter.
inline constexpr const char* kTreeFileExtension = "vtr";
inline constexpr const char* kTreeFileFilter = "Vantu file (*.vtr)|*.vtr";
// Title of the save dialog, followed by the current folder's Name.
inline constexpr const char* kSaveTreeTitle = "Save Size Tree: ";
// Status text and mark of a tree read from a file.
inline constexpr const char* kTreeReloadedText = "Size tree reloaded";

// The errors of both operations: what() is "Stream read error", "Stream write error" or the
// file layer's text naming the file and the reason. A record with an empty path raises
// SizeTreeAssertion(154) instead.
using TreeFileError = FileError;

// The largest size a record may carry: 2^63 bytes, in MB. A file system holds less, and a
// sum of such sizes still fits every integer and fixed-point form the views use.
inline constexpr double kMaxTreeFileMegabytes = 0x1p43;

// Writes the top folder and everything below it. The file is replaced only when complete.
// Progress: range = number of records, position per record, 0 at the end (also on error).
// Throws std::invalid_argument when the tree has no top folder.
void SaveToFile(TSizeTree& tree, const std::string& fileName);

// Appends the tree read from the file under Root; the caller empties the tree first. On an
// error the part read so far stays in the tree. Progress: range = file size div 111,
// position per record, 0 at the end (also on error). A size that is NaN, infinite, negative or
// above kMaxTreeFileMegabytes ends reading with "Stream read error"; that folder keeps size 0.
void LoadFromFile(TSizeTree& tree, const std::string& fileName);

// Whether a command-line argument names a tree file (it contains ".vtr", any case).
bool IsTreeFileArgument(const std::string& arg);

}  // namespace vantum
