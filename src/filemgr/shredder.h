#pragma once
// The file shredder: renames a file to "$000000.tmp" in its folder, overwrites its whole
// 1024-byte blocks in passes + 1 passes, each flushed to the device, and deletes it.
#include <cstdint>
#include <string>

#include "core/progress.h"

namespace vantum {

inline constexpr const char* kShredTempName = "$000000.tmp";
inline constexpr std::size_t kShredBlock = 1024;

struct ShredResult {
    bool ok = false;
    std::string message;  // empty on success
};

// The byte every position of a block gets in the given pass, for passes 0 to 5 (the low byte
// of that pass's 32-bit pattern). Later passes write random bytes.
std::uint8_t ShredPatternByte(int pass);
inline constexpr int kShredPatternPasses = 6;

// Shreds one regular file (never a symbolic link's target, never a folder or device).
// Progress: SizeRange(passes + 1) once, SizeProgress(p + 1) after pass p, Idle() while writing.
ShredResult ShredFile(const std::string& path, int passes, ProgressSink& sink = NullProgress());

}  // namespace vantum
