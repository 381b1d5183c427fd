#pragma once
// The export dialog ("Export charts"): header text, HTML colours and font sizes, the
// spreadsheet number format and the CSV delimiter; "Export" asks for a file and writes it
// with the writer of the chosen type. It stays open for several exports; "Exit" closes it.
// The colours and font sizes are read from the settings when it is created and written back
// when it is destroyed.

#include <QDialog>
#include <functional>
#include <string>

#include "gui/prompts.h"
#include "export/export_settings.h"
#include "export/html_report.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace vantum {
class TSizeFolder;
}

namespace vantum::exporting {

// The save dialog's file types, in the order of the export dispatch.
inline constexpr const char* kExportFilter =
    "Excel file (*.xlsx)|*.xlsx|Web page (*.html)|*.html|Comma seperated file (*.csv)|*.csv|Text file (*.txt)|*.txt";

class TExport_Form : public QDialog {
    Q_OBJECT
public:
    using Opener = std::function<void(const std::string& file)>;
    // folder and pictures as the window had them when the command was given; opener shows a
    // written report or workbook in the desktop's program for it.
    TExport_Form(TSizeFolder* folder, ChartPictures pictures, Prompts& prompts, std::string settingsPath,
                 Opener opener, QWidget* parent = nullptr);
    ~TExport_Form() override;

    // The settings of the next export, from the controls.
    ExportSettings CurrentSettings() const;
    // Writes file as type (1 spreadsheet, 2 HTML, 3 CSV, 4 text); a failure is shown.
    bool ExportTo(int type, const std::string& file);

    QPlainTextEdit* Memo1;
    QLineEdit* Edit;
    QPushButton* Panel1;  // text colour
    QPushButton* Panel3;  // link colour
    QPushButton* Panel2;  // background colour
    QLineEdit* Fontsizeedit;
    QToolButton* UpDown1Up;
    QToolButton* UpDown1Down;
    QLineEdit* HeadFontSize;
    QToolButton* UpDown2Up;
    QToolButton* UpDown2Down;
    QLineEdit* EdEx;
    QLineEdit* EdCSVDel;
    QPushButton* SpeedButton2;  // Export
    QPushButton* SpeedButton1;  // Exit

    void SpeedButton2Click();

private:
    // An up/down arrow pair with its own counter: a step outside [min, max] does nothing.
    struct Counter {
        int min, max, pos;
    };
    void Step(Counter& counter, int delta, QLineEdit* edit, QString& inUse);
    void PickColour(QPushButton* swatch);
    void ReadSettings();
    void WriteSettings();

    TSizeFolder* folder_;
    ChartPictures pictures_;
    Prompts& prompts_;
    std::string settingsPath_;
    Opener opener_;
    Counter upDown1_{0, 8, 1}, upDown2_{0, 9, 2};
    QString bodyFontSize_, headFontSize_;
};

// Colour of a swatch.
QColor SwatchColour(const QPushButton* swatch);
// The writer for a chosen file: the one its extension names (.xlsx, .html, .csv, .txt and
// their short forms), else the one of the chosen file type, so that "sizes.csv" typed with
// the spreadsheet type selected gives a CSV file and not a workbook under a CSV name.
int ExportTypeOf(const QString& file, int filterIndex);

}  // namespace vantum::exporting
