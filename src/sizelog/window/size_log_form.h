#pragma once
// The window "Disk size logger": the history of the log as stacked areas (used below, free on
// top, one point per day), the fixed drives as stacked bars, and the commands that clear the log
// or keep every second entry.

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "sizelog/drive_totals.h"

class QButtonGroup;
class QCheckBox;
class QTabWidget;
class QToolButton;

namespace vantum {
class Prompts;
}

namespace vantum::sizelog {

class StackedChart;

class TSizeLogForm : public QDialog {
    Q_OBJECT
public:
    enum Scale { Autoscale = 0, FullSize = 1 };
    enum SeriesSelect { FreeOnly = 0, UsedOnly = 1, Both = 2 };
    enum Marks { Value = 0, Percent = 1 };

    TSizeLogForm(Prompts& prompts, QWidget* parent = nullptr);

    // Handed over before the window is shown.
    void SetLogPath(const std::string& path) { logPath_ = path; }
    void SetDrives(std::vector<std::string> drives, SpaceQuery query = QueryDriveSpace);

    // The history chart from the log (and then the drives' chart).
    void DrawHistory();
    // The drives' chart alone.
    void DrawDrives();
    void ClearLog();
    void HalveLog();

    StackedChart* HistoryChart() const { return chart1_; }
    StackedChart* DriveChart() const { return chart2_; }
    QButtonGroup* ScaleGroup() const { return rgscale_; }
    QButtonGroup* SeriesGroup() const { return rgSeriesselect_; }
    QButtonGroup* MarksGroup() const { return rgMarks_; }
    QCheckBox* ShowLabels() const { return cbMarks_; }
    QTabWidget* Pages() const { return pages_; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Prompts& prompts_;
    std::string logPath_;
    std::vector<std::string> drives_;
    SpaceQuery query_ = QueryDriveSpace;
    QTabWidget* pages_ = nullptr;
    StackedChart* chart1_ = nullptr;
    StackedChart* chart2_ = nullptr;
    QButtonGroup* rgscale_ = nullptr;
    QButtonGroup* rgSeriesselect_ = nullptr;
    QButtonGroup* rgMarks_ = nullptr;
    QCheckBox* cbMarks_ = nullptr;
};

}  // namespace vantum::sizelog
