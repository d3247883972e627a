#pragma once

#include <QDialog>

class QLineEdit;

// "Password Protected": asks for the settings password. OK with the right
// password leaves "~" in gDialogResult and accepts; Cancel, Esc and closing
// by the window frame leave it empty and reject. A wrong password says so
// and keeps the dialog open, as often as the user likes.
class FrmLogin : public QDialog {
    Q_OBJECT
public:
    explicit FrmLogin(QWidget* parent = nullptr);

    QLineEdit* txtPassword() const { return txtPassword_; }

public Q_SLOTS:
    void submit(); // cmdSubmit
    void cancel(); // cmdCancel

protected:
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* txtPassword_ = nullptr;
};
