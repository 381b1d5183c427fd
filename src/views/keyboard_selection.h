#pragma once
// Selection by keyboard acts as a click does: whenever a key (arrows, Page keys, Home/End,
// type-ahead) moves an item view's current item, the new item is passed on at once. Moves made
// by the program or by the mouse are not reported; the mouse has its own click signals.

#include <QModelIndex>
#include <QObject>
#include <functional>

class QAbstractItemView;

namespace vantum::views {

class KeyboardSelection : public QObject {
    Q_OBJECT
public:
    // The view must have its model set. onMove receives the new current index.
    KeyboardSelection(QAbstractItemView* view, std::function<void(const QModelIndex&)> onMove);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QModelIndex&)> onMove_;
    bool keyPressed_ = false;
};

}  // namespace vantum::views
