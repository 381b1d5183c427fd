#include "app/history_controller.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>

#include "app/folder_history.h"
#include "app/navigation.h"
#include "gui/path_text.h"
#include "gui/prompts.h"

namespace vantum::app {

HistoryController::HistoryController(QComboBox* combo, Navigation& navigation, Prompts& prompts, QObject* parent)
    : QObject(parent), combo_(combo), nav_(navigation), prompts_(prompts), random_(&RandomBelow) {
    historyPop_ = new QMenu(combo_);
    historyPop_->setObjectName(QStringLiteral("historyPop"));
    deleteItem_ = historyPop_->addAction(QStringLiteral("Delete selected history item"));
    clearAll_ = historyPop_->addAction(QStringLiteral("Clear all history items"));
    historyPop_->addSeparator();
    copyPath_ = historyPop_->addAction(QStringLiteral("Copy path to clipboard"));
    insertPath_ = historyPop_->addAction(QStringLiteral("Insert path from clipboard"));
    connect(deleteItem_, &QAction::triggered, this, &HistoryController::DeleteSelectedItem);
    connect(clearAll_, &QAction::triggered, this, &HistoryController::ClearAllItems);
    connect(copyPath_, &QAction::triggered, this, &HistoryController::CopyPathToClipboard);
    connect(insertPath_, &QAction::triggered, this, &HistoryController::InsertPathFromClipboard);

    // The edit field has a menu of its own; the history's replaces it.
    for (QWidget* w : {static_cast<QWidget*>(combo_), static_cast<QWidget*>(combo_->lineEdit())}) {
        if (!w) continue;
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& pos) { historyPop_->popup(w->mapToGlobal(pos)); });
    }
    connect(combo_, qOverload<int>(&QComboBox::activated), this, [this](int) { Confirmed(); });
    if (combo_->lineEdit()) connect(combo_->lineEdit(), &QLineEdit::returnPressed, this, &HistoryController::Confirmed);
}

void HistoryController::Confirmed() { nav_.GoToPath(combo_->currentText(), true); }

QStringList HistoryController::Items() const {
    QStringList items;
    for (int i = 0; i < combo_->count(); ++i) items << combo_->itemText(i);
    return items;
}

void HistoryController::SetItems(const QStringList& items) {
    const QString text = combo_->currentText();
    combo_->clear();
    combo_->addItems(items);
    combo_->setCurrentIndex(-1);
    combo_->setEditText(text);
}

void HistoryController::AddToHistory() {
    QStringList items = Items();
    if (vantum::app::AddToHistory(items, combo_->currentText(), HistorySize, random_)) SetItems(items);
    else if (items.size() != combo_->count()) SetItems(items);
}

void HistoryController::DeleteSelectedItem() {
    int i = combo_->currentIndex();
    if (i < 0) return;
    const QString text = combo_->currentText();
    combo_->removeItem(i);
    combo_->setCurrentIndex(-1);
    combo_->setEditText(text);
}

void HistoryController::ClearAllItems() {
    if (prompts_.Ask(QStringLiteral("Do you really want to delete the entire histoy list?"),
                     Prompts::Buttons::YesCancel, Prompts::Kind::Warning) != Prompts::Answer::Yes)
        return;
    combo_->clear();
    combo_->setEditText(QString());
}

void HistoryController::CopyPathToClipboard() {
    QString text = combo_->currentText();
    if (text.size() > 1 && text.endsWith(QLatin1Char('/'))) text.chop(1);
    QApplication::clipboard()->setText(text);
}

void HistoryController::InsertPathFromClipboard() {
    const QString clip = QApplication::clipboard()->text();
    if (!clip.isEmpty()) combo_->setEditText(clip);
    if (gui::IsExistingFolder(combo_->currentText())) nav_.GoToPath(combo_->currentText(), true);
}

}  // namespace vantum::app
