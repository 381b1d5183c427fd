// Renders the main window offscreen after scanning a small fixture tree and writes a PNG of
// each of its pages: vantum_screenshots OUTDIR
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "app/gauge_status.h"
#include "app/history_controller.h"
#include "app/main_window.h"
#include "app/size_views.h"
#include "app/navigation.h"
#include "gui/prompts.h"

namespace {

// The screenshots must never wait on a dialog.
class SilentPrompts : public vantum::Prompts {
public:
    void Message(const QString& text, Kind) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    Answer Ask(const QString&, Buttons, Kind) override { return Answer::Cancel; }
    std::optional<QString> Input(const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::optional<FileChoice> OpenFile(const QString&, const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<FileChoice> SaveFile(const QString&, const QString&, const QString&, const QString&,
                                       const QString&, bool) override {
        return std::nullopt;
    }
    std::optional<QString> BrowseFolder(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QColor> PickColor(const QColor&) override { return std::nullopt; }
};

// Written out, not sparse: sizes are disk usage by default.
bool WriteFile(const QString& path, qint64 bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QByteArray chunk(1 << 20, 'v');
    for (qint64 left = bytes; left > 0; left -= chunk.size())
        if (f.write(chunk.constData(), std::min<qint64>(left, chunk.size())) < 0) return false;
    return true;
}

// A small tree of projects, media and documents with sizes of a few megabytes.
bool MakeFixture(const QString& root) {
    struct Entry {
        const char* folder;
        qint64 megabytes;
    };
    const Entry entries[] = {{"Projects/vantum/src", 3}, {"Projects/vantum/build", 12}, {"Projects/site", 2},
                             {"Media/Photos/2023", 18},  {"Media/Photos/2024", 25},     {"Media/Music", 9},
                             {"Documents/Letters", 1},   {"Documents/Invoices", 2},    {"Downloads", 14}};
    for (const Entry& e : entries) {
        const QString dir = root + QLatin1Char('/') + QLatin1String(e.folder);
        if (!QDir().mkpath(dir)) return false;
        if (!WriteFile(dir + QStringLiteral("/data.bin"), e.megabytes * 1024 * 1024)) return false;
    }
    return true;
}

bool Save(QWidget& w, const QString& file) {
    // Layout changes come in rounds (a bar's new height moves what is below it).
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    if (!w.grab().save(file)) {
        std::fprintf(stderr, "vantum_screenshots: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantum_screenshots OUTDIR\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantu"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "vantum_screenshots: cannot create %s\n", argv[1]);
        return 1;
    }
    QTemporaryDir work;
    const QString root = work.path() + QStringLiteral("/Home");
    if (!work.isValid() || !MakeFixture(root)) {
        std::fprintf(stderr, "vantum_screenshots: cannot build the fixture tree\n");
        return 1;
    }

    SilentPrompts prompts;
    vantum::app::MainWindowOptions options;
    options.prompts = &prompts;
    options.settingsPath = (work.path() + QStringLiteral("/AppData/Vantu.ini")).toStdString();
    options.showWelcome = [] {};
    options.openUrl = [](const QUrl&) { return true; };
    vantum::app::MainWindow w(options);
    vantum::app::InstallSizeViews(w);
    w.Activate();
    w.setGeometry(0, 0, 1000, 640);
    w.History().SetItems({root + QStringLiteral("/Media/"), root + QStringLiteral("/Projects/")});
    w.Actions().actFolderHistory->trigger();
    w.Nav().GoToPath(root, true);
    w.Widgets().scanButton->click();
    // What the user sees right after the scan: the result in the status bar.
    bool ok = Save(w, out + QStringLiteral("/main-window.png"));
    w.Status().Timer3Timer();
    const char* names[] = {"bar-chart", "pie-chart", "size-ranking", "explorer-list",
                           "temp-files", "shortcuts", "traces"};
    for (int i = 0; i < vantum::app::kRightPageCount; ++i) {
        w.Widgets().pageButtons[static_cast<size_t>(i)]->click();
        ok = Save(w, out + QStringLiteral("/page-%1-%2.png").arg(i).arg(QLatin1String(names[i]))) && ok;
    }
    // The charts in 2D and in 3D, each with labels and legend, beside the size tree list.
    w.Widgets().pageButtons[0]->click();
    auto setChecked = [](QAction* a, bool on) {
        if (a->isChecked() != on) a->trigger();
    };
    setChecked(w.Actions().actLabels, true);
    setChecked(w.Actions().actshowLegend, true);
    for (bool threeD : {false, true}) {
        setChecked(w.Actions().act3D, threeD);
        const QString mode = threeD ? QStringLiteral("3d") : QStringLiteral("2d");
        w.Widgets().pageButtons[0]->click();
        ok = Save(w, out + QStringLiteral("/bars-%1-labels-legend.png").arg(mode)) && ok;
        w.Widgets().pageButtons[1]->click();
        ok = Save(w, out + QStringLiteral("/pies-%1-labels-legend.png").arg(mode)) && ok;
    }
    // The size tree list fully expanded, and the ranking.
    w.Actions().actExpandSizeTree->trigger();
    w.Widgets().pageButtons[2]->click();
    ok = Save(w, out + QStringLiteral("/size-tree-and-ranking.png")) && ok;
    w.Widgets().pageButtons[0]->click();
    w.Actions().actToggleCharts->trigger();
    ok = Save(w, out + QStringLiteral("/full-size-tree.png")) && ok;
    w.Actions().actToggleCharts->trigger();
    w.Actions().actToggleDirTree->trigger();
    ok = Save(w, out + QStringLiteral("/panel-collapsed.png")) && ok;
    w.Actions().actToggleDirTree->trigger();
    // The default and the smallest window, with the bar chart and an exploded elliptic pie.
    for (QSize size : {QSize(900, 600), QSize(500, 400)}) {
        w.setGeometry(0, 0, size.width(), size.height());
        const QString tag = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        w.Widgets().pageButtons[0]->click();
        ok = Save(w, out + QStringLiteral("/window-") + tag + QStringLiteral("-bars.png")) && ok;
        setChecked(w.Actions().actExplode, true);
        setChecked(w.Actions().actElypticPie, true);
        w.Widgets().pageButtons[1]->click();
        ok = Save(w, out + QStringLiteral("/window-") + tag + QStringLiteral("-pie-exploded-elliptic.png")) && ok;
        setChecked(w.Actions().actExplode, false);
        setChecked(w.Actions().actElypticPie, false);
    }
    return ok ? 0 : 1;
}
