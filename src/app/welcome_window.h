#pragma once
// The window shown once, on the very first run, before the main window appears.

#include <QDialog>

class QPushButton;
class QTextBrowser;

namespace vantum::app {

class TWelcomeForm : public QDialog {
    Q_OBJECT
public:
    explicit TWelcomeForm(QWidget* parent = nullptr);
    QPushButton* CloseButton() const { return close_; }
    QTextBrowser* Text() const { return text_; }

private:
    QTextBrowser* text_;
    QPushButton* close_;
};

}  // namespace vantum::app
