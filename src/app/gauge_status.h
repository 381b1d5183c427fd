#pragma once
// The progress gauge, the three status panels and Timer3, which clears the status and hides
// the gauge two seconds after a long command ended.

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

namespace vantum::app {

struct WindowWidgets;

class GaugeStatus : public QObject {
    Q_OBJECT
public:
    inline static constexpr int kTimer3Interval = 2000;

    // currentPath: what panel 0 shows when the timer fires; historyShown: whether the spacer
    // under the explorer tree makes room for the history bar.
    GaugeStatus(WindowWidgets& widgets, std::function<QString()> currentPath,
                std::function<bool()> historyShown, QObject* parent = nullptr);

    // Shows the gauge from 0 to maximum (nothing for maximum <= 0) and stops Timer3.
    void ShowGauge(int maximum);
    // Position, clamped to the range.
    void SetPosition(int position);
    void SetRange(int maximum);
    int Position() const;
    int Maximum() const;
    bool GaugeVisible() const;

    void SetPanel(int index, const QString& text);
    QString Panel(int index) const;

    void StartTimer3();
    QTimer& Timer3() { return timer3_; }
    // What Timer3 does when it fires.
    void Timer3Timer();
    // The spacer under the explorer tree: 20 pixels while the history bar shows, else 0.
    void UpdateExplorerSpacer();

private:
    WindowWidgets& w_;
    std::function<QString()> currentPath_;
    std::function<bool()> historyShown_;
    QTimer timer3_;
};

}  // namespace vantum::app
