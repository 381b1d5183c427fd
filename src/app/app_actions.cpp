#include "app/app_actions.h"

#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <algorithm>

namespace vantum::app {

namespace {

QAction* Make(QObject* owner, const char* name, const QString& text, const QString& hint,
              const QKeySequence& key = {}, bool checkable = false) {
    auto* a = new QAction(text, owner);
    a->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        a->setToolTip(hint);
        a->setStatusTip(hint);
    }
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    a->setCheckable(checkable);
    return a;
}

}  // namespace

void MarkNotAvailable(QAction* action) {
    action->setEnabled(false);
    action->setToolTip(QString::fromLatin1(kNotAvailableYet));
    action->setStatusTip(QString::fromLatin1(kNotAvailableYet));
    action->setProperty("notAvailable", true);
}

AppActions CreateActions(QObject* o) {
    AppActions a;
    auto add = [&](QAction* act) {
        a.all.push_back(act);
        return act;
    };
    const QKeySequence none;
    // File
    a.actBrowseDir = add(Make(o, "actBrowseDir", "&BrowseDir", "Opens browse dir dialog"));
    a.actRun = add(Make(o, "actRun", "&Scan", "Calclulate Size of selected directory incl. all sub dirs ",
                        QKeySequence(Qt::Key_F9)));
    a.actrefresh = add(Make(o, "actrefresh", "&Refresh", "Refresh current branch without scanning entire tree"));
    a.actUpOneDir = add(Make(o, "actUpOneDir", "&UpOneDir", "Up to Parent Directory", QKeySequence(Qt::Key_F8)));
    a.actSave = add(Make(o, "actSave", "S&ave size tree as", "Save current file size tree",
                         QKeySequence(Qt::CTRL | Qt::Key_S)));
    a.actExport = add(Make(o, "actExport", "&Export", "Save size list data to file, print or generate HTML Report"));
    a.actOpen = add(Make(o, "actOpen", "&Open stored size tree", "Open current file size tree",
                         QKeySequence(Qt::CTRL | Qt::Key_O)));
    a.actPrint = add(Make(o, "actPrint", "&Print visible chart",
                          "Plain print of the active and visible sheet. For more print options go to Export/Print",
                          QKeySequence(Qt::CTRL | Qt::Key_P)));
    a.actPrintVST = add(Make(o, "actPrintVST", "Pr&int tree view", {}));
    a.actExit = add(Make(o, "actExit", "E&xit", "Exit", QKeySequence(Qt::CTRL | Qt::Key_Q)));
    // View
    a.actFolderHistory = add(Make(o, "actFolderHistory", "&Folder History off / on",
                                  "Toggle folder history on- off.", none, true));
    a.actToggleDirTree = add(Make(o, "actToggleDirTree", "S&how DirTree", "Toggles Explorer panel",
                                  QKeySequence(Qt::CTRL | Qt::Key_T)));
    a.actToggleCharts = add(Make(o, "actToggleCharts", "F&ull Size Tree", "Toggles Full page \"Size Tree\"",
                                 none, true));
    a.actExpandSizeTree = add(Make(o, "actExpandSizeTree", "S&ize Tree expand", {}));
    a.Action5 = add(Make(o, "Action5", "Si&ze Tree collapse", {}));
    a.Action8 = add(Make(o, "Action8", "Blue Design", {}, none, true));
    // Chart view
    a.act3D = add(Make(o, "act3D", "&3D View", "Toggle between 2D and 3D mode", none, true));
    a.actExplode = add(Make(o, "actExplode", "&Explode Biggest", "Shows biggest pie cut out", none, true));
    a.actLabels = add(Make(o, "actLabels", "&Show labels", "Toggle Labels", none, true));
    a.actshowLegend = add(Make(o, "actshowLegend", "S&how Legend", {}, none, true));
    a.actFreeSpace = add(Make(o, "actFreeSpace", "Sho&w free space", "Include free space", none, true));
    a.actElypticPie = add(Make(o, "actElypticPie", "Sh&ow elyptic pie", {}, none, true));
    a.actRotateLeft = add(Make(o, "actRotateLeft", "&Rotate left", "Rotate pie chart",
                               QKeySequence(Qt::CTRL | Qt::Key_L), true));
    a.actRotateRight = add(Make(o, "actRotateRight", "Ro&tate right", {}, QKeySequence(Qt::CTRL | Qt::Key_R), true));
    a.actSortName = add(Make(o, "actSortName", "Sort \"&Names\"", "Sort listview and barchart", none, true));
    a.actSortSize = add(Make(o, "actSortSize", "Sort \"S&ize\"", "Sort listview and barchart", none, true));
    // Functions
    a.actSaveAsPicture = add(Make(o, "actSaveAsPicture", "&Save as picture", "Save Picture to File"));
    a.actBarClbd = add(Make(o, "actBarClbd", "&Copy bars to clipboard", {}));
    a.actPieClbd = add(Make(o, "actPieClbd", "C&opy pies to clipboard", {}));
    // Tools
    a.actPreferences = add(Make(o, "actPreferences", "&Preferences", {}));
    // Help
    a.actAbout = add(Make(o, "actAbout", "&About", {}));
    a.actCheckForUpdate = add(Make(o, "actCheckForUpdate", "Check for update", {}));
    a.acthelp = add(Make(o, "acthelp", "&Help", "Help"));
    a.actHelpCnt = add(Make(o, "actHelpCnt", "H&elp contents", "Help contents"));
    a.actHelpIDX = add(Make(o, "actHelpIDX", "He&lp Index", "Help Index"));
    // Tool bars
    a.actShowHints2 = add(Make(o, "actShowHints2", "Toggle hints", "Toggle hints", none, true));
    a.actHardDiskSpace = add(Make(o, "actHardDiskSpace", "Hard disk space", "show disk stats"));
    a.actBack = add(Make(o, "actBack", "Back", "Back", QKeySequence(Qt::ALT | Qt::Key_Left)));
    // The desktop's keys for going up and back, beside the program's own F8.
    a.actUpOneDir->setShortcuts({QKeySequence(Qt::Key_F8), QKeySequence(Qt::ALT | Qt::Key_Up)});

    for (QAction* act : {a.actSave, a.actOpen, a.actPrint, a.actPrintVST, a.actExpandSizeTree,
                         a.Action5, a.act3D, a.actExplode, a.actLabels, a.actshowLegend, a.actFreeSpace,
                         a.actElypticPie, a.actRotateLeft, a.actRotateRight, a.actSaveAsPicture, a.actBarClbd,
                         a.actPieClbd, a.actPreferences})
        MarkNotAvailable(act);
    // Up starts disabled; Back, Refresh and Full Size Tree follow the navigation state.
    a.actUpOneDir->setEnabled(false);
    a.actBack->setEnabled(false);
    a.actrefresh->setEnabled(false);
    a.actToggleCharts->setEnabled(false);
    return a;
}

void ReplaceAction(AppActions& actions, QAction*& slot, QAction* replacement) {
    QAction* old = slot;
    if (!old || !replacement || old == replacement) return;
    for (QObject* o : old->associatedObjects()) {
        // A tool button shows its default action: it takes the new one, keeping texts of its own.
        if (auto* b = qobject_cast<QToolButton*>(o); b && b->defaultAction() == old) {
            const QString text = b->text() != old->text() ? b->text() : QString();
            const QString tip = b->toolTip() != old->toolTip() ? b->toolTip() : QString();
            b->setDefaultAction(replacement);
            if (!text.isEmpty()) b->setText(text);
            if (!tip.isEmpty()) b->setToolTip(tip);
            b->removeAction(old);
            continue;
        }
        if (auto* w = qobject_cast<QWidget*>(o)) {
            w->insertAction(old, replacement);
            w->removeAction(old);
        }
    }
    std::replace(actions.all.begin(), actions.all.end(), old, replacement);
    slot = replacement;
    delete old;
}

QAction* AppActions::Find(const QString& name) const {
    for (QAction* act : all)
        if (act->objectName() == name) return act;
    return nullptr;
}

void BuildMainMenu(QMenuBar* bar, const AppActions& a) {
    auto menu = [&](const char* title, const char* name) {
        QMenu* m = bar->addMenu(QString::fromUtf8(title));
        m->setObjectName(QString::fromLatin1(name));
        m->setToolTipsVisible(true);
        return m;
    };
    QMenu* file = menu("&File", "File1");
    file->addAction(a.actBrowseDir);
    file->addSeparator();
    file->addAction(a.actRun);
    file->addAction(a.actrefresh);
    file->addAction(a.actUpOneDir);
    file->addAction(a.actBack);
    file->addSeparator();
    file->addAction(a.actSave);
    file->addAction(a.actExport);
    file->addAction(a.actOpen);
    file->addSeparator();
    file->addAction(a.actPrint);
    file->addAction(a.actPrintVST);
    file->addSeparator();
    file->addAction(a.actExit);

    QMenu* view = menu("V&iew", "View1");
    view->addAction(a.actFolderHistory);
    view->addAction(a.actToggleDirTree);
    view->addAction(a.actToggleCharts);
    view->addSeparator();
    view->addAction(a.actExpandSizeTree);
    view->addAction(a.Action5);
    // "Blue Design" has a hidden menu entry; the action itself stays triggerable.
    QAction* blue = view->addAction(a.Action8->text());
    blue->setVisible(false);
    QObject::connect(blue, &QAction::triggered, a.Action8, &QAction::trigger);

    QMenu* chart = menu("&Chart view", "Chartview1");
    chart->addAction(a.act3D);
    chart->addAction(a.actExplode);
    chart->addAction(a.actLabels);
    chart->addAction(a.actshowLegend);
    chart->addAction(a.actFreeSpace);
    chart->addAction(a.actElypticPie);
    chart->addSeparator();
    chart->addAction(a.actRotateLeft);
    chart->addAction(a.actRotateRight);
    chart->addSeparator();
    chart->addAction(a.actSortName);
    chart->addAction(a.actSortSize);

    QMenu* functions = menu("F&unctions", "Functions1");
    functions->addAction(a.actSaveAsPicture);
    functions->addAction(a.actBarClbd);
    functions->addAction(a.actPieClbd);

    QMenu* tools = menu("&Tools", "Tools1");
    tools->addAction(a.actPreferences);

    QMenu* help = menu("&Help", "Help1");
    help->addAction(a.actAbout);
    help->addAction(a.actCheckForUpdate);
    help->addSeparator();
    help->addAction(a.acthelp);
    help->addAction(a.actHelpCnt);
    help->addAction(a.actHelpIDX);
}

}  // namespace vantum::app
