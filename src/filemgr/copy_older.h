#pragma once
// Copy with overwrite-older: brings an existing copy of a folder structure up to date. Missing
// files and folders are created at every depth; for files that exist at the destination one
// answer (asked once per run) says whether to overwrite all, only the older ones, or none.
#include <functional>
#include <string>
#include <vector>

#include "core/progress.h"

namespace vantum {

enum class OverwriteAnswer {
    All,    // "Yes to All": overwrite every existing file
    Older,  // "All": overwrite a file only when it is not newer than its source
    None,   // "No to All": leave existing files alone
};

// Log line prefixes, as the copy log has always spelled them.
inline constexpr const char* kLogNotThere = "not there:";
inline constexpr const char* kLogSourceOlder = "source older:";
inline constexpr const char* kLogOverwriteOlder = "ovrewrite older:";
inline constexpr const char* kLogError = "error:";

struct CopyOlderOptions {
    // Asked at the first file that exists at the destination, at most once per run. When
    // unset, answer is used without asking.
    std::function<OverwriteAnswer()> ask;
    OverwriteAnswer answer = OverwriteAnswer::None;
    // Seconds a destination must be newer than its source to count as later; negative: 2 when
    // either side is FAT, exFAT, NTFS or FUSE (two-second or coarse clocks), else exact.
    int toleranceSeconds = -1;
};

struct CopyOlderResult {
    bool ok = false;                // every file was handled without an error
    std::string message;            // the error that ended the run early; empty otherwise
    std::vector<std::string> log;   // the copy log's lines, without line ends
    int copied = 0;                 // files written (new or overwritten)
    int kept = 0;                   // existing files left alone
    int errors = 0;                 // files that failed
};

// Copies the selected files and folders (paths inside sourceRoot) into destRoot under their
// paths relative to sourceRoot. Modification times and modes are kept; symbolic links are
// copied as links; an overwritten file is replaced atomically; nothing at the destination is
// reached through a link. A destination inside the source (or the source folder itself) is
// refused. Progress: SizeRange(folders + files), one step per folder and per file.
CopyOlderResult CopyOverwriteOlder(const std::string& sourceRoot, const std::vector<std::string>& selected,
                                   const std::string& destRoot, const CopyOlderOptions& options,
                                   ProgressSink& sink = NullProgress());

// Writes the log lines, each ended by CR LF, replacing the file atomically. Returns 0 or errno.
int WriteCopyLog(const std::string& path, const std::vector<std::string>& lines);

}  // namespace vantum
