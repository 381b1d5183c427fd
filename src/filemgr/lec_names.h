#pragma once
// Names of .lec files: the encrypted copy of "dir/name.ext" is "dir/name_" + the scrambled
// ".ext" + ".lec"; decryption splits the name again and unscrambles the extension.
#include <functional>
#include <optional>
#include <string>

namespace vantum {

// Xor mask of ScrambleExtension. 0x2F maps the two bytes a Linux file name cannot hold,
// NUL and '/', onto each other, so every other byte maps to a byte a name can hold.
inline constexpr unsigned char kScrambleMask = 0x2F;

// Xors every byte (at most the first 255) with kScrambleMask; its own inverse.
std::string ScrambleExtension(const std::string& text);

// "dir/name.ext" -> "dir/name_" + ScrambleExtension(".ext") + ".lec"; no extension gives
// "dir/name_.lec". The extension is the last dot of the file name and what follows it.
std::string EncryptedCopyName(const std::string& path);

// The name to encrypt path to: its encrypted-copy name, or, when that exists, "new.lec" in
// the same folder, or the first free "new (2).lec", "new (3).lec", ...
std::string EncryptionTarget(const std::string& path,
                             const std::function<bool(const std::string&)>& exists);

// The plain name a .lec file decrypts to, or nothing when its name does not allow one
// (too short a path without "_", or a result that is no file name).
std::optional<std::string> DecryptionTarget(const std::string& path);

// Whether a path is one that decryption takes: it contains ".lec" in any case.
bool LooksEncrypted(const std::string& path);

// The target of a .lec file given on the program's command line: the argument without its
// last four characters (the scrambled extension stays in the name).
std::string CommandLineDecryptionTarget(const std::string& argument);

}  // namespace vantum
