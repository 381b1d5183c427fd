// "Export": enabled with a current folder, opens the export dialog for it, and the report
// written from there is opened in the browser.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "app/navigation.h"
#include "export/export_form.h"
#include "settings/ini_file.h"
#include "settings/settings_path.h"
#include "window_harness.h"

using namespace vantum;
using vantum::test::TempDir;
using vantum::test::TestWindow;

TEST(ExportCommand, ExportsTheCurrentFolderThroughTheDialog) {
    TempDir dir;
    dir.write("T/A/a.bin", std::string(1 << 20, 'a'));
    dir.mkdir("T/B & C");
    TestWindow t;
    t->Activate();
    EXPECT_FALSE(t->Actions().actExport->isEnabled());
    t->Nav().GoToPath(QString::fromStdString(dir / "T"), true);
    t->Widgets().scanButton->click();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*t));
    ASSERT_TRUE(t->Actions().actExport->isEnabled());

    const std::string page = dir / "report.html";
    t.prompts.files = {Prompts::FileChoice{QString::fromStdString(page), 2}};
    QString title;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<exporting::TExport_Form*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        title = form->windowTitle();
        form->SpeedButton2->click();
        form->SpeedButton1->click();
    });
    t->Actions().actExport->trigger();

    EXPECT_EQ(title, "Export charts");
    const std::string html = vantum::test::ReadFile(page);
    EXPECT_NE(html.find(">B &amp; C</a>"), std::string::npos);
    ASSERT_EQ(t.opened.size(), 1u);
    EXPECT_EQ(t.opened[0], QUrl::fromLocalFile(QString::fromStdString(page)));
    EXPECT_FALSE(vantum::test::ReadFile(dir / "report_images/Chart.jpg").empty());
    EXPECT_FALSE(vantum::test::ReadFile(settings::AppDataFile("Pie.jpg")).empty());
    // The dialog wrote its settings when it was destroyed.
    settings::IniFile ini(t.SettingsPath());
    EXPECT_EQ(ini.ReadString("FontSize", "Export HTML Head Font Size", ""), "6");
}
