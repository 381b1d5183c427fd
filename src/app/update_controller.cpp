#include "app/update_controller.h"

#include <QAction>
#include <QDir>

#include "app/command_states.h"
#include "app/escape_watcher.h"
#include "app/gauge_status.h"
#include "gui/prompts.h"

namespace vantum::app {

UpdateController::UpdateController(Parts parts) : QObject(parts.parent), p_(std::move(parts)) {
    source_ = update::BuiltInUpdateSource();
    connect(p_.action, &QAction::triggered, this, &UpdateController::CheckForUpdate);
}

void UpdateController::SetSource(update::UpdateSource source, update::DownloadOptions options) {
    source_ = std::move(source);
    options_ = std::move(options);
}

update::DownloadOptions UpdateController::WithCancel(update::DownloadOptions o) {
    o.cancelled = [this] {
        if (p_.escape.TakeAbortRequest()) cancelled_ = true;
        return cancelled_;
    };
    return o;
}

void UpdateController::CheckForUpdate() {
    if (!source_.configured()) {
        // No request at all: this build was made without a download address.
        p_.prompts.Message(QString::fromLatin1(update::kFromPackageManager), Prompts::Kind::Information);
        return;
    }
    if (p_.states.IsBusy()) return;
    cancelled_ = false;
    p_.escape.ClearAbort();
    const QString running = QStringLiteral(VANTUM_VERSION);
    update::UpdateCheck check;
    {
        CommandStates::BusyScope busy(p_.states);
        p_.status.SetPanel(1, QStringLiteral("Checking for update ... (Esc to cancel)"));
        check = update::CheckForUpdate(source_, running, p_.pageFile, WithCancel(options_));
    }
    p_.status.SetPanel(1, QString());
    using O = update::UpdateCheck::Outcome;
    if (cancelled_) {
        p_.status.SetPanel(1, QStringLiteral("Update check cancelled"));
    } else if (check.outcome == O::Unreachable) {
        p_.prompts.Message(QString::fromLatin1(update::kCannotReachPage), Prompts::Kind::Error);
    } else if (check.outcome == O::NoVersion) {
        // An unreadable page offers nothing to download.
        p_.prompts.Message(QStringLiteral("The product page names no version that can be compared.\n") + check.error,
                           Prompts::Kind::Warning);
    } else if (check.outcome == O::UpToDate) {
        p_.prompts.Message(QString::fromLatin1(update::kActualVersion), Prompts::Kind::Information);
    } else if (check.outcome == O::Newer &&
               p_.prompts.Ask(update::UpdateQuestion(check.running, check.published), Prompts::Buttons::YesNo,
                              Prompts::Kind::Warning) == Prompts::Answer::Yes) {
        std::optional<Prompts::FileChoice> file = p_.prompts.SaveFile(
            QStringLiteral("Save setup"), QStringLiteral("Zip archive (*.zip)|*.zip"), QStringLiteral("zip"),
            QDir::homePath(), QString::fromLatin1(update::kSetupFileName), true);
        if (file && !file->path.isEmpty()) {
            update::FetchResult r;
            {
                CommandStates::BusyScope busy(p_.states);
                p_.status.SetPanel(1, QString::fromLatin1(update::kDownloadWait));
                update::DownloadOptions o = update::SetupOptions();
                o.extraCaCertificates = options_.extraCaCertificates;
                o.timeoutMs = options_.timeoutMs;
                r = update::DownloadSetup(source_, file->path, WithCancel(o));
            }
            if (r)
                p_.status.SetPanel(1, QStringLiteral("Saved ") + QDir::toNativeSeparators(file->path));
            else if (cancelled_)
                p_.status.SetPanel(1, QStringLiteral("Download cancelled"));
            else
                p_.prompts.Message(QStringLiteral("The download failed: ") + r.error, Prompts::Kind::Error);
        }
    }
    p_.status.StartTimer3();
}

}  // namespace vantum::app
