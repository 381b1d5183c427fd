#pragma once
// Every message box, question, input box and file/folder/colour dialog of the program goes
// through this interface, so that the texts can be tested and tests never block on a dialog.

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace vantum {

class Prompts {
public:
    enum class Buttons { Ok, YesNo, YesCancel, OkCancel, YesNoCancel };
    enum class Kind { Information, Warning, Error, Confirmation };
    enum class Answer { Ok, Yes, No, Cancel };

    struct FileChoice {
        QString path;
        int filterIndex = 1;  // 1-based, as the classic dialogs count
    };

    virtual ~Prompts() = default;

    // A plain message with an OK button.
    virtual void Message(const QString& text, Kind kind = Kind::Information) = 0;
    // A question with a fixed button set; returns the button pressed.
    virtual Answer Ask(const QString& text, Buttons buttons, Kind kind = Kind::Confirmation) = 0;
    // A one-line input; nullopt when cancelled.
    virtual std::optional<QString> Input(const QString& caption, const QString& prompt, const QString& value) = 0;
    // Open and save dialogs. filter uses the "Text (*.txt)|*.txt|CSV (*.csv)|*.csv" form.
    virtual std::optional<FileChoice> OpenFile(const QString& title, const QString& filter,
                                               const QString& defaultExt, const QString& dir) = 0;
    virtual std::optional<FileChoice> SaveFile(const QString& title, const QString& filter,
                                               const QString& defaultExt, const QString& dir,
                                               const QString& fileName, bool confirmOverwrite) = 0;
    virtual std::optional<QString> BrowseFolder(const QString& title, const QString& start) = 0;
    virtual std::optional<QColor> PickColor(const QColor& initial) = 0;
};

}  // namespace vantum
