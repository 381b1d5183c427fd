#include "app/about_box.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>
#include <QtGlobal>

#include <openssl/crypto.h>
#include <xlsxwriter.h>
#include <zip.h>

namespace vantum::app {

namespace {
const char* const kLicence =
    "Vantum is free software: you can redistribute it and/or modify it under the terms of the "
    "GNU General Public License as published by the Free Software Foundation, either version 3 "
    "of the License, or (at your option) any later version. It comes with ABSOLUTELY NO WARRANTY.";
}

QString AboutText() {
    // Versions of the libraries as loaded at run time where they tell it, else as built.
    return QStringLiteral("Vantum %1\n"
                          "Shows where the space on your disks has gone and helps to win it back.\n\n"
                          "Qt %2 (built with %3)\n"
                          "libzip %4\n"
                          "%5\n"
                          "libxlsxwriter %6\n\n"
                          "%7")
        .arg(QStringLiteral(VANTUM_VERSION), QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR),
             QString::fromUtf8(zip_libzip_version()), QString::fromUtf8(OpenSSL_version(OPENSSL_VERSION)),
             QString::fromUtf8(lxw_version()), QString::fromLatin1(kLicence));
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Vantum"));
    auto* lay = new QVBoxLayout(this);
    auto* text = new QLabel(AboutText(), this);
    text->setObjectName(QStringLiteral("AboutText"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lay->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(buttons);
    setMinimumWidth(460);
}

}  // namespace vantum::app
