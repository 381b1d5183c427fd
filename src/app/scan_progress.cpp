#include "app/scan_progress.h"

#include <QCoreApplication>

#include "app/escape_watcher.h"
#include "app/gauge_status.h"

namespace vantum::app {

ScanProgressSink::ScanProgressSink(GaugeStatus& status, EscapeWatcher& escape) : status_(status), escape_(escape) {}

void ScanProgressSink::SizeProgress(int position) { status_.SetPosition(position); }

void ScanProgressSink::SizeRange(int maximum) { status_.SetRange(maximum); }

void ScanProgressSink::ScanCount(int folders) {
    status_.SetPanel(1, QString::number(folders) + QStringLiteral(" Directories"));
    MaybePump();
}

void ScanProgressSink::ScanPercent(int percent) {
    status_.SetPosition(percent);
    MaybePump();
}

bool ScanProgressSink::AbortRequested() {
    MaybePump();
    return escape_.TakeAbortRequest() || stopped_;
}

void ScanProgressSink::Idle() { MaybePump(); }

void ScanProgressSink::Reset() {
    stopped_ = false;
    sincePump_.invalidate();
}

void ScanProgressSink::Pump() {
    QCoreApplication::processEvents();
    sincePump_.start();
}

void ScanProgressSink::MaybePump() {
    if (!sincePump_.isValid() || sincePump_.elapsed() >= kPumpIntervalMs) Pump();
}

}  // namespace vantum::app
