#pragma once
// The window's tool tips: a tip window with a 2-pixel frame in the tip frame colour that stays
// up for ten seconds, shown for every widget of the main window that has a tool tip, and
// switched off altogether while hints are off.

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace vantum::app {

class TMyHintWindow : public QLabel {
    Q_OBJECT
public:
    inline static constexpr int kHidePause = 10000;

    TMyHintWindow();
    void ShowTip(const QPoint& globalPos, const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer hide_;
};

// Application event filter that routes the tool tips of one window to TMyHintWindow.
class TipController : public QObject {
    Q_OBJECT
public:
    explicit TipController(QWidget* window, QObject* parent = nullptr);
    ~TipController() override;

    void SetHintsEnabled(bool on);
    bool HintsEnabled() const { return enabled_; }
    TMyHintWindow& Tip() { return tip_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    TMyHintWindow tip_;
    bool enabled_ = true;
};

}  // namespace vantum::app
