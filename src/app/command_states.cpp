#include "app/command_states.h"

#include <QAction>
#include <QApplication>
#include <QWidget>

namespace vantum::app {

CommandStates::CommandStates(QObject* parent) : QObject(parent) {}

void CommandStates::RegisterTreeCommand(QAction* action, Rule rule) {
    entries_.push_back({action, std::move(rule)});
    Update();
}

void CommandStates::RegisterTreeWidget(QWidget* widget, Rule rule) {
    entries_.push_back({widget, std::move(rule)});
    Update();
}

void CommandStates::Update() {
    for (const Entry& e : entries_) {
        if (!e.target) continue;
        bool on = !IsBusy() && (!e.rule || e.rule());
        if (auto* a = qobject_cast<QAction*>(e.target.data())) a->setEnabled(on);
        else if (auto* w = qobject_cast<QWidget*>(e.target.data())) w->setEnabled(on);
    }
}

CommandStates::BusyScope::BusyScope(CommandStates& states) : states_(states) {
    if (states_.busy_++ == 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        states_.Update();
        emit states_.BusyChanged(true);
    }
}

CommandStates::BusyScope::~BusyScope() {
    if (--states_.busy_ == 0) {
        QApplication::restoreOverrideCursor();
        states_.Update();
        emit states_.BusyChanged(false);
    }
}

}  // namespace vantum::app
