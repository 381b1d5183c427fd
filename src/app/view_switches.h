#pragma once
// The window's switches: the page buttons (and the left page each one brings along), the
// explorer panel collapse, "Full Size Tree", the history bar, tool tips on/off, "Blue Design",
// and the sizing rules applied on every resize.

#include <QObject>
#include <functional>

namespace vantum::app {

struct AppActions;
struct WindowWidgets;
class AnalyserViewsSlot;
class GaugeStatus;
class Navigation;
class TipController;

class ViewSwitches : public QObject {
    Q_OBJECT
public:
    ViewSwitches(WindowWidgets& widgets, AppActions& actions, Navigation& navigation, GaugeStatus& status,
                 AnalyserViewsSlot& views, TipController& tips, std::function<void()> applyColorScheme,
                 QObject* parent = nullptr);

    // Right page by index, as its page button does it.
    void PageButtonClick(int page);
    void ExplorerTreeButtonClick();
    void SizeTreeButtonClick();

    void ToggleDirTree();
    int DirPanelWidth() const;
    void SetDirPanelWidth(int width);
    int RememberedPanelWidth() const { return remembered_; }

    void SetFullSizeTree(bool on);
    void SetHistoryShown(bool on);
    bool HistoryShown() const;
    void SetHintsShown(bool on);

    // The window's size changed.
    void WindowResized();

private:
    WindowWidgets& w_;
    AppActions& a_;
    Navigation& nav_;
    GaugeStatus& status_;
    AnalyserViewsSlot& views_;
    TipController& tips_;
    std::function<void()> applyColorScheme_;
    int remembered_ = 0;
};

}  // namespace vantum::app
