#pragma once
// FileOpQuestions for tests: records what was asked and answers from queues.
// An empty queue answers No / Cancel.
#include <deque>
#include <string>
#include <vector>

#include "filemgr/file_operations.h"

namespace vantum::test {

class ScriptedQuestions : public vantum::FileOpQuestions {
public:
    std::vector<std::string> asked;   // "confirm:<paths>", "permanent:<path>", "conflict:<existing>"
    std::vector<std::string> errors;
    std::deque<bool> confirms;
    std::deque<Choice> permanents;
    std::deque<ConflictAnswer> conflicts;

    bool ConfirmDelete(const std::vector<std::string>& paths, bool toTrash) override {
        std::string s = toTrash ? "confirm-trash:" : "confirm-delete:";
        for (const auto& p : paths) s += p + ";";
        asked.push_back(s);
        return Pop(confirms, false);
    }
    Choice AskDeletePermanently(const std::string& path, const std::string&) override {
        asked.push_back("permanent:" + path);
        return Pop(permanents, Choice::Cancel);
    }
    ConflictAnswer AskConflict(const Item&, const Item& existing) override {
        asked.push_back("conflict:" + existing.path);
        return Pop(conflicts, ConflictAnswer{});
    }
    void ShowError(const std::string& message) override { errors.push_back(message); }

private:
    template <class T>
    static T Pop(std::deque<T>& q, T fallback) {
        if (q.empty()) return fallback;
        T v = q.front();
        q.pop_front();
        return v;
    }
};

}  // namespace vantum::test
