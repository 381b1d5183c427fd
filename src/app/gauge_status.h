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
    // Panel 2: the state of the tree shown (total, "(partial)", unreadable folders). A hover
    // text of the charts stands there while the mouse is over an entry; an empty one gives
    // the state back.
    void SetTreeState(const QString& text);
    QString TreeState() const { return treeState_; }
    void ShowHoverText(const QString& text);

    // A long command has ended: the gauge goes at once, the panels with Timer3.
    void CommandEnded();
    void StartTimer3();
    QTimer& Timer3() { return timer3_; }
    // What Timer3 does when it fires.
    void Timer3Timer();
    // The spacer under the explorer tree: 20 pixels while the history bar shows, else 0.
    void UpdateExplorerSpacer();

protected:
    // Status tips of actions would hide the panels while the mouse is over them.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HideGauge();

    WindowWidgets& w_;
    QString treeState_;
    std::function<QString()> currentPath_;
    std::function<bool()> historyShown_;
    QTimer timer3_;
};

}  // namespace vantum::app
