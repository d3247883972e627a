#include "FrmLogin.h"

#include "DialogSize.h"
#include "Help.h"
#include "Login.h"
#include "MessageSeam.h"
#include "SettingsGlobals.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FrmLogin::FrmLogin(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmLogin"));
    keepDialogSize(this);
    setWindowTitle(QStringLiteral("Password Protected"));
    setModal(true);

    auto* frame = new QGroupBox(QStringLiteral("Enter Password"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* label = new QLabel(QStringLiteral("Password"), frame);
    label->setObjectName(QStringLiteral("Label1"));
    txtPassword_ = new QLineEdit(frame);
    txtPassword_->setObjectName(QStringLiteral("txtPassword"));
    txtPassword_->setEchoMode(QLineEdit::Password);
    txtPassword_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*"
    label->setBuddy(txtPassword_);
    auto* frameLayout = new QHBoxLayout(frame);
    frameLayout->addWidget(label);
    frameLayout->addWidget(txtPassword_, 1);

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("cmdSubmit"));
    ok->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &FrmLogin::submit);
    connect(cancelButton, &QPushButton::clicked, this, &FrmLogin::cancel);
    txtPassword_->setFocus();
}

void FrmLogin::submit() {
    // The file is read again: the administrator may have changed it meanwhile.
    if (passwordAccepted(txtPassword_->text())) {
        gDialogResult = QStringLiteral("~");
        accept();
        return;
    }
    msgBox(QStringLiteral("Enter a Valid Password"), Msg::Ok, Msg::Exclamation);
    txtPassword_->setFocus();
}

void FrmLogin::cancel() { reject(); }

void FrmLogin::reject() {
    gDialogResult.clear();
    QDialog::reject();
}

void FrmLogin::keyPressEvent(QKeyEvent* event) {
    if (formHelpKey(objectName(), event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
