#pragma once
// The channel through which long core operations report to whoever runs them.
// Every call arrives on the thread that started the operation.

namespace vantum {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;

    // 1024: new gauge position.
    virtual void SizeProgress(int /*position*/) {}
    // 1025: new gauge range (minimum 0).
    virtual void SizeRange(int /*maximum*/) {}
    // 1026: folders counted so far by the descent.
    virtual void ScanCount(int /*folders*/) {}
    // 1027: percent of first-level folders entered (may exceed 100; the gauge clamps).
    virtual void ScanPercent(int /*percent*/) {}
    // Whether the user asked to stop (Escape) since the last call; polled by the descent
    // after every folder it creates.
    virtual bool AbortRequested() { return false; }
    // Whether a stop is pending, without taking it: lets a long listing end early. The stop
    // is still reported by the next AbortRequested.
    virtual bool StopPending() { return false; }
    // Called regularly while the operation waits for its workers or between steps, so that
    // a window can process pending events. Keep it cheap; it may be called often.
    virtual void Idle() {}
    // A scan moves from listing folders to summing their sizes.
    enum class Step { Counting, Sizing };
    virtual void StepStarted(Step /*step*/) {}
};

// A sink that ignores everything: for callers that want no progress.
inline ProgressSink& NullProgress() {
    static ProgressSink sink;
    return sink;
}

}  // namespace vantum
