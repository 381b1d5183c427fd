#pragma once
// The file operations' questions on a terminal: asked on stderr, answered by a line of
// standard input. Without a terminal nothing is asked: existing items are skipped and named.
#include <string>
#include <vector>

#include "filemgr/file_operations.h"

namespace vantum::cli {

class TerminalQuestions : public FileOpQuestions {
public:
    explicit TerminalQuestions(bool interactive) : interactive_(interactive) {}

    bool ConfirmDelete(const std::vector<std::string>& paths, bool toTrash) override;
    Choice AskDeletePermanently(const std::string& path, const std::string& reason) override;
    ConflictAnswer AskConflict(const Item& source, const Item& existing) override;
    void ShowError(const std::string& message) override;

private:
    // The first character of the answer line; 0 at end of input.
    char Answer(const std::string& question);
    bool interactive_;
};

}  // namespace vantum::cli
