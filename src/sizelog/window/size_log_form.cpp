#include "sizelog/window/size_log_form.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLocale>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "gui/prompts.h"
#include "sizelog/size_log.h"
#include "sizelog/window/stacked_chart.h"

namespace vantum::sizelog {

namespace {

const QColor kUsedColor(0, 0, 255);      // blue
const QColor kFreeColor(255, 0, 255);    // fuchsia
constexpr double kMB = 1024.0 * 1024.0;

const char* const kClearQuestion =
    "Do you realy want to delete all entries of your log file?\r\nIf you proceed all entries will be lost.\r\n"
    "Do you want to proceed?";
const char* const kHalveQuestion =
    "This will delete every second entry in the size log file.\r\nThe process is inreversible. Do you really "
    "want to proceed?";

QButtonGroup* RadioGroup(QWidget* owner, QBoxLayout* into, const QString& caption, const QStringList& items,
                         int checked, const char* name) {
    auto* box = new QGroupBox(caption, owner);
    box->setObjectName(QString::fromLatin1(name));
    auto* lay = new QHBoxLayout(box);
    auto* group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        group->addButton(b, i);
        lay->addWidget(b);
        b->setChecked(i == checked);
    }
    into->addWidget(box);
    return group;
}

QString Grouped(double value) { return QLocale().toString(value, 'f', 0); }

}  // namespace

TSizeLogForm::TSizeLogForm(Prompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("TSizeLogForm"));
    setWindowTitle(QStringLiteral("Disk size logger"));
    resize(760, 520);
    auto* outer = new QVBoxLayout(this);

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* clear = bar->addAction(QStringLiteral("Clear log file"), this, [this] { ClearLog(); });
    clear->setObjectName(QStringLiteral("ToolButton1"));
    clear->setToolTip(QStringLiteral("This clears the log file\r\nNo entry will be visible\r\nanymore"));
    auto* halve = bar->addAction(QStringLiteral("Half log file entries"), this, [this] { HalveLog(); });
    halve->setObjectName(QStringLiteral("butHalfLogFile"));
    halve->setToolTip(QStringLiteral("Once too many log entries slow down the \r\nprogress or blur the picture, you "
                                     "can delete\r\nevery second log entry in order to keep the\r\ntrend, but half "
                                     "the log file size"));
    auto* close = bar->addAction(QStringLiteral("close"), this, &QDialog::accept);
    close->setObjectName(QStringLiteral("ToolButton3"));
    close->setToolTip(QStringLiteral("Close Form"));
    outer->addWidget(bar);

    pages_ = new QTabWidget(this);
    outer->addWidget(pages_, 1);

    auto* page1 = new QWidget(pages_);
    page1->setToolTip(QStringLiteral("Vantu add a disk stats entry every time\r\nit runs. This tool shows the trend of "
                                     "your \r\nhard disk space consumption.\r\n\r\nOnly one entry will be made per day"));
    auto* l1 = new QVBoxLayout(page1);
    chart1_ = new StackedChart(StackedChart::Style::Areas, page1);
    chart1_->setObjectName(QStringLiteral("Chart1"));
    chart1_->SetTitle(QStringLiteral("Hard disk utilization log, cumulated over all drives (one log per day)"));
    chart1_->SetAxisTitle(QStringLiteral("Size in MB"));
    l1->addWidget(chart1_, 1);
    auto* controls = new QHBoxLayout;
    rgscale_ = RadioGroup(page1, controls, {}, {QStringLiteral("Autoscale"), QStringLiteral("Full size")}, Autoscale,
                          "rgscale");
    cbMarks_ = new QCheckBox(QStringLiteral("Show labels"), page1);
    cbMarks_->setObjectName(QStringLiteral("cbMarks"));
    controls->addWidget(cbMarks_);
    rgSeriesselect_ = RadioGroup(page1, controls, {},
                                 {QStringLiteral("Free space"), QStringLiteral("Used space"), QStringLiteral("Both")},
                                 Both, "rgSeriesselect");
    l1->addLayout(controls);
    pages_->addTab(page1, QStringLiteral("Total space consuption"));

    auto* page2 = new QWidget(pages_);
    auto* l2 = new QVBoxLayout(page2);
    chart2_ = new StackedChart(StackedChart::Style::Bars, page2);
    chart2_->setObjectName(QStringLiteral("Chart2"));
    chart2_->SetTitle(QStringLiteral("List all drives"));
    chart2_->SetAxisTitle(QStringLiteral("Size in MB"));
    l2->addWidget(chart2_, 1);
    auto* marks = new QHBoxLayout;
    rgMarks_ = RadioGroup(page2, marks, QStringLiteral("Labels"), {QStringLiteral("Value"), QStringLiteral("Percent")},
                          Percent, "rgMarks");
    marks->addStretch();
    l2->addLayout(marks);
    pages_->addTab(page2, QStringLiteral("Utilization per disk"));

    connect(rgscale_, &QButtonGroup::idClicked, this, [this] { DrawHistory(); });
    connect(rgSeriesselect_, &QButtonGroup::idClicked, this, [this] { DrawHistory(); });
    connect(cbMarks_, &QCheckBox::toggled, this, [this] { DrawHistory(); });
    connect(rgMarks_, &QButtonGroup::idClicked, this, [this] { DrawDrives(); });
}

void TSizeLogForm::SetDrives(std::vector<std::string> drives, SpaceQuery query) {
    drives_ = std::move(drives);
    query_ = std::move(query);
}

void TSizeLogForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    DrawHistory();
}

void TSizeLogForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) DrawHistory();
}

void TSizeLogForm::DrawHistory() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int select = rgSeriesselect_->checkedId();
    const bool wantUsed = select == UsedOnly || select == Both;
    const bool wantFree = select == FreeOnly || select == Both;
    StackedChart::Series used{QStringLiteral("Used space"), kUsedColor, {}};
    StackedChart::Series free{QStringLiteral("Free space"), kFreeColor, {}};
    QStringList labels;
    double m = 0;
    // Whole megabytes, the fraction cut off.
    auto mb = [](std::int64_t bytes) { return std::trunc(double(bytes) / kMB); };
    const std::vector<SizeLogEntry> entries = ReadSizeLog(logPath_);
    for (const SizeLogEntry& e : entries) {
        used.values.push_back(wantUsed ? mb(e.used) : 0);
        m = std::min(m, used.values.back());
        free.values.push_back(wantFree ? mb(e.free) : 0);
        labels << QString::fromStdString(e.day);
    }
    // One day alone is drawn as a band: a second, unlabelled point with the same values.
    if (entries.size() == 1) {
        for (StackedChart::Series* s : {&used, &free})
            if (s->values[0] > 0) s->values.push_back(s->values[0]);
        labels << QString();
    }
    chart1_->SetData({used, free}, labels);
    if (cbMarks_->isChecked())
        chart1_->SetLabelFormat([](int, int, double v) { return Grouped(v) + QStringLiteral(" MB"); });
    else
        chart1_->SetLabelFormat({});
    chart1_->SetAxisMinimum(rgscale_->checkedId() == FullSize ? std::optional<double>(m) : std::nullopt);
    DrawDrives();
    QApplication::restoreOverrideCursor();
}

void TSizeLogForm::DrawDrives() {
    StackedChart::Series used{QStringLiteral("Utilized"), kUsedColor, {}};
    StackedChart::Series free{QStringLiteral("Free"), kFreeColor, {}};
    QStringList labels;
    for (const std::string& drive : drives_) {
        // A drive that cannot be queried is left out rather than drawn with made-up figures.
        const std::optional<DriveSpace> space = query_ ? query_(drive) : std::nullopt;
        if (!space) continue;
        used.values.push_back(double(space->used()) / kMB);
        free.values.push_back(double(space->avail) / kMB);
        labels << QString::fromStdString(drive);
    }
    double totals[2] = {0, 0};
    for (double v : used.values) totals[0] += v;
    for (double v : free.values) totals[1] += v;
    chart2_->SetData({used, free}, labels);
    if (rgMarks_->checkedId() == Value) {
        chart2_->SetLabelFormat([](int, int, double v) { return Grouped(v) + QStringLiteral(" MB"); });
    } else {
        chart2_->SetLabelFormat([totals](int s, int, double v) {
            return totals[s] > 0 ? QLocale().toString(100.0 * v / totals[s], 'f', 0) + QStringLiteral(" %")
                                 : QStringLiteral("0 %");
        });
    }
}

void TSizeLogForm::ClearLog() {
    if (prompts_.Ask(QString::fromLatin1(kClearQuestion), Prompts::Buttons::YesCancel, Prompts::Kind::Warning) !=
        Prompts::Answer::Yes)
        return;
    if (SizeLogResult r = ClearSizeLog(logPath_); !r)
        prompts_.Message(QString::fromStdString(r.message), Prompts::Kind::Error);
    DrawHistory();
}

void TSizeLogForm::HalveLog() {
    if (prompts_.Ask(QString::fromLatin1(kHalveQuestion), Prompts::Buttons::YesCancel, Prompts::Kind::Warning) !=
        Prompts::Answer::Yes)
        return;
    if (SizeLogResult r = HalveSizeLog(logPath_); !r)
        prompts_.Message(QString::fromStdString(r.message), Prompts::Kind::Error);
    DrawHistory();
}

}  // namespace vantum::sizelog
