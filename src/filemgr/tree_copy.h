#pragma once
// Copying one item (a file, a link, a special file or a folder with everything in it) into a
// folder, as a copy or move needs it: data by copy_file_range (read/write where the file
// systems cannot), mode, owner, times and hard links kept, links copied as links, never across
// a mount in the source. A file arrives under its name only when complete; a replaced file is
// swapped in by one rename after its data reached the device, so a failure keeps the old one.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/progress.h"
#include "filemgr/file_operations.h"
#include "platform/safe_walk.h"

namespace vantum {

class TreeCopy {
public:
    TreeCopy(FileOpQuestions* questions, bool replaceWithoutAsking, ProgressSink* sink)
        : questions_(questions), replaceAll_(replaceWithoutAsking), sink_(sink) {}

    // How a name at the destination is settled.
    enum class Action { None, Create, Replace, Merge, Skip, Cancel };

    // Bytes the progress counts up to (0: no progress in per mille).
    void SetTotalBytes(std::uint64_t total) { total_ = total; }

    // Copies src into the folder destFolder, under destName. A name that exists there is
    // settled by a question (Replace, Skip, Keep both; a folder onto a folder merges).
    // Returns true when everything arrived; skipped items make it false as well.
    bool CopyInto(const std::string& src, const std::string& destFolder, const std::string& destName);
    // The same when the name at the destination was settled already (a move that found
    // another file system after its question): decided is that answer.
    bool CopyInto(const std::string& src, const std::string& destFolder, const std::string& destName, Action decided);

    std::vector<std::string>& Errors() { return errors_; }
    bool Cancelled() const { return cancelled_; }
    bool SkippedAny() const { return skipped_; }
    std::uint64_t BytesCopied() const { return done_; }

    // Internal to the copy walk.
    Action Settle(int destfd, const std::string& destPath, std::string& name, const platform::EntryInfo& src,
                  const std::string& srcPath, bool top);
    bool CopyEntry(int srcdirfd, const std::string& srcName, const std::string& srcPath, const platform::EntryInfo& info,
                   int destfd, const std::string& destPath, const std::string& destName, bool replace);
    void Fail(const std::string& path, int error, const std::string& what);
    bool PollCancel();
    void AddBytes(std::uint64_t n);

private:
    bool CopyData(int in, int out, const std::string& srcPath, const std::string& destPath);

    FileOpQuestions* questions_;
    bool replaceAll_;
    bool skipAll_ = false;
    bool keepBothAll_ = false;
    ProgressSink* sink_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    int lastPermille_ = -1;
    bool cancelled_ = false;
    bool skipped_ = false;
    Action decided_ = Action::None;  // answer for the item itself, when given by the caller
    std::vector<std::string> errors_;
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> links_;  // source inode -> first copy
};

// A free name beside an existing one: "name (2).ext", "name (3).ext", ...
std::string KeepBothName(int destfd, const std::string& name);

}  // namespace vantum
