#pragma once
// Help -> About: the program's name and version, the versions of the libraries it runs on and
// its licence.

#include <QDialog>
#include <QString>

namespace vantum::app {

// The text of the box, plain lines (also what a bug report should quote).
QString AboutText();

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace vantum::app
