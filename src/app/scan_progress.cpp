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
    return escape_.TakeAbortRequest() || stopped_;
}

void ScanProgressSink::Idle() { MaybePump(); }

void ScanProgressSink::Reset() {
    Flush();
    stopped_ = false;
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
