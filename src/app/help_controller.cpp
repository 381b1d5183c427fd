#include "app/help_controller.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/app_actions.h"
#include "app/prompts.h"

namespace vantum::app {

namespace {
const char* const kBuiltInManual = ":/vantum/help/manual.html";
}

HelpController::HelpController(AppActions& a, Prompts& prompts, UrlOpener openUrl, QObject* parent)
    : QObject(parent), prompts_(prompts), openUrl_(std::move(openUrl)) {
    connect(a.acthelp, &QAction::triggered, this, [this] { OpenHelp(QStringLiteral("contents")); });
    connect(a.actHelpCnt, &QAction::triggered, this, [this] { OpenHelp(QStringLiteral("search")); });
    connect(a.actHelpIDX, &QAction::triggered, this, [this] { OpenHelp(QStringLiteral("index")); });
}

void HelpController::FindHelpFile() {
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + QStringLiteral("/../share/vantum/manual.html"),
                                     dir + QStringLiteral("/manual.html")}) {
        if (QFileInfo(candidate).isFile()) {
            helpFile_ = QFileInfo(candidate).canonicalFilePath();
            return;
        }
    }
    helpFile_.clear();
}

QString HelpController::EnsureHelpFile() {
    if (!helpFile_.isEmpty()) return helpFile_;
    // The browser cannot read the program's resources: the built-in manual is copied to the
    // cache folder, refreshed when the program's copy differs.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                        QStringLiteral("/vantum");
    const QString target = dir + QStringLiteral("/manual.html");
    QFile source(QString::fromLatin1(kBuiltInManual));
    if (!source.open(QIODevice::ReadOnly)) return {};
    const QByteArray text = source.readAll();
    QFile existing(target);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == text) return target;
    existing.close();
    if (!QDir().mkpath(dir)) return {};
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text) != text.size()) return {};
    return target;
}

bool HelpController::OpenHelp(const QString& anchor) {
    const QString file = EnsureHelpFile();
    if (file.isEmpty()) {
        prompts_.Message(QStringLiteral("The manual could not be prepared for the browser."), Prompts::Kind::Error);
        return false;
    }
    QUrl url = QUrl::fromLocalFile(file);
    url.setFragment(anchor);
    if (!openUrl_ || !openUrl_(url)) {
        prompts_.Message(QStringLiteral("Could not open the manual ") + file, Prompts::Kind::Error);
        return false;
    }
    return true;
}

}  // namespace vantum::app
