// Current path and folder, Up and Back, the folder picker and the folder history.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include "app/folder_history.h"
#include "app/gauge_status.h"
#include "app/history_controller.h"
#include "app/navigation.h"
#include "gui/path_text.h"
#include "core/size_tree.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::app;
using vantum::test::TempDir;
using vantum::test::TestWindow;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// T with A below it and B below A, each with a small file.
struct Fixture {
    TempDir dir;
    std::string t, a, b;
    Fixture() {
        t = dir.mkdir("T");
        a = dir.mkdir("T/A");
        b = dir.mkdir("T/A/B");
        dir.write("T/A/a.bin", std::string(1000, 'a'));
        dir.write("T/A/B/b.bin", std::string(2000, 'b'));
    }
};

void ScanFolder(TestWindow& t, const std::string& path) {
    t->Nav().GoToPath(Q(path), false);
    t->Actions().actRun->trigger();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*t));
    ASSERT_NE(t->Nav().CurrentFolder(), nullptr);
}

TEST(Navigation, GoToPathExistingMissingAndAllDrives) {
    Fixture f;
    TestWindow t;
    t->Activate();
    Navigation& n = t->Nav();
    n.GoToPath(Q(f.a), true);
    EXPECT_EQ(n.CurrentPath(), Q(f.a) + "/");
    EXPECT_EQ(t->Status().Panel(0), Q(f.a) + "/");
    EXPECT_EQ(t->Widgets().historyCombo->currentText(), Q(f.a) + "/");
    EXPECT_EQ(n.SelectedTreePath(), Q(f.a));
    // The branch down to the folder is open, and the folder itself, showing what is in it.
    QModelIndex ai = t->Widgets().dirModel->index(Q(f.a));
    EXPECT_TRUE(t->Widgets().dirTree->isExpanded(ai.parent()));
    EXPECT_TRUE(t->Widgets().dirTree->isExpanded(ai));

    // A trailing slash is kept as given.
    n.GoToPath(Q(f.t) + "/", true);
    EXPECT_EQ(n.CurrentPath(), Q(f.t) + "/");

    // A missing folder changes nothing, quietly.
    n.GoToPath(Q(f.t) + "/gone", true);
    EXPECT_EQ(n.CurrentPath(), Q(f.t) + "/");
    EXPECT_EQ(t->Status().Panel(0), Q(f.t) + "/");
    EXPECT_EQ(n.SelectedTreePath(), Q(f.t));
    EXPECT_TRUE(t.prompts.shown.empty());

    // "<All Drives>" is shown but is no path to scan.
    n.GoToPath("<All Drives>", false);
    EXPECT_EQ(n.CurrentPath(), Q(f.t) + "/");
    EXPECT_EQ(t->Status().Panel(0), "<All Drives>");
    EXPECT_EQ(t->Widgets().historyCombo->currentText(), "<All Drives>");
    EXPECT_EQ(n.SelectedTreePath(), "/");
}

TEST(Navigation, ExplorerTreeClickMakesTheFolderCurrentWithoutMovingTheTree) {
    Fixture f;
    TestWindow t;
    t->Activate();
    QModelIndex bi = t->Widgets().dirModel->index(Q(f.b));
    ASSERT_TRUE(bi.isValid());
    emit t->Widgets().dirTree->clicked(bi);
    EXPECT_EQ(t->Nav().CurrentPath(), Q(f.b) + "/");
    EXPECT_EQ(t->Nav().CurrentFolder(), nullptr);
}

TEST(Navigation, UpAndBackWalkTheTree) {
    Fixture f;
    TestWindow t;
    t->Activate();
    ScanFolder(t, f.t);
    Navigation& n = t->Nav();
    AppActions& a = t->Actions();
    TSizeFolder* top = n.CurrentFolder();
    EXPECT_FALSE(a.actUpOneDir->isEnabled());  // the top folder's parent is the root
    EXPECT_FALSE(a.actBack->isEnabled());

    n.ShowFolderByPath(Q(f.b));
    TSizeFolder* b = n.CurrentFolder();
    ASSERT_NE(b, top);
    EXPECT_EQ(b->Path(), f.b);
    EXPECT_EQ(t.views->chartsOf, b);
    EXPECT_EQ(t.views->selectedRow, b);
    EXPECT_TRUE(a.actUpOneDir->isEnabled());

    // Up twice, Back twice: the folders come back in reverse order.
    a.actUpOneDir->trigger();
    TSizeFolder* aFolder = n.CurrentFolder();
    EXPECT_EQ(aFolder->Path(), f.a);
    EXPECT_EQ(n.CurrentPath(), Q(f.a) + "/");
    EXPECT_EQ(t.views->selectedRow, aFolder);
    EXPECT_EQ(t.views->chartsOf, aFolder);
    a.actUpOneDir->trigger();
    EXPECT_EQ(n.CurrentFolder(), top);
    EXPECT_FALSE(a.actUpOneDir->isEnabled());
    ASSERT_EQ(n.BackHistory().size(), 2u);
    EXPECT_TRUE(a.actBack->isEnabled());
    a.actBack->trigger();
    EXPECT_EQ(n.CurrentFolder(), aFolder);
    a.actBack->trigger();
    EXPECT_EQ(n.CurrentFolder(), b);
    EXPECT_TRUE(n.BackHistory().empty());
    EXPECT_FALSE(a.actBack->isEnabled());

    // A new scan empties the trail.
    a.actUpOneDir->trigger();
    EXPECT_TRUE(a.actBack->isEnabled());
    ScanFolder(t, f.t);
    EXPECT_TRUE(n.BackHistory().empty());
    EXPECT_FALSE(a.actBack->isEnabled());
}

TEST(Navigation, BackToAFolderDeletedMeanwhileDropsTheEntry) {
    Fixture f;
    TestWindow t;
    t->Activate();
    ScanFolder(t, f.t);
    t->Nav().ShowFolderByPath(Q(f.b));
    t->Actions().actUpOneDir->trigger();
    TSizeFolder* a = t->Nav().CurrentFolder();
    std::filesystem::remove_all(f.b);
    t->Actions().actBack->trigger();
    EXPECT_EQ(t->Nav().CurrentFolder(), a);
    EXPECT_TRUE(t->Nav().BackHistory().empty());
}

TEST(Navigation, BrowseDir) {
    Fixture f;
    TestWindow t;
    t->Activate();
    t->Nav().GoToPath(Q(f.t), true);
    t.prompts.folders.push_back(std::nullopt);  // cancelled
    t->Actions().actBrowseDir->trigger();
    ASSERT_EQ(t.prompts.texts("folder"), QStringList{"Select Directory to scan!"});
    EXPECT_EQ(t->Nav().CurrentPath(), Q(f.t) + "/");
    t.prompts.folders.push_back(Q(f.b) + "/");
    t->Actions().actBrowseDir->trigger();
    EXPECT_EQ(t->Nav().CurrentPath(), Q(f.b) + "/");
    EXPECT_EQ(t->Nav().SelectedTreePath(), Q(f.b));
}

TEST(FolderHistory, AddRules) {
    auto never = [](int) -> int {
        ADD_FAILURE() << "no removal expected";
        return 0;
    };
    QStringList items{"/home/Temp/"};
    EXPECT_FALSE(AddToHistory(items, "", 20, never));
    EXPECT_FALSE(AddToHistory(items, "<All Drives>", 20, never));
    EXPECT_FALSE(AddToHistory(items, "/home/Temp/", 20, never));
    // Names that differ in case are different folders here.
    EXPECT_TRUE(AddToHistory(items, "/home/temp/", 20, never));
    EXPECT_EQ(items, (QStringList{"/home/Temp/", "/home/temp/"}));
    EXPECT_TRUE(AddToHistory(items, "/srv/", 20, never));
    EXPECT_EQ(items, (QStringList{"/home/Temp/", "/home/temp/", "/srv/"}));

    // 22 items with the limit 20: one goes (never the last), then the new one comes.
    QStringList full;
    for (int i = 0; i < 22; ++i) full << QStringLiteral("/d%1/").arg(i);
    int asked = -1;
    EXPECT_TRUE(AddToHistory(full, "/new/", 20, [&](int n) {
        asked = n;
        return n - 1;  // the highest allowed position
    }));
    EXPECT_EQ(asked, 21);
    EXPECT_EQ(full.size(), 22);
    EXPECT_FALSE(full.contains("/d20/"));
    EXPECT_EQ(full[20], "/d21/");
    EXPECT_EQ(full.back(), "/new/");
    // 21 items are not over the limit; limit 0 means none.
    QStringList atLimit;
    for (int i = 0; i < 21; ++i) atLimit << QStringLiteral("/e%1/").arg(i);
    EXPECT_TRUE(AddToHistory(atLimit, "/x/", 20, never));
    EXPECT_TRUE(AddToHistory(atLimit, "/y/", 0, never));
    EXPECT_EQ(atLimit.size(), 23);
}

TEST(FolderHistory, ScanAddsTheFolderOnce) {
    Fixture f;
    TestWindow t;
    t->Activate();
    ScanFolder(t, f.t);
    ScanFolder(t, f.t);
    EXPECT_EQ(t->History().Items(), QStringList{Q(f.t) + "/"});
}

TEST(FolderHistory, ComboEnterSelectionAndMenu) {
    Fixture f;
    TestWindow t;
    t->Activate();
    QComboBox* combo = t->Widgets().historyCombo;
    HistoryController& h = t->History();
    h.SetItems({Q(f.a) + "/", Q(f.t) + "/gone/"});
    t->Nav().GoToPath(Q(f.t), true);

    // Enter on a typed path that is no folder: nothing happens.
    combo->setEditText(Q(f.t) + "/A/a.bin");
    emit combo->lineEdit()->returnPressed();
    EXPECT_EQ(t->Nav().CurrentPath(), Q(f.t) + "/");
    // "<All Drives>" typed and confirmed.
    combo->setEditText("<All Drives>");
    emit combo->lineEdit()->returnPressed();
    EXPECT_EQ(t->Status().Panel(0), "<All Drives>");
    EXPECT_EQ(t->Nav().CurrentPath(), Q(f.t) + "/");
    // Choosing an item; an item that no longer exists does nothing.
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    EXPECT_EQ(t->Nav().CurrentPath(), Q(f.a) + "/");
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_EQ(t->Nav().CurrentPath(), Q(f.a) + "/");

    // Delete the selected item.
    h.DeleteItemAction()->trigger();
    EXPECT_EQ(h.Items(), QStringList{Q(f.a) + "/"});
    // Copy the path without its slash; insert a path from the clipboard.
    combo->setEditText(Q(f.a) + "/");
    h.CopyPathAction()->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), Q(f.a));
    QApplication::clipboard()->setText(Q(f.b));
    h.InsertPathAction()->trigger();
    EXPECT_EQ(t->Nav().CurrentPath(), Q(f.b) + "/");

    // Clearing asks first; Cancel keeps the list.
    t.prompts.answers.push_back(Prompts::Answer::Cancel);
    h.ClearAllAction()->trigger();
    EXPECT_EQ(h.Items().size(), 1);
    t.prompts.answers.push_back(Prompts::Answer::Yes);
    h.ClearAllAction()->trigger();
    EXPECT_TRUE(h.Items().isEmpty());
    EXPECT_EQ(combo->currentText(), "");
    EXPECT_EQ(t.prompts.texts("ask"), QStringList(2, "Do you really want to delete the entire histoy list?"));
}

}  // namespace

namespace {

TEST(Navigation, KeyboardSelectionInTheExplorerTreeActsAsAClick) {
    TempDir d;
    const std::string a = d.mkdir("K/a"), b = d.mkdir("K/b");
    TestWindow t;
    t->Activate();
    Navigation& n = t->Nav();
    n.GoToPath(Q(a), true);
    QTreeView* tree = t->Widgets().dirTree;
    QFileSystemModel* model = t->Widgets().dirModel;
    // The model lists folders in the background: wait until b is there.
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->index(Q(b)).isValid() && model->rowCount(model->index(Q(d / "K"))) == 2; }, 5000));
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(n.CurrentPath(), Q(b) + "/");
    QTest::keyClick(tree, Qt::Key_Up);
    EXPECT_EQ(n.CurrentPath(), Q(a) + "/");
    // F9 scans what the keyboard chose.
    QTest::keyClick(tree, Qt::Key_Down);
    t->Actions().actRun->trigger();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*t));
    ASSERT_NE(t->Tree().Top(), nullptr);
    EXPECT_EQ(t->Tree().Top()->Path(), b + "/");
    // Setting the tree's selection from the program is no choice of the user.
    n.GoToPath(QString::fromLatin1(kAllDrivesText), false);
    EXPECT_EQ(t->Widgets().historyCombo->currentText(), kAllDrivesText);
}

}  // namespace
