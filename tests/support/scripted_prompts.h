#pragma once
// A Prompts that records every text it is shown and answers from queues filled by the test.
// An empty queue gives the "cancel" answer (nullopt, or Cancel/No).

#include <deque>
#include <vector>

#include "gui/prompts.h"

namespace vantum::test {

class ScriptedPrompts : public vantum::Prompts {
public:
    struct Shown {
        QString what;  // "message", "ask", "input", "open", "save", "folder", "color"
        QString text;  // message text, question, or caption/title
    };

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::deque<std::optional<QString>> inputs;
    std::deque<std::optional<FileChoice>> files;
    std::deque<std::optional<QString>> folders;
    std::deque<std::optional<QColor>> colors;

    void Message(const QString& text, Kind) override { shown.push_back({"message", text}); }
    Answer Ask(const QString& text, Buttons buttons, Kind) override {
        shown.push_back({"ask", text});
        if (!answers.empty()) {
            Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
    std::optional<QString> Input(const QString& caption, const QString& prompt, const QString&) override {
        shown.push_back({"input", caption + "|" + prompt});
        return pop(inputs);
    }
    std::optional<FileChoice> OpenFile(const QString& title, const QString&, const QString&, const QString&) override {
        shown.push_back({"open", title});
        return pop(files);
    }
    std::optional<FileChoice> SaveFile(const QString& title, const QString&, const QString&, const QString&,
                                       const QString&, bool) override {
        shown.push_back({"save", title});
        return pop(files);
    }
    std::optional<QString> BrowseFolder(const QString& title, const QString&) override {
        shown.push_back({"folder", title});
        return pop(folders);
    }
    std::optional<QColor> PickColor(const QColor&) override {
        shown.push_back({"color", QString()});
        return pop(colors);
    }

    // Texts of everything of one kind shown so far.
    QStringList texts(const QString& what = "message") const {
        QStringList out;
        for (const auto& s : shown)
            if (s.what == what) out << s.text;
        return out;
    }

private:
    template <class T>
    static T pop(std::deque<T>& q) {
        T v{};
        if (q.empty()) return v;
        std::swap(v, q.front());
        q.pop_front();
        return v;
    }
};

}  // namespace vantum::test
