#pragma once
// The disk size log in the window: "Hard disk space" writes today's entry and opens the log
// window; the free-space baseline is taken at activation and again at each opening, and at close
// the space won since is reported ([SpaceGain] "Show") before the day's entry is written.

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "sizelog/drive_totals.h"
#include "sizelog/size_log.h"
#include "sizelog/window/size_log_form.h"

class QAction;
class QWidget;

namespace vantum {
class Prompts;
}

namespace vantum::app {

// Where the drives and their figures come from (the system's, or a test's).
struct DriveSource {
    std::function<std::vector<std::string>()> list = [] { return sizelog::ListFixedDrives(); };
    sizelog::SpaceQuery query = sizelog::QueryDriveSpace;
};

class SizeLogController : public QObject {
    Q_OBJECT
public:
    SizeLogController(QAction* action, Prompts& prompts, std::string logPath, QWidget* window);

    void SetDriveSource(DriveSource source) { source_ = std::move(source); }
    const std::string& LogPath() const { return logPath_; }

    // At activation: the baseline, and whether the gain is reported at close.
    void RecordBaseline(bool showGain);
    // "Hard disk space": today's entry, a new baseline, the log window.
    void OpenLog();
    // At close: the space won (when asked for), then today's entry. Never prevents the close.
    void WindowClosing();

    sizelog::TSizeLogForm* Form() const { return form_; }
    const sizelog::SpaceGain& Gain() const { return gain_; }

private:
    sizelog::DriveTotals Measure() const;
    sizelog::SizeLogResult WriteEntry(const sizelog::DriveTotals& totals) const;

    Prompts& prompts_;
    std::string logPath_;
    QWidget* window_;
    DriveSource source_;
    sizelog::SpaceGain gain_;
    bool showGain_ = false;
    QPointer<sizelog::TSizeLogForm> form_;
};

}  // namespace vantum::app
