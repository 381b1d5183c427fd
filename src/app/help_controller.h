#pragma once
// The help commands: the manual (an HTML page) opened in the browser at its contents, search
// or index, or in a window of the program when there is no browser.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
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
    // Opens the manual at an anchor ("contents", "search", "index"): in the desktop's browser,
    // or in a window of the program where the desktop cannot open it.
    bool OpenHelp(const QString& anchor);
    // The program's own manual window, once it was needed (null before).
    QTextBrowser* ManualWindow() const { return manualWindow_; }

private:
    QString EnsureHelpFile();
    void ShowManualWindow(const QUrl& url);

    Prompts& prompts_;
    UrlOpener openUrl_;
    QString helpFile_;
    QPointer<QTextBrowser> manualWindow_;
};

}  // namespace vantum::app
