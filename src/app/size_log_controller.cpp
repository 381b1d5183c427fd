#include "app/size_log_controller.h"

#include <QAction>

#include "gui/prompts.h"
#include "sizelog/size_log.h"
#include "sizelog/window/size_log_form.h"

namespace vantum::app {

SizeLogController::SizeLogController(QAction* action, Prompts& prompts, std::string logPath, QWidget* window)
    : prompts_(prompts), logPath_(std::move(logPath)), window_(window) {
    connect(action, &QAction::triggered, this, &SizeLogController::OpenLog);
}

sizelog::DriveTotals SizeLogController::Measure() const {
    return sizelog::MeasureDrives(source_.list ? source_.list() : std::vector<std::string>{}, source_.query);
}

sizelog::SizeLogResult SizeLogController::WriteEntry(const sizelog::DriveTotals& totals) const {
    return sizelog::WriteSizeLogEntry(logPath_, sizelog::TodayIso(), totals);
}

void SizeLogController::RecordBaseline(bool showGain) {
    showGain_ = showGain;
    gain_.SetBaseline(Measure().free);
}

void SizeLogController::OpenLog() {
    if (form_) {  // already open: bring it up
        form_->raise();
        form_->activateWindow();
        return;
    }
    const std::vector<std::string> drives = source_.list ? source_.list() : std::vector<std::string>{};
    const sizelog::DriveTotals totals = sizelog::MeasureDrives(drives, source_.query);
    // Space freed before this moment is no longer counted at close.
    gain_.SetBaseline(totals.free);
    if (sizelog::SizeLogResult r = WriteEntry(totals); !r)
        prompts_.Message(QString::fromStdString(r.message), Prompts::Kind::Error);
    form_ = new sizelog::TSizeLogForm(prompts_, window_);
    form_->setAttribute(Qt::WA_DeleteOnClose);
    form_->SetLogPath(logPath_);
    form_->SetDrives(drives, source_.query);
    // Modal for the window without a nested event loop.
    form_->open();
}

void SizeLogController::WindowClosing() {
    // A window that was never activated measured nothing and logs nothing.
    if (!gain_.Baseline()) return;
    const sizelog::DriveTotals totals = Measure();
    if (showGain_)
        if (std::optional<std::string> text = gain_.Report(totals.free))
            prompts_.Message(QString::fromStdString(*text), Prompts::Kind::Information);
    // The program is closing: a log that cannot be written is not worth holding the user up.
    WriteEntry(totals);
}

}  // namespace vantum::app
