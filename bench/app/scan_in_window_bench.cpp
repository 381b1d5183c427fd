// The scan in the window against vantum-cli on the same tree, measured in the same run, and
// the time from the start of main to a visible window with an empty settings folder.
// Usage: bench_app_scan TREE VANTUM_CLI [RUNS]
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/main_window.h"
#include "app/navigation.h"
#include "gui/prompts.h"
#include "core/size_tree.h"

namespace {

class NoPrompts : public vantum::Prompts {
public:
    void Message(const QString& t, Kind) override { std::fprintf(stderr, "message: %s\n", qPrintable(t)); }
    Answer Ask(const QString&, Buttons, Kind) override { return Answer::Cancel; }
    std::optional<QString> Input(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<FileChoice> OpenFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    std::optional<FileChoice> SaveFile(const QString&, const QString&, const QString&, const QString&,
                                       const QString&, bool) override {
        return {};
    }
    std::optional<QString> BrowseFolder(const QString&, const QString&) override { return {}; }
    std::optional<QColor> PickColor(const QColor&) override { return {}; }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_app_scan TREE VANTUM_CLI [RUNS]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString tree = QString::fromLocal8Bit(argv[1]);
    const QString cli = QString::fromLocal8Bit(argv[2]);
    const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 5;

    QTemporaryDir settings;
    NoPrompts prompts;
    vantum::app::MainWindowOptions o;
    o.prompts = &prompts;
    o.settingsPath = (settings.path() + QStringLiteral("/AppData/Vantu.ini")).toStdString();
    double welcomeAt = 0;
    o.showWelcome = [&] { welcomeAt = sinceStart.nsecsElapsed() / 1e6; };
    o.openUrl = [](const QUrl&) { return true; };
    vantum::app::MainWindow w(o);
    w.Activate();
    QApplication::processEvents();
    const double visibleAt = sinceStart.nsecsElapsed() / 1e6;
    std::printf("start-up: welcome due after %.0f ms, main window visible after %.0f ms (from main)\n",
                welcomeAt, visibleAt);

    std::vector<double> window, command;
    for (int i = 0; i <= runs; ++i) {  // the first round warms the cache and is not counted
        QElapsedTimer t;
        t.start();
        QProcess p;
        p.start(cli, {QStringLiteral("scan"), tree, QStringLiteral("--top"), QStringLiteral("0")});
        p.waitForFinished(-1);
        const double c = t.nsecsElapsed() / 1e9;
        if (p.exitCode() != 0) {
            std::fprintf(stderr, "vantum-cli failed: %s\n", p.readAllStandardError().constData());
            return 1;
        }
        w.Nav().GoToPath(tree, false);
        t.restart();
        w.Widgets().scanButton->click();
        const double s = t.nsecsElapsed() / 1e9;
        if (!w.Nav().CurrentFolder()) {
            std::fprintf(stderr, "the scan in the window did not finish\n");
            return 1;
        }
        if (i == 0) continue;
        command.push_back(c);
        window.push_back(s);
    }
    const double mw = Median(window), mc = Median(command);
    std::printf("folders: %d\n", w.Tree().State.FolderCount);
    std::printf("%-14s %10s\n", "run", "median s");
    std::printf("%-14s %10.3f\n", "vantum-cli", mc);
    std::printf("%-14s %10.3f\n", "window", mw);
    std::printf("window / vantum-cli = %.2f  (goal <= 1.15)\n", mc > 0 ? mw / mc : 0.0);
    return 0;
}
