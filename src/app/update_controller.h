#pragma once
// "Check for update": without a configured source it says that updates come from the package
// manager; with one, the product page is fetched with the window busy (Escape cancels), and only
// a newer version is offered for download.

#include <QObject>
#include <QString>

#include "update/update_check.h"

class QAction;

namespace vantum {
class Prompts;
}

namespace vantum::app {

class CommandStates;
class EscapeWatcher;
class GaugeStatus;

class UpdateController : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QAction* action;
        Prompts& prompts;
        GaugeStatus& status;
        CommandStates& states;
        EscapeWatcher& escape;
        QString pageFile;  // the settings path with ".kbw"
        QObject* parent = nullptr;
    };
    explicit UpdateController(Parts parts);

    // The addresses and the transfer options (a test server's certificate, a shorter timeout).
    void SetSource(update::UpdateSource source, update::DownloadOptions options = {});
    const update::UpdateSource& Source() const { return source_; }

    void CheckForUpdate();

private:
    update::DownloadOptions WithCancel(update::DownloadOptions o);

    Parts p_;
    update::UpdateSource source_;
    update::DownloadOptions options_;
    bool cancelled_ = false;
};

}  // namespace vantum::app
