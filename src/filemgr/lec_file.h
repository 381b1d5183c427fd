#pragma once
// Encrypting a file to the .lec format and back. The output appears under its final name only
// when it is complete; a failure leaves no output and an existing target as it was.
#include <string>
#include <string_view>

#include "core/progress.h"

namespace vantum {

inline constexpr const char* kLecCannotOpenSource = "Unable to open the in file";
inline constexpr const char* kLecCannotCreateTarget = "Unable to open then out file";
inline constexpr const char* kLecIncorrectPassphrase = "Incorrect passphrase";

struct LecResult {
    bool ok = false;
    std::string message;  // why it failed; empty on success
};

// What to do when the target exists already.
enum class ExistingTarget { Keep, Replace };

// Streams the file through one 8192-byte buffer; sink.Idle() is called after every chunk.
LecResult EncryptFile(const std::string& source, const std::string& target,
                      std::string_view passphrase, ExistingTarget existing = ExistingTarget::Keep,
                      ProgressSink& sink = NullProgress());

// Checks the passphrase against the check block before anything is written.
LecResult DecryptFile(const std::string& source, const std::string& target,
                      std::string_view passphrase, ExistingTarget existing = ExistingTarget::Keep,
                      ProgressSink& sink = NullProgress());

}  // namespace vantum
