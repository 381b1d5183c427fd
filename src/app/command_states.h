#pragma once
// Which commands may run: every command that reads or changes the size tree is registered
// here with its own enabling rule, and all of them are off while the window is busy with a
// scan, a size pass or a refresh. The one place that switches them.

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QAction;
class QWidget;

namespace vantum::app {

class CommandStates : public QObject {
    Q_OBJECT
public:
    using Rule = std::function<bool()>;
    explicit CommandStates(QObject* parent = nullptr);

    // A command of the size tree; rule (empty = always) says when it is enabled while idle.
    void RegisterTreeCommand(QAction* action, Rule rule = {});
    void RegisterTreeWidget(QWidget* widget, Rule rule = {});

    bool IsBusy() const { return busy_ > 0; }
    // Applies every rule again; call after the state the rules read has changed.
    void Update();

    // Busy for the lifetime of the scope, with the hourglass cursor; ends also by exception.
    class BusyScope {
    public:
        explicit BusyScope(CommandStates& states);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        CommandStates& states_;
    };

signals:
    void BusyChanged(bool busy);

private:
    struct Entry {
        QPointer<QObject> target;
        Rule rule;
    };
    std::vector<Entry> entries_;
    int busy_ = 0;
};

}  // namespace vantum::app
