#include "app/help_controller.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextBrowser>

#include "app/app_actions.h"
#include "gui/prompts.h"

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
    QUrl url = file.isEmpty() ? QUrl(QStringLiteral("qrc") + QString::fromLatin1(kBuiltInManual))
                              : QUrl::fromLocalFile(file);
    url.setFragment(anchor);
    if (!file.isEmpty() && openUrl_ && openUrl_(url)) return true;
    // No browser on this desktop (or no copy a browser could read): the manual is plain HTML,
    // which a text browser of our own shows as well.
    ShowManualWindow(url);
    return true;
}

void HelpController::ShowManualWindow(const QUrl& url) {
    if (!manualWindow_) {
        manualWindow_ = new QTextBrowser;
        manualWindow_->setObjectName(QStringLiteral("ManualWindow"));
        manualWindow_->setAttribute(Qt::WA_DeleteOnClose);
        manualWindow_->setWindowTitle(QStringLiteral("Vantum manual"));
        manualWindow_->setOpenExternalLinks(true);
        manualWindow_->resize(700, 600);
        connect(this, &QObject::destroyed, manualWindow_.data(), &QObject::deleteLater);
    }
    manualWindow_->setSource(url);
    if (!url.fragment().isEmpty()) manualWindow_->scrollToAnchor(url.fragment());
    manualWindow_->show();
    manualWindow_->raise();
    manualWindow_->activateWindow();
}

}  // namespace vantum::app
