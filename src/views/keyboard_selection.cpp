#include "views/keyboard_selection.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QItemSelectionModel>
#include <QTimer>

namespace vantum::views {

KeyboardSelection::KeyboardSelection(QAbstractItemView* view, std::function<void(const QModelIndex&)> onMove)
    : QObject(view), onMove_(std::move(onMove)) {
    view->installEventFilter(this);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& now) {
        if (keyPressed_ && now.isValid() && onMove_) onMove_(now);
    });
}

bool KeyboardSelection::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // The view moves its current item while it handles the key, right after this filter.
        keyPressed_ = true;
        QTimer::singleShot(0, this, [this] { keyPressed_ = false; });
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vantum::views
