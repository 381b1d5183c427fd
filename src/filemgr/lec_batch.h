#pragma once
// Encrypting and decrypting a list of files with one passphrase, each beside itself under the
// names of lec_names.h, with the optional removal of each source after its own success.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/progress.h"

namespace vantum {

// How a source is removed after its successful encryption or decryption (the window takes
// the preference for encryption and Recycle for decrypted .lec files).
enum class SourceRemoval { Keep, Shred, Delete, Recycle };

struct LecBatchOptions {
    SourceRemoval removal = SourceRemoval::Keep;
    int shred_passes = 4;
    // Moves a path to the trash; returns an error message, empty on success.
    // Required for SourceRemoval::Recycle.
    std::function<std::string(const std::string&)> recycle;
    // Whether decryption may replace an existing plain file of the target name.
    bool replace_plain = false;
};

struct LecOutcome {
    enum Status { Done, Failed, Skipped };
    std::string file;
    std::string target;   // empty when none could be worked out
    Status status = Failed;
    std::string message;  // why it failed, or why the source stayed after success
};

// Progress: SizeRange(number of files), SizeProgress(k) after the k-th file.
std::vector<LecOutcome> EncryptFiles(const std::vector<std::string>& files, std::string_view passphrase,
                                     const LecBatchOptions& options, ProgressSink& sink = NullProgress());
// Files whose path does not contain ".lec" (in any case) are skipped.
std::vector<LecOutcome> DecryptFiles(const std::vector<std::string>& files, std::string_view passphrase,
                                     const LecBatchOptions& options, ProgressSink& sink = NullProgress());

}  // namespace vantum
