#pragma once
// Reads the JSON export of ncdu and gdu (`ncdu -o`, `gdu -o`; format 1.0 to 1.2) into a size
// tree. The document is streamed: no DOM is built, nesting depth is limited only by memory.
//
// What a tree takes from an export:
// - the top directory becomes the top folder under Root, with its name as path; every other
//   directory a child made by AddChild(name);
// - a folder's FilesSize is its own entry plus its files (`dsize`, or `asize` when the tree
//   counts apparent sizes), in bytes / 2^20; a file marked `hlnkc` counts once per
//   (`dev`, `ino`), at its first name in document order, and is entered in LinkOwners;
// - in an export of gdu (metadata "progname":"gdu") a directory's own entry counts 4096 bytes,
//   as gdu counts it when it reads its exports (it writes no directory sizes);
// - `read_error` on a directory sets ReadError to kImportedReadError;
// - entries marked `excluded` are left out, directories with everything in them.
// Names are kept as raw bytes: JSON escapes are decoded, bytes that are not UTF-8 stay as they
// are. A directory name that is empty, ".", "..", or holds "/" or a NUL byte is refused.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/size_tree.h"

namespace vantum {

// Malformed or unsupported input. what() names the byte offset where reading stopped:
// "ncdu JSON, byte 120: expected ',' or ']'".
class NcduJsonError : public std::runtime_error {
public:
    // file, when given, comes first: "\"host.json\": ncdu JSON, byte 120: ...".
    NcduJsonError(std::uint64_t offset, const std::string& what, const std::string& file = {});
    std::uint64_t offset() const { return offset_; }
    const std::string& reason() const { return reason_; }

private:
    std::uint64_t offset_;
    std::string reason_;
};

// The export says only that a directory could not be read, not why.
inline constexpr int kImportedReadError = 5;  // EIO

// Appends the tree of the export in data under tree.Root. On an error nothing is added
// (NcduJsonError). Progress goes to the tree's sink.
void ReadNcduJson(TSizeTree& tree, std::string_view data);
// The same from an open descriptor (a file, a pipe or standard input), read to its end.
void ReadNcduJson(TSizeTree& tree, int fd);
// The same from a file; "-" reads standard input. FileError when it cannot be opened,
// NcduJsonError (with the file name in front) when its content is refused.
void LoadNcduJson(TSizeTree& tree, const std::string& fileName);

// Whether a file looks like an ncdu export: its first byte other than white space is '['.
// False when it cannot be read. "-" (standard input) is not looked at and counts as one.
bool LooksLikeNcduJson(const std::string& fileName);

}  // namespace vantum
