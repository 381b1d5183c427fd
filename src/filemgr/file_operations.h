#pragma once
// The file operations every deletion, move and copy of the program goes through: delete to
// the trash or for good, copy and move of files and folders into a folder, rename, the
// NUL-separated path list, and the recursive file collector. Questions go through
// FileOpQuestions (the window answers them with its dialogs); progress and cancel through a
// ProgressSink. No operation reports success it did not have.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "core/progress.h"
#include "platform/protected_paths.h"
#include "platform/trash.h"

namespace vantum {

// Operation codes and flags, with the values callers pass around.
inline constexpr int FO_MOVE = 1;
inline constexpr int FO_COPY = 2;
inline constexpr int FO_DELETE = 3;
inline constexpr int FO_RENAME = 4;
inline constexpr std::uint16_t FOF_SILENT = 0x0004;          // no progress
inline constexpr std::uint16_t FOF_NOCONFIRMATION = 0x0010;  // every question answered yes
inline constexpr std::uint16_t FOF_ALLOWUNDO = 0x0040;       // deletions go to the trash

// "Moving...", "Copying...", "Deleting...", "Renaming..." (empty for other codes).
const char* TransferTitle(int code);

class FileOpQuestions {
public:
    enum class Choice { Yes, YesToAll, No, Cancel };
    enum class Conflict { Replace, Skip, KeepBoth, Cancel };
    struct ConflictAnswer {
        Conflict choice = Conflict::Cancel;
        bool applyToAll = false;
    };
    struct Item {
        std::string path;
        std::uint64_t size = 0;
        std::time_t modified = 0;
        bool folder = false;
    };

    virtual ~FileOpQuestions() = default;
    // Before a deletion, with every path listed; true goes on.
    virtual bool ConfirmDelete(const std::vector<std::string>& paths, bool toTrash) = 0;
    // An item that no trash can take: delete it for good instead?
    virtual Choice AskDeletePermanently(const std::string& path, const std::string& reason) = 0;
    // A copy or move meets an existing item of the same name.
    virtual ConflictAnswer AskConflict(const Item& source, const Item& existing) = 0;
    // A failure, naming the file.
    virtual void ShowError(const std::string& message) = 0;
};

// What an operation did, for callers that want more than the yes/no answer.
struct FileOpReport {
    std::vector<std::string> errors;                 // every failure, naming the file
    std::vector<platform::TrashedItem> trashed;      // items moved to the trash
    std::uint64_t bytes = 0;                         // disk usage trashed or deleted, bytes copied
    std::uint64_t items = 0;                         // items done
    bool cancelled = false;
};

struct FileOpServices {
    FileOpQuestions* questions = nullptr;  // none: nothing is asked, conflicts are skipped as errors
    ProgressSink* sink = nullptr;          // none: no progress, no cancel
    const platform::ProtectedPaths* protectedPaths = nullptr;  // none: this system's rule
    platform::Trash* trash = nullptr;      // none: the user's trash
    FileOpReport* report = nullptr;  // filled anew by each call
};

// Deletes the paths of a path list: to the trash when toRecycleBin, else for good. Unless
// silent the user confirms first and progress is shown. True only when every item went.
bool DeletePaths(const std::string& paths, bool silent, bool toRecycleBin, const FileOpServices& services = {});
// To the trash, no questions, no progress; an item no trash can take fails (never deleted).
bool RecyclePathsSilently(const std::string& paths, const FileOpServices& services = {});
// Copies (FO_COPY) or moves (FO_MOVE) each path of source into the folder destination, or
// renames (FO_RENAME) source to the path destination. FOF_NOCONFIRMATION replaces existing
// files without asking; FOF_SILENT shows no progress.
bool TransferPaths(const std::string& source, const std::string& destination, std::uint16_t flags, int code,
                   const FileOpServices& services = {});

// The paths joined with one NUL after each; SplitPathList reads such a list (or one path).
std::string JoinPathList(const std::vector<std::string>& paths);
std::vector<std::string> SplitPathList(const std::string& list);

// Appends every regular file and symbolic link below folder (dot-files too, depth first in
// listing order); folders that could not be read go to unreadable.
void CollectFiles(const std::string& folder, std::vector<std::string>& list,
                  std::vector<std::string>* unreadable = nullptr);

}  // namespace vantum
