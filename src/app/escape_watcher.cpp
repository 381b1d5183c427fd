#include "app/escape_watcher.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace vantum::app {

EscapeWatcher::EscapeWatcher(QObject* parent) : QObject(parent) {
    if (auto* app = QCoreApplication::instance()) app->installEventFilter(this);
}

EscapeWatcher::~EscapeWatcher() {
    if (auto* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool EscapeWatcher::TakeAbortRequest() {
    bool was = abort_;
    abort_ = false;
    return was;
}

bool EscapeWatcher::eventFilter(QObject* watched, QEvent* event) {
    // One key press reaches the filter once per receiver it is propagated to; only the
    // first delivery (to a widget or window) matters for the flags, and setting them twice
    // is harmless.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        EscapePressed = true;
        abort_ = true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vantum::app
