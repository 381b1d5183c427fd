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
    bool StopPending() override;
    void Idle() override;
    void StepStarted(Step step) override;

    // From now on every abort question is answered yes (the window is closing).
    void Stop() { stopped_ = true; }
    // Whether the user stopped the running operation. One Escape ends the whole operation
    // (every drive of "Scan all"), so a stop once taken is kept until Reset.
    bool Stopped() const { return stopped_ || aborted_; }
    void Reset();
    // Shows the latest progress and processes pending events now.
    void Pump();
    // Shows the latest progress without processing events.
    void Flush();

private:
    void MaybePump();

    GaugeStatus& status_;
    EscapeWatcher& escape_;
    QElapsedTimer sincePump_;
    bool stopped_ = false;
    bool aborted_ = false;
    // The gauge repaints synchronously on every visible change; positions are therefore
    // shown once per pump, not once per folder.
    int position_ = -1;
    int shownPosition_ = -1;
};

}  // namespace vantum::app
