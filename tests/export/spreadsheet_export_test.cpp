// The spreadsheet export, read back by openpyxl: the cells of the layout, the formats, the
// marked row and the chart sheet.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "export/export_error.h"
#include "export/export_rows.h"
#include "export/number_format.h"
#include "export/spreadsheet_export.h"
#include "export_fixture.h"
#include "support/temp_dir.h"

namespace vantum::exporting {
namespace {

using test::MakeTree;
using test::PinnedSettings;

// What openpyxl finds: every cell of A1:D(rows), the formats of a few cells, the chart sheet.
QJsonObject ReadBack(const std::string& file, int rows) {
    const test::ProcessResult r = test::RunPython(R"(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb['Sheet1']
def rgb(c):
    return c.rgb if c is not None and isinstance(c.rgb, str) else None
cells = {}
for row in ws.iter_rows(min_row=1, max_row=int(sys.argv[2]), max_col=4):
    for c in row:
        cells[c.coordinate] = {'v': c.value, 'type': c.data_type, 'bold': bool(c.font.b),
                               'font': rgb(c.font.color), 'fill': rgb(c.fill.fgColor) if c.fill.fill_type else None,
                               'fmt': c.number_format, 'wrap': bool(c.alignment.wrap_text),
                               'valign': c.alignment.vertical}
charts = []
for cs in wb.chartsheets:
    for ch in cs._charts:
        title = ''.join(r.t for p in ch.title.tx.rich.p for r in (p.r or []))
        charts.append({'sheet': cs.title, 'type': ch.tagname, 'title': title,
                       'series': [{'name': s.tx.strRef.f if s.tx.strRef else s.tx.v,
                                   'cat': s.cat.strRef.f if s.cat.strRef else s.cat.numRef.f,
                                   'val': s.val.numRef.f} for s in ch.series]})
print(json.dumps({'sheets': wb.sheetnames, 'cells': cells, 'charts': charts,
                  'widthA': ws.column_dimensions['A'].width}))
)",
                                                  {QString::fromStdString(file), QString::number(rows)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
}

QJsonObject Cell(const QJsonObject& book, const char* ref) { return book["cells"].toObject()[ref].toObject(); }

TEST(SpreadsheetExport, WritesTheLayoutFormatsMarkedRowAndChartSheet) {
    TSizeTree tree;
    // Two equal largest sizes: only the first is marked. A 0 MB folder gets a number 0.
    TSizeFolder* top = MakeTree(tree, "/data/top",
                                {{"small", 1.25, 0}, {"=cmd|' /C calc'!A0", 10, 5}, {"zero", 0, 0}, {"tie", 15, 0}});
    ExportSettings s = PinnedSettings();
    s.headerText = QStringLiteral("My\x01 sizes");
    s.numberFormat = QStringLiteral("#,##0.000");
    test::TempDir dir;
    EXPECT_EQ(WriteSpreadsheet(BuildExportRows(*top), s, dir / "sizes.xlsx"), QString());
    const QJsonObject book = ReadBack(dir / "sizes.xlsx", 15);

    EXPECT_EQ(book["sheets"].toArray(), (QJsonArray{"Chart1", "Sheet1"}));
    const std::pair<const char*, QJsonValue> values[] = {
        {"A1", "My sizes"}, {"C1", "Tue, 05 Mar 24"}, {"A3", "Size list of Folder: "}, {"A4", "/data/top"},
        {"B6", "Cumulated size"}, {"C6", "Size of files"}, {"B7", "in MB"}, {"C7", "in MB"},
        {"A9", "small"}, {"B9", 1.25}, {"C9", 1.25},
        {"A10", "=cmd|' /C calc'!A0"}, {"B10", 15}, {"C10", 10},
        {"A11", "zero"}, {"B11", 0}, {"C11", 0}, {"A12", "tie"}, {"B12", 15},
        {"A13", QJsonValue::Null}, {"A14", QJsonValue::Null},
        {"A15", "Summary"}, {"B15", 31.25}, {"C15", 26.25}, {"D15", QJsonValue::Null}};
    for (const auto& [ref, v] : values) EXPECT_EQ(Cell(book, ref)["v"], v) << ref;
    EXPECT_EQ(Cell(book, "A10")["type"], "s");  // text, never a formula
    EXPECT_EQ(Cell(book, "B11")["type"], "n");

    for (const char* ref : {"A1", "D1", "B2", "A4", "D7"}) {
        EXPECT_TRUE(Cell(book, ref)["bold"].toBool()) << ref;
        EXPECT_EQ(Cell(book, ref)["fill"], "FFCCFFFF") << ref;
        EXPECT_EQ(Cell(book, ref)["valign"], "center") << ref;
    }
    EXPECT_TRUE(Cell(book, "A4")["wrap"].toBool());
    EXPECT_FALSE(Cell(book, "A3")["wrap"].toBool());
    for (const char* ref : {"A10", "B10", "C10", "D10"}) {
        EXPECT_EQ(Cell(book, ref)["font"], "FFFF0000") << ref;
        EXPECT_EQ(Cell(book, ref)["fill"], "FFFFFF00") << ref;
    }
    EXPECT_EQ(Cell(book, "A12")["fill"], QJsonValue::Null);
    EXPECT_EQ(Cell(book, "B9")["fmt"], "#,##0.000");
    EXPECT_EQ(Cell(book, "C15")["fmt"], "#,##0.000");
    EXPECT_TRUE(Cell(book, "A15")["bold"].toBool());
    EXPECT_TRUE(Cell(book, "B15")["bold"].toBool());
    EXPECT_GE(book["widthA"].toDouble(), 18);  // fits the longest name

    const QJsonArray charts = book["charts"].toArray();
    ASSERT_EQ(charts.size(), 1);
    const QJsonObject chart = charts[0].toObject();
    EXPECT_EQ(chart["sheet"], "Chart1");
    EXPECT_EQ(chart["type"], "barChart");  // columns are a bar chart with vertical bars
    EXPECT_EQ(chart["title"], "Foldersize in:\n/data/top");
    const QJsonArray series = chart["series"].toArray();
    ASSERT_EQ(series.size(), 2);
    EXPECT_EQ(series[0].toObject()["name"], "Cumulated Size / MB");
    EXPECT_EQ(series[0].toObject()["cat"], "Sheet1!$A$9:$A$12");
    EXPECT_EQ(series[0].toObject()["val"], "Sheet1!$B$9:$B$12");
    EXPECT_EQ(series[1].toObject()["name"], "Size of files / MB");
    EXPECT_EQ(series[1].toObject()["val"], "Sheet1!$C$9:$C$12");
}

TEST(SpreadsheetExport, WithoutRowsLeavesTheChartOutAndMarksRowEight) {
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/empty", {});
    test::TempDir dir;
    WriteSpreadsheet(BuildExportRows(*top), PinnedSettings(), dir / "empty.xlsx");
    const QJsonObject book = ReadBack(dir / "empty.xlsx", 11);
    EXPECT_EQ(book["sheets"].toArray(), QJsonArray{"Sheet1"});
    EXPECT_EQ(Cell(book, "A11")["v"], "Summary");
    EXPECT_EQ(Cell(book, "B11")["v"], 0);
    EXPECT_EQ(Cell(book, "A8")["fill"], "FFFFFF00");
}

TEST(SpreadsheetExport, AnInvalidNumberFormatFallsBackWithAMessage) {
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/t", {{"a", 1, 0}});
    ExportSettings s = PinnedSettings();
    s.numberFormat = QStringLiteral("0.00\"unclosed");
    test::TempDir dir;
    const QString warning = WriteSpreadsheet(BuildExportRows(*top), s, dir / "f.xlsx");
    EXPECT_EQ(warning, QStringLiteral("The number format \"0.00\"unclosed\" is not valid; \"0.00\" is used instead."));
    EXPECT_EQ(Cell(ReadBack(dir / "f.xlsx", 9), "B9")["fmt"], "0.00");
}

TEST(NumberFormat, AcceptsNumberAndDateCodesOnly) {
    for (const char* ok : {"0.00", "#,##0.00", "0,00", "#.##0,00", "0.00E+00", "General", "[Red]0.00;-0.00",
                           "0.00\" MB\"", "0.0_);(0.0)", "dd/mm/yyyy", "\\#0"})
        EXPECT_TRUE(IsValidNumberFormat(QString::fromLatin1(ok))) << ok;
    for (const char* bad : {"", "0.00\"x", "[Red0.00", "0;0;0;0;0", "0.00\\", "xyz", "0\x01"})
        EXPECT_FALSE(IsValidNumberFormat(QString::fromLatin1(bad))) << bad;
}

TEST(SpreadsheetExport, AFailedSaveIsReportedAndKeepsTheOldFile) {
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/t", {{"a", 1, 0}});
    test::TempDir dir;
    EXPECT_THROW(WriteSpreadsheet(BuildExportRows(*top), PinnedSettings(), dir / "none/f.xlsx"), ExportError);
    const std::string old = dir.write("old.xlsx", "old");
    ::chmod(old.c_str(), 0444);
    EXPECT_THROW(WriteSpreadsheet(BuildExportRows(*top), PinnedSettings(), old), ExportError);
    EXPECT_EQ(test::ReadFile(old), "old");
}

}  // namespace
}  // namespace vantum::exporting
