#pragma once
// The Prompts of the running program: Qt message boxes, input dialogs and file dialogs.

#include "gui/prompts.h"

namespace vantum::gui {

class QtPrompts : public Prompts {
public:
    // parent: the window the dialogs belong to (may be null).
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Message(const QString& text, Kind kind) override;
    Answer Ask(const QString& text, Buttons buttons, Kind kind) override;
    std::optional<QString> Input(const QString& caption, const QString& prompt, const QString& value) override;
    std::optional<FileChoice> OpenFile(const QString& title, const QString& filter, const QString& defaultExt,
                                       const QString& dir) override;
    std::optional<FileChoice> SaveFile(const QString& title, const QString& filter, const QString& defaultExt,
                                       const QString& dir, const QString& fileName, bool confirmOverwrite) override;
    std::optional<QString> BrowseFolder(const QString& title, const QString& start) override;
    std::optional<QColor> PickColor(const QColor& initial) override;

    // "Text (*.txt)|*.txt|CSV (*.csv)|*.csv" as a list of Qt name filters ("Text (*.txt)", ...).
    static QStringList NameFilters(const QString& filter);

private:
    QWidget* parent_;
};

}  // namespace vantum::gui
