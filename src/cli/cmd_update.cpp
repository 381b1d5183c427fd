// vantum-cli check-update [--download FILE]: compares this version with the published one and,
// when a newer one is out, saves its setup archive (checked against its SHA-256) to FILE.
#include <QCoreApplication>

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/tree_report.h"
#include "settings/settings_path.h"
#include "update/update_check.h"

namespace vantum::cli {

static int Run(const Args& args) {
    std::string target;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--download" && i + 1 < args.size() && !args[i + 1].empty()) {
            target = args[++i];
        } else {
            std::fprintf(stderr, "usage: vantum-cli check-update [--download FILE]\n");
            return 2;
        }
    }
    using namespace vantum::update;
    const UpdateSource source = BuiltInUpdateSource();
    if (!source.configured()) {
        std::printf("%s\n", kFromPackageManager);
        return 0;
    }
    int argc = 1;
    char name[] = "vantum-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString page = QString::fromStdString(settings::UpdatePagePath());
    UpdateCheck c = CheckForUpdate(source, QStringLiteral(VANTUM_VERSION), page);
    switch (c.outcome) {
    case UpdateCheck::Outcome::NotConfigured:
        std::printf("%s\n", kFromPackageManager);
        return 0;
    case UpdateCheck::Outcome::Unreachable:
    case UpdateCheck::Outcome::NoVersion:
        std::fprintf(stderr, "vantum-cli check-update: %s: %s\n", kCannotReachPage,
                     EscapeForTerminal(c.error.toStdString()).c_str());
        return 1;
    case UpdateCheck::Outcome::UpToDate:
        std::printf("%s (%s)\n", kActualVersion, c.running.toUtf8().constData());
        return 0;
    case UpdateCheck::Outcome::Newer:
        break;
    }
    std::printf("%s\n", EscapeForTerminal(UpdateQuestion(c.running, c.published).toStdString()).c_str());
    if (target.empty()) return 0;
    FetchResult r = DownloadSetup(source, QString::fromStdString(target));
    if (!r) {
        std::fprintf(stderr, "vantum-cli check-update: %s\n", EscapeForTerminal(r.error.toStdString()).c_str());
        return 1;
    }
    std::printf("Saved %s\n", EscapeForTerminal(target).c_str());
    return 0;
}

static const CliCommand reg{"check-update", "check-update [--download FILE]  -- compares this version with the published one;"
                                            " --download saves a newer setup archive once its SHA-256 matches", &Run};

}  // namespace vantum::cli
