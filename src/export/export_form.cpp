#include "export/export_form.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/size_tree.h"
#include "export/colour_text.h"
#include "export/csv_export.h"
#include "export/export_error.h"
#include "export/export_rows.h"
#include "export/spreadsheet_export.h"
#include "export/number_format.h"
#include "export/text_export.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"

namespace vantum::exporting {
namespace {

const QColor kFormColour(153, 204, 255);

void SetSwatch(QPushButton* swatch, const QColor& c) {
    swatch->setProperty("colour", c);
    swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;").arg(c.name()));
}

QColor ReadColour(const settings::IniFile& ini, const settings::Setting<settings::Text>& key) {
    if (ini.ValueExists(key.section, key.key))
        if (auto c = ColourFromText(ini.ReadString(key.section, key.key, ""))) return *c;
    return ColourFromRrggbb(std::string(key.def));
}

QToolButton* Arrow(Qt::ArrowType type, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setArrowType(type);
    b->setAutoRepeat(true);
    return b;
}

}  // namespace

QColor SwatchColour(const QPushButton* swatch) { return swatch->property("colour").value<QColor>(); }

int ExportTypeOf(const QString& file, int filterIndex) {
    const QString ext = QFileInfo(file).suffix().toLower();
    if (ext == QLatin1String("xlsx") || ext == QLatin1String("xls")) return 1;
    if (ext == QLatin1String("html") || ext == QLatin1String("htm")) return 2;
    if (ext == QLatin1String("csv")) return 3;
    if (ext == QLatin1String("txt")) return 4;
    return filterIndex;
}

TExport_Form::TExport_Form(TSizeFolder* folder, ChartPictures pictures, Prompts& prompts, std::string settingsPath,
                           Opener opener, QWidget* parent)
    : QDialog(parent),
      folder_(folder),
      pictures_(std::move(pictures)),
      prompts_(prompts),
      settingsPath_(std::move(settingsPath)),
      opener_(std::move(opener)) {
    setObjectName(QStringLiteral("Export_Form"));
    setWindowTitle(QStringLiteral("Export charts"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kFormColour);
    setPalette(pal);

    auto named = [](auto* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    Memo1 = named(new QPlainTextEdit(this), "Memo1");
    Memo1->setPlainText(QStringLiteral("Adjust your preferences and press \"save\" \n"
                                       "button to export the charts into several formats like: \n"
                                       "Weg Page (*.html), Excel Sheet (*.xls), Comma \n"
                                       "seperated file (.csv) or text."));
    QPalette memoPal = Memo1->palette();
    memoPal.setColor(QPalette::Base, kFormColour);
    Memo1->setPalette(memoPal);
    Memo1->setMaximumHeight(90);

    Edit = named(new QLineEdit(QStringLiteral("Vantum folder size"), this), "Edit");
    Panel1 = named(new QPushButton(this), "Panel1");
    Panel3 = named(new QPushButton(this), "Panel3");
    Panel2 = named(new QPushButton(this), "Panel2");
    Fontsizeedit = named(new QLineEdit(this), "Fontsizeedit");
    HeadFontSize = named(new QLineEdit(this), "HeadFontSize");
    UpDown1Up = named(Arrow(Qt::UpArrow, this), "UpDown1Up");
    UpDown1Down = named(Arrow(Qt::DownArrow, this), "UpDown1Down");
    UpDown2Up = named(Arrow(Qt::UpArrow, this), "UpDown2Up");
    UpDown2Down = named(Arrow(Qt::DownArrow, this), "UpDown2Down");
    EdEx = named(new QLineEdit(QString::fromLatin1(kDefaultNumberFormat), this), "EdEx");
    EdCSVDel = named(new QLineEdit(QStringLiteral(";"), this), "EdCSVDel");
    SpeedButton2 = named(new QPushButton(QStringLiteral("Export"), this), "SpeedButton2");
    SpeedButton1 = named(new QPushButton(QStringLiteral("Exit"), this), "SpeedButton1");
    SpeedButton2->setDefault(true);

    // What the keys of a number format and a delimiter can give; pasted text is held to it too.
    for (QLineEdit* e : {Fontsizeedit, HeadFontSize})
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,3}")), e));
    EdEx->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0#.,]*")), EdEx));
    EdCSVDel->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[,;|\t]?")), EdCSVDel));
    EdCSVDel->setMaxLength(1);
    for (QPushButton* p : {Panel1, Panel3, Panel2}) {
        p->setFixedSize(48, 22);
        p->setCursor(Qt::PointingHandCursor);
        connect(p, &QPushButton::clicked, this, [this, p] { PickColour(p); });
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1);
    auto* headerRow = new QHBoxLayout;
    headerRow->addWidget(new QLabel(QStringLiteral("Your haeader text"), this));
    headerRow->addWidget(Edit, 1);
    layout->addLayout(headerRow);

    auto* html = new QGroupBox(QStringLiteral("HTML Settings"), this);
    auto* grid = new QGridLayout(html);
    grid->addWidget(new QLabel(QStringLiteral("Font"), html), 0, 0);
    grid->addWidget(Panel1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Link"), html), 1, 0);
    grid->addWidget(Panel3, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Background"), html), 2, 0);
    grid->addWidget(Panel2, 2, 1);
    auto sizeRow = [&](int row, QLineEdit* edit, QToolButton* up, QToolButton* down) {
        edit->setMaximumWidth(48);
        grid->addWidget(new QLabel(QStringLiteral("Font size"), html), row, 2);
        grid->addWidget(edit, row, 3);
        auto* arrows = new QVBoxLayout;
        arrows->setSpacing(0);
        up->setFixedSize(18, 11);
        down->setFixedSize(18, 11);
        arrows->addWidget(up);
        arrows->addWidget(down);
        grid->addLayout(arrows, row, 4);
    };
    sizeRow(0, Fontsizeedit, UpDown1Up, UpDown1Down);
    sizeRow(1, HeadFontSize, UpDown2Up, UpDown2Down);
    layout->addWidget(html);

    auto* formats = new QHBoxLayout;
    auto* excel = new QGroupBox(QStringLiteral("Excel format number string"), this);
    (new QVBoxLayout(excel))->addWidget(EdEx);
    auto* csv = new QGroupBox(QStringLiteral("CSV delimiter (\",\" or \";\")"), this);
    (new QVBoxLayout(csv))->addWidget(EdCSVDel);
    formats->addWidget(excel);
    formats->addWidget(csv);
    layout->addLayout(formats);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(SpeedButton2);
    buttons->addWidget(SpeedButton1);
    layout->addLayout(buttons);

    connect(UpDown1Up, &QToolButton::clicked, this, [this] { Step(upDown1_, +1, Fontsizeedit, bodyFontSize_); });
    connect(UpDown1Down, &QToolButton::clicked, this, [this] { Step(upDown1_, -1, Fontsizeedit, bodyFontSize_); });
    connect(UpDown2Up, &QToolButton::clicked, this, [this] { Step(upDown2_, +1, HeadFontSize, headFontSize_); });
    connect(UpDown2Down, &QToolButton::clicked, this, [this] { Step(upDown2_, -1, HeadFontSize, headFontSize_); });
    connect(SpeedButton2, &QPushButton::clicked, this, &TExport_Form::SpeedButton2Click);
    connect(SpeedButton1, &QPushButton::clicked, this, &QDialog::accept);

    ReadSettings();
}

TExport_Form::~TExport_Form() { WriteSettings(); }

void TExport_Form::ReadSettings() {
    settings::IniFile ini(settingsPath_);
    SetSwatch(Panel1, ReadColour(ini, settings::key::HtmlFontColor));
    SetSwatch(Panel3, ReadColour(ini, settings::key::HtmlLinkColor));
    SetSwatch(Panel2, ReadColour(ini, settings::key::HtmlBackgroundColor));
    bodyFontSize_ = QString::fromStdString(settings::Read(ini, settings::key::HtmlFontSize));
    headFontSize_ = QString::fromStdString(settings::Read(ini, settings::key::HtmlHeadFontSize));
    Fontsizeedit->setText(bodyFontSize_);
    HeadFontSize->setText(headFontSize_);
}

void TExport_Form::WriteSettings() {
    settings::IniFile ini(settingsPath_);
    settings::Write(ini, settings::key::HtmlFontColor, ColourToText(SwatchColour(Panel1)));
    settings::Write(ini, settings::key::HtmlLinkColor, ColourToText(SwatchColour(Panel3)));
    settings::Write(ini, settings::key::HtmlBackgroundColor, ColourToText(SwatchColour(Panel2)));
    settings::Write(ini, settings::key::HtmlFontSize, bodyFontSize_.toStdString());
    settings::Write(ini, settings::key::HtmlHeadFontSize, headFontSize_.toStdString());
    // A settings file that cannot be written keeps its old values; the dialog is closing.
    ini.Save();
}

void TExport_Form::Step(Counter& counter, int delta, QLineEdit* edit, QString& inUse) {
    const int next = counter.pos + delta;
    if (next < counter.min || next > counter.max) return;
    counter.pos = next;
    edit->setText(QString::number(edit->text().toInt() + delta));
    inUse = edit->text();
}

void TExport_Form::PickColour(QPushButton* swatch) {
    if (auto c = prompts_.PickColor(SwatchColour(swatch))) SetSwatch(swatch, *c);
}

ExportSettings TExport_Form::CurrentSettings() const {
    ExportSettings s;
    s.headerText = Edit->text();
    s.csvDelimiter = EdCSVDel->text();
    s.numberFormat = EdEx->text();
    s.textColour = SwatchColour(Panel1);
    s.linkColour = SwatchColour(Panel3);
    s.backgroundColour = SwatchColour(Panel2);
    s.bodyFontSize = bodyFontSize_;
    s.headFontSize = headFontSize_;
    return s;
}

void TExport_Form::SpeedButton2Click() {
    const auto choice = prompts_.SaveFile(QString(), QString::fromLatin1(kExportFilter), QStringLiteral("xlsx"),
                                          QString(), QString(), true);
    if (!choice) return;
    ExportTo(ExportTypeOf(choice->path, choice->filterIndex), QFile::encodeName(choice->path).toStdString());
}

bool TExport_Form::ExportTo(int type, const std::string& file) {
    if (!folder_) return false;
    const ExportRows rows = BuildExportRows(*folder_);
    const ExportSettings s = CurrentSettings();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        QString warning;
        switch (type) {
        case 1: warning = WriteSpreadsheet(rows, s, file); break;
        case 2: WriteHtmlReport(rows, s, pictures_, file); break;
        case 3: WriteCsvExport(rows, s, file); break;
        default: WriteTextExport(rows, s, file); break;
        }
        QApplication::restoreOverrideCursor();
        if (!warning.isEmpty()) prompts_.Message(warning, Prompts::Kind::Warning);
    } catch (const ExportError& e) {
        QApplication::restoreOverrideCursor();
        prompts_.Message(QString::fromLocal8Bit(e.what()), Prompts::Kind::Error);
        return false;
    }
    if ((type == 1 || type == 2) && opener_) opener_(file);
    return true;
}

}  // namespace vantum::exporting
