#pragma once
// The help commands: the manual (an HTML page) opened in the browser at its contents, search
// or index.

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

namespace vantum {
class Prompts;
}

namespace vantum::app {

struct AppActions;

class HelpController : public QObject {
    Q_OBJECT
public:
    using UrlOpener = std::function<bool(const QUrl&)>;
    HelpController(AppActions& actions, Prompts& prompts, UrlOpener openUrl, QObject* parent = nullptr);

    // Picks the manual: an installed one beside the program, else the built-in copy.
    void FindHelpFile();
    const QString& HelpFile() const { return helpFile_; }
    // Opens the manual at an anchor ("contents", "search", "index").
    bool OpenHelp(const QString& anchor);

private:
    QString EnsureHelpFile();

    Prompts& prompts_;
    UrlOpener openUrl_;
    QString helpFile_;
};

}  // namespace vantum::app
