#include "app/welcome_window.h"

#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace vantum::app {

TWelcomeForm::TWelcomeForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("WelcomeForm"));
    setWindowTitle(QStringLiteral("Welcome to Vantum"));
    auto* col = new QVBoxLayout(this);
    text_ = new QTextBrowser;
    text_->setObjectName(QStringLiteral("RichEdit1"));
    text_->setOpenExternalLinks(true);
    QFile f(QStringLiteral(":/vantum/help/welcome.html"));
    if (f.open(QIODevice::ReadOnly)) text_->setHtml(QString::fromUtf8(f.readAll()));
    else text_->setPlainText(QStringLiteral("The welcome text cannot be opened."));
    col->addWidget(text_, 1);
    close_ = new QPushButton(QStringLiteral("Close this message and start Vantu"));
    close_->setObjectName(QStringLiteral("Button1"));
    close_->setDefault(true);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    col->addWidget(close_);
    resize(520, 420);
}

}  // namespace vantum::app
