#pragma once
// The progress sink of the window's long tree operations: moves the gauge, writes the folder
// count, answers the abort question from the Escape watcher, and lets the window process its
// events now and then so that it keeps painting.

#include <QElapsedTimer>

#include "core/progress.h"

namespace vantum::app {

class EscapeWatcher;
class GaugeStatus;

class ScanProgressSink : public ProgressSink {
public:
    // Events are processed at most this often; often enough for a smooth gauge and a quick
    // Escape, rare enough to cost the scan next to nothing.
    inline static constexpr int kPumpIntervalMs = 15;

    ScanProgressSink(GaugeStatus& status, EscapeWatcher& escape);

    void SizeProgress(int position) override;
    void SizeRange(int maximum) override;
    void ScanCount(int folders) override;
    void ScanPercent(int percent) override;
    bool AbortRequested() override;
    void Idle() override;

    // From now on every abort question is answered yes (the window is closing).
    void Stop() { stopped_ = true; }
    void Reset();
    // Processes pending events now.
    void Pump();

private:
    void MaybePump();

    GaugeStatus& status_;
    EscapeWatcher& escape_;
    QElapsedTimer sincePump_;
    bool stopped_ = false;
};

}  // namespace vantum::app
