#pragma once
// Watches every key press of the application for Escape: sets EscapePressed (read and cleared
// by the file search) and an abort request that the scan's progress sink takes. Events go on
// to their normal handling.

#include <QObject>

namespace vantum::app {

class EscapeWatcher : public QObject {
    Q_OBJECT
public:
    explicit EscapeWatcher(QObject* parent = nullptr);
    ~EscapeWatcher() override;

    bool EscapePressed = false;

    // Whether Escape was pressed since the last call (or the last ClearAbort).
    bool TakeAbortRequest();
    // Whether Escape was pressed and not yet taken, leaving the request in place.
    bool AbortPending() const { return abort_; }
    void ClearAbort() { abort_ = false; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool abort_ = false;
};

}  // namespace vantum::app
