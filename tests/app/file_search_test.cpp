// "Find files in Root" / "Find files in current folder" and the result window, over a real
// scanned tree in a temporary folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QSet>
#include <QTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTableWidget>
#include <QTest>
#include <filesystem>

#include "app/file_search_controller.h"
#include "app/find_files_form.h"
#include "app/gauge_status.h"
#include "app/navigation.h"
#include "gui/qt_prompts.h"
#include "core/file_search.h"
#include "core/size_tree.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::app;
using vantum::test::ReadFile;
using vantum::test::TempDir;
using vantum::test::TestWindow;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// What the result window showed: one "name|ext|folder" per row, top to bottom.
QStringList Rows(const TFindFileForm& form) {
    QStringList out;
    const QTableWidget* t = form.ListView1();
    for (int r = 0; r < t->rowCount(); ++r)
        out << t->item(r, 0)->text() + "|" + t->item(r, 1)->text() + "|" + t->item(r, 2)->text();
    return out;
}

// T holds x.log and A; A holds y.log, z.txt and B; B holds w.LOG.
struct Fixture {
    TempDir dir;
    std::string t;
    TestWindow w;
    std::vector<QStringList> shownRows;  // one entry per result window shown
    std::function<void(TFindFileForm&)> inForm;

    Fixture() {
        t = dir.mkdir("T");
        dir.write("T/x.log", "1");
        dir.write("T/A/y.log", "2");
        dir.write("T/A/z.txt", "3");
        dir.write("T/A/B/w.LOG", "4");
        w->Activate();
        w->FileSearch().SetFormRunner([this](TFindFileForm& form) {
            shownRows.push_back(Rows(form));
            if (inForm) inForm(form);
        });
    }
    void Scan() {
        w->Nav().GoToPath(Q(t), true);
        w->Actions().actRun->trigger();
        ASSERT_TRUE(test::WaitUntilIdle(*w));
    }
    void Search(bool whole, std::optional<QString> pattern) {
        w.prompts.inputs.push_back(std::move(pattern));
        (whole ? w->FileSearch().actFindFiles : w->FileSearch().actfindfilescurrent)->trigger();
        EXPECT_FALSE(w->IsBusy());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(w->Status().Timer3().isActive());
    }
    QString T() const { return Q(t) + "/"; }
};

}  // namespace

TEST(FileSearch, BeforeAScanThereIsNothingToSearch) {
    Fixture f;
    EXPECT_EQ(f.w->FileSearch().actFindFiles->text(), "Find files in Root");
    EXPECT_EQ(f.w->FileSearch().actfindfilescurrent->text(), "Find files in current folder");
    EXPECT_EQ(f.w->FileSearch().actFindFiles->toolTip(), "Fast search for files in size tree");
    f.w->FileSearch().actFindFiles->trigger();
    f.w->FileSearch().actfindfilescurrent->trigger();
    EXPECT_EQ(f.w.prompts.texts(), (QStringList{"You have to perform a scan first", "You have to perform a scan first"}));
    EXPECT_TRUE(f.w.prompts.texts("input").isEmpty());
    EXPECT_TRUE(f.shownRows.empty());
}

TEST(FileSearch, FindsInTheTreesFoldersAsTheyAreOnDiskNow) {
    Fixture f;
    f.Scan();
    // Files added after the scan are found; a folder made after the scan is not searched.
    f.dir.write("T/A/B/late.log", "5");
    f.dir.write("T/New/n.log", "6");

    f.Search(true, "*.log");
    EXPECT_EQ(f.w.prompts.texts("input"),
              QStringList{"Search for files|Search in " + f.T() + "\n\rEnter Search string with wildcards e.g. name.*"});
    ASSERT_EQ(f.shownRows.size(), 1u);
    QStringList rows = f.shownRows[0];
    rows.sort();  // listing order inside one folder is the file system's
    EXPECT_EQ(rows, (QStringList{"late.log|.log|" + f.T() + "A/B/", "w.LOG|.LOG|" + f.T() + "A/B/",
                                 "x.log|.log|" + f.T(), "y.log|.log|" + f.T() + "A/"}));
    // Parents before children.
    EXPECT_TRUE(f.shownRows[0].first().startsWith("x.log"));
    // The gauge went when the search ended, before the result window.
    EXPECT_FALSE(f.w->Status().GaugeVisible());

    // From the current folder only its branch; the gauge is not shown.
    f.w->Status().Timer3Timer();
    f.w->Nav().ShowTreeFolder(f.w->Tree().Top()->GetSubFolder(0));
    f.Search(false, "*.txt");
    EXPECT_EQ(f.w.prompts.texts("input").last(),
              "Search for files|Search in " + f.T() + "A\n\rEnter Search string with wildcards e.g. name.*");
    EXPECT_EQ(f.shownRows.back(), QStringList{"z.txt|.txt|" + f.T() + "A/"});
    EXPECT_FALSE(f.w->Status().GaugeVisible());
}

TEST(FileSearch, CancelledOrFruitlessSearchesShowNoItemFound) {
    Fixture f;
    f.Scan();
    f.Search(true, std::nullopt);
    f.Search(true, "*.none");
    ASSERT_EQ(f.shownRows.size(), 2u);
    for (const QStringList& rows : f.shownRows) EXPECT_EQ(rows, QStringList{"No item found||"});
}

TEST(FileSearch, EscapeStopsTheListing) {
    Fixture f;
    f.Scan();
    // The key arrives with the first events the search lets through, after the top folder.
    QApplication::postEvent(f.w.window.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    f.Search(true, "*.log");
    ASSERT_EQ(f.shownRows.size(), 1u);
    EXPECT_EQ(f.shownRows[0], QStringList{"x.log|.log|" + f.T()});
    // The next search starts afresh.
    f.Search(true, "*.log");
    EXPECT_EQ(f.shownRows[1].size(), 3);
}

TEST(FileSearch, ResultWindowSortsOpensAndKeepsDirectionsForTheRun) {
    Fixture f;
    f.dir.write("T/b.ini", "");
    f.dir.write("T/c", "");
    f.Scan();
    std::vector<QStringList> sorted;
    std::vector<QUrl> opened;
    f.inForm = [&](TFindFileForm& form) {
        EXPECT_EQ(form.windowTitle(), "Found files");
        EXPECT_EQ(form.size(), QSize(664, 233));
        QTableWidget* list = form.ListView1();
        EXPECT_EQ(list->horizontalHeaderItem(0)->text(), "FileName");
        EXPECT_EQ(list->horizontalHeaderItem(1)->text(), "Ext");
        EXPECT_EQ(list->horizontalHeaderItem(2)->text(), "FilePath");
        EXPECT_EQ(list->columnWidth(0), 150);
        EXPECT_EQ(list->columnWidth(1), 60);
        EXPECT_TRUE(list->toolTip().startsWith("Right click to save folder list to file"));
        EXPECT_EQ(form.PopUp()->actions().value(0)->text(), "Save list to file");
        // A click on the "Ext" header.
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        QHeaderView* header = list->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 10, header->height() / 2));
        sorted.push_back(Rows(form));
        // A double click (as the mouse sends it: a click, then the double click) opens the
        // row's folder with the shell.
        const QRect cell = list->visualItemRect(list->item(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        opened = f.w.opened;
        form.hide();
    };
    f.Search(true, "*");
    f.Search(true, "*");
    ASSERT_EQ(sorted.size(), 2u);
    // "c" has no extension; the second search's first click continues the column's direction.
    EXPECT_EQ(sorted[0].value(0), "c||" + f.T());
    EXPECT_EQ(sorted[0].last(), "z.txt|.txt|" + f.T() + "A/");
    EXPECT_EQ(sorted[1].value(0), "z.txt|.txt|" + f.T() + "A/");
    EXPECT_EQ(sorted[1].last(), "c||" + f.T());
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.back(), QUrl::fromLocalFile(f.T() + "A/"));
}

TEST(FileSearch, SaveStepWritesTextOrOneLineCsv) {
    Fixture f;
    f.Scan();
    std::vector<std::string> paths;
    f.inForm = [&](TFindFileForm& form) { paths = *form.Thefiles(); };
    f.Search(true, "*.log");
    ASSERT_EQ(paths.size(), 3u);
    struct Case {
        int filter;
        std::string sep;
    } cases[] = {{1, "\r\n"}, {2, ";"}, {3, ","}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        const std::string out = f.dir / ("list" + std::to_string(c.filter));
        f.inForm = [&](TFindFileForm& form) {
            f.w.prompts.files.push_back(Prompts::FileChoice{Q(out), c.filter});
            form.SaveListAction()->trigger();
        };
        f.Search(true, "*.log");
        EXPECT_EQ(f.w.prompts.texts("save").last(), "Save list to file");
        EXPECT_EQ(ReadFile(out), paths[0] + c.sep + paths[1] + c.sep + paths[2] + c.sep);
    }
    // A file that cannot be written is an error box, nothing else.
    f.w.prompts.shown.clear();
    f.inForm = [&](TFindFileForm& form) {
        f.w.prompts.files.push_back(Prompts::FileChoice{Q(f.dir / "no/such/list.txt"), 1});
        form.SaveListAction()->trigger();
    };
    f.Search(true, "*.log");
    ASSERT_EQ(f.w.prompts.texts().size(), 1);
    EXPECT_TRUE(f.w.prompts.texts()[0].startsWith("Cannot create file"));
}

TEST(FileSearch, TwelveThousandHitsAreOfferedForSavingInstead) {
    Fixture f;
    for (int i = 0; i < 11999; ++i) f.dir.write("T/many/f" + std::to_string(i) + ".x", "");
    f.Scan();
    f.Search(true, "*.x");  // 11999 hits: still shown
    ASSERT_EQ(f.shownRows.size(), 1u);
    EXPECT_EQ(f.shownRows[0].size(), 11999);
    EXPECT_TRUE(f.w.prompts.texts("ask").isEmpty());
    f.dir.write("T/many/last.x", "");
    f.Search(true, "*.x");  // 12000 hits: the question, "No" discards them
    EXPECT_EQ(f.shownRows.size(), 1u);
    EXPECT_EQ(f.w.prompts.texts("ask"),
              QStringList{"Visiual component allows for max 12000 items,\r\nno display possible.\r\n"
                          "Do you want to save results to file instead?"});
    EXPECT_TRUE(f.w.prompts.texts("save").isEmpty());

    const std::string out = f.dir / "hits.txt";
    f.w.prompts.answers.push_back(Prompts::Answer::Yes);
    f.w.prompts.files.push_back(Prompts::FileChoice{Q(out), 1});
    f.Search(true, "*.x");
    EXPECT_EQ(f.shownRows.size(), 1u);
    const std::string text = ReadFile(out);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 12000);
}

// The save of the found files through the real file dialog: each filter chosen comes back as
// its own position, the two CSV filters included.
TEST(FileSearch, EveryFilterOfTheSaveDialogMapsBackToItsPosition) {
    test::App();
    TempDir dir;
    gui::QtPrompts prompts;
    const QStringList filters = gui::QtPrompts::NameFilters(QString::fromLatin1(kFoundListFilter));
    ASSERT_EQ(filters.size(), 3);
    EXPECT_EQ(QSet<QString>(filters.begin(), filters.end()).size(), 3);
    const FoundListFormat formats[] = {FoundListFormat::Text, FoundListFormat::CsvSemicolon, FoundListFormat::CsvComma};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(filters[i].toStdString());
        const QString out = Q(dir / ("list" + std::to_string(i)));
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            d->selectNameFilter(d->nameFilters().at(i));
            d->selectFile(out);
            static_cast<QDialog*>(d)->accept();  // public in QDialog, virtual
        });
        auto choice = prompts.SaveFile("Save list to file", QString::fromLatin1(kFoundListFilter), "txt",
                                       Q(dir.path()), QString(), false);
        ASSERT_TRUE(choice);
        EXPECT_EQ(choice->filterIndex, i + 1);
        EXPECT_EQ(FoundListFormatOfFilter(choice->filterIndex), formats[i]);
    }
}

// Closing the window while a search runs: the search stops, no result window comes up, and the
// window closes once the search has ended, saving its settings.
TEST(FileSearch, ClosingDuringASearchStopsItFirst) {
    Fixture f;
    for (int i = 0; i < 200; ++i) f.dir.write("T/many" + std::to_string(i) + "/x.log", "x");
    f.Scan();
    bool visibleWhileBusy = true;
    QTimer::singleShot(0, f.w.window.get(), [&] {
        f.w->close();
        visibleWhileBusy = f.w->isVisible() && f.w->IsBusy();
    });
    f.w.prompts.inputs.push_back(QString("*.log"));
    f.w->FileSearch().actFindFiles->trigger();
    EXPECT_TRUE(visibleWhileBusy);
    EXPECT_TRUE(f.shownRows.empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.w->isVisible(); }, 5000));
    EXPECT_NE(ReadFile(f.w.SettingsPath()).find("[LastDir]"), std::string::npos);
}
