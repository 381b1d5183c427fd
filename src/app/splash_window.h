#pragma once
// The splash window: borderless, on top, slightly translucent, in the shape of its mask; it
// rolls up towards its middle when it closes.

#include <QWidget>

namespace vantum::app {

class TSplashForm : public QWidget {
    Q_OBJECT
public:
    inline static constexpr int kWidth = 330;
    inline static constexpr int kHeight = 331;
    inline static constexpr int kRollUpMs = 1000;

    explicit TSplashForm(const QRect& centreOn);
    // Hides with the roll-up animation, then deletes itself.
    void RollUpAndClose();

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace vantum::app
