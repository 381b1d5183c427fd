#pragma once
// The file operations' questions, asked with the window's dialogs (plain text, the paths
// listed as they are on disk).

#include "filemgr/file_operations.h"

namespace vantum {
class Prompts;
}

namespace vantum::app {

class PromptFileQuestions : public FileOpQuestions {
public:
    explicit PromptFileQuestions(Prompts& prompts) : prompts_(prompts) {}

    bool ConfirmDelete(const std::vector<std::string>& paths, bool toTrash) override;
    Choice AskDeletePermanently(const std::string& path, const std::string& reason) override;
    // Yes replaces, No skips; there is no "keep both" button in the window's dialogs.
    ConflictAnswer AskConflict(const Item& source, const Item& existing) override;
    void ShowError(const std::string& message) override;

private:
    Prompts& prompts_;
};

}  // namespace vantum::app
