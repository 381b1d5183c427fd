#include "export/spreadsheet_export.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <algorithm>
#include <array>

#include "export/export_error.h"
#include "export/export_texts.h"
#include "export/number_format.h"
#include "export/output_file.h"

namespace vantum::exporting {
namespace {

// Excel's standard palette: index 34 light turquoise, 3 red, 6 yellow.
constexpr lxw_color_t kHeaderFill = 0xCCFFFF;
constexpr lxw_color_t kMarkFont = 0xFF0000;
constexpr lxw_color_t kMarkFill = 0xFFFF00;
constexpr double kMaxColumnWidth = 100;
constexpr qsizetype kMaxCellChars = 32767;  // the format's limit of a cell text

// Text for a cell: valid UTF-8, no control characters, within the cell limit.
std::string CellText(const QString& text) {
    QString t = WithoutControls(text);
    if (t.size() > kMaxCellChars) t.truncate(kMaxCellChars);
    return t.toUtf8().toStdString();
}

// Closes the workbook when an error leaves early.
struct WorkbookGuard {
    lxw_workbook* wb;
    ~WorkbookGuard() {
        if (wb) workbook_close(wb);
    }
};

void Check(lxw_error err, const std::string& what) {
    if (err != LXW_NO_ERROR) throw ExportError("Cannot write the spreadsheet (" + what + "): " + lxw_strerror(err));
}

class SheetWriter {
public:
    SheetWriter(lxw_workbook* wb, lxw_worksheet* ws, const std::string& numberFormat) : ws_(ws) {
        header_ = workbook_add_format(wb);
        format_set_bold(header_);
        format_set_bg_color(header_, kHeaderFill);
        format_set_align(header_, LXW_ALIGN_VERTICAL_CENTER);
        headerWrap_ = workbook_add_format(wb);
        format_set_bold(headerWrap_);
        format_set_bg_color(headerWrap_, kHeaderFill);
        format_set_align(headerWrap_, LXW_ALIGN_VERTICAL_CENTER);
        format_set_text_wrap(headerWrap_);
        number_ = workbook_add_format(wb);
        format_set_num_format(number_, numberFormat.c_str());
        mark_ = workbook_add_format(wb);
        format_set_font_color(mark_, kMarkFont);
        format_set_bg_color(mark_, kMarkFill);
        markNumber_ = workbook_add_format(wb);
        format_set_font_color(markNumber_, kMarkFont);
        format_set_bg_color(markNumber_, kMarkFill);
        format_set_num_format(markNumber_, numberFormat.c_str());
        bold_ = workbook_add_format(wb);
        format_set_bold(bold_);
        boldNumber_ = workbook_add_format(wb);
        format_set_bold(boldNumber_);
        format_set_num_format(boldNumber_, numberFormat.c_str());
    }

    // Row and column as the spreadsheet numbers them (1-based rows, column 'A'..'D').
    void Text(int row, char col, const std::string& text, lxw_format* f) {
        Widen(col, static_cast<double>(QString::fromUtf8(text.c_str()).size()));
        if (text.empty())
            Check(worksheet_write_blank(ws_, Row(row), Col(col), f), "cell");
        else
            Check(worksheet_write_string(ws_, Row(row), Col(col), text.c_str(), f), "cell");
    }
    void Number(int row, char col, double v, lxw_format* f) {
        Widen(col, 3 + static_cast<double>(QString::number(v, 'f', 2).size()));
        Check(worksheet_write_number(ws_, Row(row), Col(col), v, f), "cell");
    }
    void Blank(int row, char col, lxw_format* f) { Check(worksheet_write_blank(ws_, Row(row), Col(col), f), "cell"); }
    void FitColumns() {
        for (int c = 0; c < 4; ++c)
            if (width_[c] > 0)
                worksheet_set_column(ws_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                     std::min(width_[c] + 1, kMaxColumnWidth), nullptr);
    }
    void NoWiden(bool on) { noWiden_ = on; }

    lxw_format *header_, *headerWrap_, *number_, *mark_, *markNumber_, *bold_, *boldNumber_;

private:
    static lxw_row_t Row(int row) { return static_cast<lxw_row_t>(row - 1); }
    static lxw_col_t Col(char col) { return static_cast<lxw_col_t>(col - 'A'); }
    void Widen(char col, double chars) {
        if (!noWiden_) width_[col - 'A'] = std::max(width_[col - 'A'], chars);
    }

    lxw_worksheet* ws_;
    std::array<double, 4> width_{};
    bool noWiden_ = false;
};

}  // namespace

QString WriteSpreadsheet(const ExportRows& rows, const ExportSettings& s, const std::string& target) {
    QString warning;
    QString numberFormat = s.numberFormat;
    if (!IsValidNumberFormat(numberFormat)) {
        warning = QStringLiteral("The number format \"%1\" is not valid; \"%2\" is used instead.")
                      .arg(WithoutControls(numberFormat), QString::fromLatin1(kDefaultNumberFormat));
        numberFormat = QString::fromLatin1(kDefaultNumberFormat);
    }

    // libxlsxwriter writes to a file name of its own; the result is then saved in one piece.
    QTemporaryFile temp(QDir::tempPath() + QStringLiteral("/vantum-xlsx-XXXXXX.xlsx"));
    if (!temp.open()) throw ExportError("Cannot create a temporary file: " + temp.errorString().toStdString());
    const QByteArray tempName = QFile::encodeName(temp.fileName());

    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    WorkbookGuard guard{workbook_new_opt(tempName.constData(), &options)};
    if (!guard.wb) throw ExportError("Cannot create the workbook");
    const int n = static_cast<int>(rows.rows.size());
    lxw_chartsheet* chartSheet = n > 0 ? workbook_add_chartsheet(guard.wb, "Chart1") : nullptr;
    lxw_worksheet* ws = workbook_add_worksheet(guard.wb, "Sheet1");
    if (!ws || (n > 0 && !chartSheet)) throw ExportError("Cannot create the workbook's sheets");
    SheetWriter w(guard.wb, ws, CellText(numberFormat));

    // Header block A1:D7: bold, light turquoise, centred vertically; the path row wraps.
    const std::string header = CellText(s.headerText);
    const std::string path = CellText(DisplayText(rows.folderPath));
    const std::string block[7][4] = {
        {header, "", CellText(FormatExportDate(s.now, s.locale)), ""},
        {"", "", "", ""},
        {"Size list of Folder: ", "", "", ""},
        {path, "", "", ""},
        {"", "", "", ""},
        {"", "Cumulated size", "Size of files", ""},
        {"", "in MB", "in MB", ""},
    };
    for (int r = 0; r < 7; ++r) {
        // The header, the date and the wrapped path do not set the column widths.
        w.NoWiden(r == 0 || r == 3);
        for (int c = 0; c < 4; ++c) w.Text(r + 1, static_cast<char>('A' + c), block[r][c], r == 3 ? w.headerWrap_ : w.header_);
    }
    w.NoWiden(false);

    const int marked = rows.largest < 0 ? 8 : 9 + rows.largest;
    for (int c = 0; c < 4; ++c)
        if (marked == 8) w.Blank(8, static_cast<char>('A' + c), c == 0 ? w.mark_ : w.markNumber_);
    for (int i = 0; i < n; ++i) {
        const ExportRow& r = rows.rows[static_cast<size_t>(i)];
        const int row = 9 + i;
        const bool mark = row == marked;
        w.Text(row, 'A', CellText(DisplayText(r.name)), mark ? w.mark_ : nullptr);
        w.Number(row, 'B', r.cumulatedSize, mark ? w.markNumber_ : w.number_);
        w.Number(row, 'C', r.filesSize, mark ? w.markNumber_ : w.number_);
        if (mark) w.Blank(row, 'D', w.markNumber_);
    }
    w.Text(11 + n, 'A', "Summary", w.bold_);
    w.Number(11 + n, 'B', static_cast<double>(rows.cumulatedTotal), w.boldNumber_);
    w.Number(11 + n, 'C', static_cast<double>(rows.filesTotal), w.boldNumber_);
    w.FitColumns();

    if (n > 0) {
        lxw_chart* chart = workbook_add_chart(guard.wb, LXW_CHART_COLUMN);
        const std::string last = std::to_string(8 + n);
        const std::string categories = "=Sheet1!$A$9:$A$" + last;
        lxw_chart_series* cumulated = chart_add_series(chart, categories.c_str(), ("=Sheet1!$B$9:$B$" + last).c_str());
        lxw_chart_series* files = chart_add_series(chart, categories.c_str(), ("=Sheet1!$C$9:$C$" + last).c_str());
        if (!cumulated || !files) throw ExportError("Cannot create the chart");
        chart_series_set_name(cumulated, "Cumulated Size / MB");
        chart_series_set_name(files, "Size of files / MB");
        const std::string title = "Foldersize in:\n" + path;
        chart_title_set_name(chart, title.c_str());
        Check(chartsheet_set_chart(chartSheet, chart), "chart");
        chartsheet_activate(chartSheet);
    }

    lxw_workbook* wb = guard.wb;
    guard.wb = nullptr;
    Check(workbook_close(wb), "save");

    QFile written(temp.fileName());
    if (!written.open(QIODevice::ReadOnly)) throw ExportError("Cannot read the workbook back: " + written.errorString().toStdString());
    SaveWhole(target, written.readAll().toStdString());
    return warning;
}

}  // namespace vantum::exporting
