// The export dialog: settings read at creation and written when destroyed, the font size
// arrows with their own ranges, the swatches through Prompts, and the dispatch of "Export".
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QValidator>

#include "export/colour_text.h"
#include "export/export_form.h"
#include "export_fixture.h"
#include "settings/ini_file.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace vantum::exporting {
namespace {

using test::MakeTree;

struct FormFixture {
    FormFixture() { test::EnsureApplication(); }
    test::TempDir dir;
    std::string ini = dir / "Vantu.ini";
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/data/top", {{"a", 1, 0}, {"b&c", 2, 3}});
    test::ScriptedPrompts prompts;
    std::vector<std::string> opened;
    std::unique_ptr<TExport_Form> Make() {
        return std::make_unique<TExport_Form>(top, ChartPictures{}, prompts, ini,
                                              [this](const std::string& f) { opened.push_back(f); });
    }
};

TEST(ColourText, WritesNamesOrBgrHexAndReadsEveryForm) {
    EXPECT_EQ(ColourToText(QColor(0, 0, 0)), "clBlack");
    EXPECT_EQ(ColourToText(QColor(255, 0, 0)), "clRed");
    EXPECT_EQ(ColourToText(QColor(0x22, 0x22, 0x00)), "$00002222");
    EXPECT_EQ(ColourFromText("$00F8D7C3"), QColor(0xC3, 0xD7, 0xF8));
    EXPECT_EQ(ColourFromText("255"), QColor(255, 0, 0));
    EXPECT_EQ(ColourFromText("clNavy"), QColor(0, 0, 128));
    EXPECT_EQ(ColourFromText("nonsense"), std::nullopt);
    EXPECT_EQ(ColourFromText("$FF000000"), std::nullopt);
}

TEST(ExportForm, ReadsDefaultsAndWritesTheSettingsBackWhenDestroyed) {
    FormFixture f;
    {
        auto form = f.Make();
        EXPECT_EQ(form->windowTitle(), "Export charts");
        EXPECT_EQ(SwatchColour(form->Panel1), QColor(0x22, 0x22, 0x00));
        EXPECT_EQ(SwatchColour(form->Panel3), QColor(0xAA, 0xBB, 0x00));
        EXPECT_EQ(SwatchColour(form->Panel2), QColor(0xC3, 0xD7, 0xF8));
        EXPECT_EQ(form->Fontsizeedit->text(), "4");
        EXPECT_EQ(form->HeadFontSize->text(), "6");
        // A colour picked for the link swatch; a cancelled pick keeps the font colour.
        f.prompts.colors = {QColor(0, 0, 255), std::nullopt};
        form->Panel3->click();
        form->Panel1->click();
        EXPECT_EQ(SwatchColour(form->Panel3), QColor(0, 0, 255));
        EXPECT_EQ(SwatchColour(form->Panel1), QColor(0x22, 0x22, 0x00));
    }
    settings::IniFile ini(f.ini);
    EXPECT_EQ(ini.ReadString("Colors", "Export HTML Font", ""), "$00002222");
    EXPECT_EQ(ini.ReadString("Colors", "Export HTML Link Font", ""), "clBlue");
    EXPECT_EQ(ini.ReadString("Colors", "Export HTML Background", ""), "$00F8D7C3");
    EXPECT_EQ(ini.ReadString("FontSize", "Export HTML Font Size", ""), "4");
    // Read back by the next dialog.
    auto again = f.Make();
    EXPECT_EQ(SwatchColour(again->Panel3), QColor(0, 0, 255));
    EXPECT_EQ(SwatchColour(again->Panel2), QColor(0xC3, 0xD7, 0xF8));
}

TEST(ExportForm, FontSizeArrowsStayWithinTheirCounters) {
    FormFixture f;
    auto form = f.Make();
    // Body size: down once, up seven times from its value at opening.
    for (int i = 0; i < 3; ++i) form->UpDown1Down->click();
    EXPECT_EQ(form->Fontsizeedit->text(), "3");
    for (int i = 0; i < 10; ++i) form->UpDown1Up->click();
    EXPECT_EQ(form->Fontsizeedit->text(), "11");
    EXPECT_EQ(form->CurrentSettings().bodyFontSize, "11");
    // Head size: down twice; typing alone does not change the size in use.
    for (int i = 0; i < 3; ++i) form->UpDown2Down->click();
    EXPECT_EQ(form->HeadFontSize->text(), "4");
    form->HeadFontSize->setText("9");
    EXPECT_EQ(form->CurrentSettings().headFontSize, "4");
}

TEST(ExportForm, ExportWritesTheChosenTypeAndReportsFailures) {
    FormFixture f;
    auto form = f.Make();
    form->Edit->setText("My sizes");
    f.prompts.files = {Prompts::FileChoice{QString::fromStdString(f.dir / "out.csv"), 3},
                       Prompts::FileChoice{QString::fromStdString(f.dir / "out.html"), 2},
                       Prompts::FileChoice{QString::fromStdString(f.dir / "no/out.txt"), 4}, std::nullopt};
    for (int i = 0; i < 4; ++i) form->SpeedButton2->click();
    EXPECT_EQ(test::ReadFile(f.dir / "out.csv").substr(0, 10), "My sizes;;");
    EXPECT_NE(test::ReadFile(f.dir / "out.html").find(">b&amp;c</a>"), std::string::npos);
    EXPECT_EQ(f.opened, std::vector<std::string>{f.dir / "out.html"});  // the report, not the CSV
    ASSERT_EQ(f.prompts.texts().size(), 1);
    EXPECT_TRUE(f.prompts.texts()[0].contains("no/out.txt")) << f.prompts.texts()[0].toStdString();
    EXPECT_EQ(f.prompts.texts("save").size(), 4);
}

TEST(ExportForm, TheFileExtensionChoosesTheWriterBeforeTheFileType) {
    EXPECT_EQ(ExportTypeOf("/r/sizes.csv", 1), 3);
    EXPECT_EQ(ExportTypeOf("/r/sizes.HTM", 4), 2);
    EXPECT_EQ(ExportTypeOf("/r/sizes.xls", 3), 1);
    EXPECT_EQ(ExportTypeOf("/r/sizes.report", 4), 4);
    EXPECT_EQ(ExportTypeOf("/r/sizes", 2), 2);
}

TEST(ExportForm, TheDelimiterAndNumberFormatBoxesTakeOnlyWhatTheWritersAccept) {
    FormFixture f;
    auto form = f.Make();
    int pos = 0;
    for (const char* ok : {",", ";", "|", "\t", ""}) {
        QString t = QString::fromLatin1(ok);
        EXPECT_EQ(form->EdCSVDel->validator()->validate(t, pos), QValidator::Acceptable) << ok;
    }
    for (const char* bad : {":", "a", ",,"}) {
        QString t = QString::fromLatin1(bad);
        EXPECT_EQ(form->EdCSVDel->validator()->validate(t, pos), QValidator::Invalid) << bad;
    }
    QString format = QStringLiteral("#,##0.00");
    EXPECT_EQ(form->EdEx->validator()->validate(format, pos), QValidator::Acceptable);
    format = QStringLiteral("0.00x");
    EXPECT_EQ(form->EdEx->validator()->validate(format, pos), QValidator::Invalid);
}

}  // namespace
}  // namespace vantum::exporting
