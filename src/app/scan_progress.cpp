#include "app/scan_progress.h"

#include <QCoreApplication>

#include "app/escape_watcher.h"
#include "app/gauge_status.h"

namespace vantum::app {

ScanProgressSink::ScanProgressSink(GaugeStatus& status, EscapeWatcher& escape) : status_(status), escape_(escape) {}

void ScanProgressSink::SizeProgress(int position) {
    position_ = position;
    MaybePump();
}

void ScanProgressSink::SizeRange(int maximum) {
    Flush();
    status_.SetRange(maximum);
    shownPosition_ = -1;
}

void ScanProgressSink::ScanCount(int folders) {
    status_.SetPanel(1, QString::number(folders) + QStringLiteral(" Directories"));
    MaybePump();
}

void ScanProgressSink::ScanPercent(int percent) {
    position_ = percent;
    MaybePump();
}

bool ScanProgressSink::AbortRequested() {
    MaybePump();
    if (escape_.TakeAbortRequest()) aborted_ = true;
    return aborted_ || stopped_;
}

bool ScanProgressSink::StopPending() {
    // Asked from inside long listings: events are processed so that Escape can arrive, but
    // the request stays for the next AbortRequested.
    MaybePump();
    return stopped_ || aborted_ || escape_.AbortPending();
}

void ScanProgressSink::StepStarted(Step step) {
    status_.SetPanel(1, step == Step::Sizing ? QStringLiteral("Calculate Size") : QStringLiteral("Counting folders"));
    Pump();
}

void ScanProgressSink::Idle() { MaybePump(); }

void ScanProgressSink::Reset() {
    Flush();
    stopped_ = false;
    aborted_ = false;
    position_ = shownPosition_ = -1;
    sincePump_.invalidate();
}

void ScanProgressSink::Flush() {
    if (position_ >= 0 && position_ != shownPosition_) {
        status_.SetPosition(position_);
        shownPosition_ = position_;
    }
}

void ScanProgressSink::Pump() {
    Flush();
    QCoreApplication::processEvents();
    sincePump_.start();
}

void ScanProgressSink::MaybePump() {
    if (!sincePump_.isValid() || sincePump_.elapsed() >= kPumpIntervalMs) Pump();
}

}  // namespace vantum::app
