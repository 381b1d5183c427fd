#pragma once
// A progress sink that records every event, and can ask for an abort after N folders.

#include <string>
#include <vector>

#include "core/progress.h"

namespace vantum::test {

struct RecordingSink : ProgressSink {
    struct Event {
        int kind;  // 1024..1027
        int value;
        bool operator==(const Event&) const = default;
    };
    std::vector<Event> events;
    int abortAtQuery = -1;  // answer true on this call of AbortRequested (0-based)
    int queries = 0;

    void SizeProgress(int v) override { events.push_back({1024, v}); }
    void SizeRange(int v) override { events.push_back({1025, v}); }
    void ScanCount(int v) override { events.push_back({1026, v}); }
    void ScanPercent(int v) override { events.push_back({1027, v}); }
    bool AbortRequested() override { return queries++ == abortAtQuery; }

    std::vector<int> values(int kind) const {
        std::vector<int> out;
        for (const auto& e : events)
            if (e.kind == kind) out.push_back(e.value);
        return out;
    }
};

}  // namespace vantum::test
