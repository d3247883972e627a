#pragma once

#include <QDialog>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

// The modal warning window shared by the runtime-file check, the settings
// write probe and the machine settings dialog's XModem advice. Its box
// "Don't Warn Me Again" is remembered in [Settings] under a key chosen by the
// marker text (keyForMarker).
//
// Calling pattern:
//     frmTip tip(this);
//     tip.setWindowTitle("XModem Protocol");        // optional
//     tip.setMessage(text);                          // Text1
//     tip.setMarker("XModem");                       // Text1's tag
//     tip.command1()->setText("Update");             // or ->hide()
//     connect(&tip, &frmTip::command1Clicked, this, [this] { /* 8 data bits, no parity, 1 stop bit */ });
//     tip.exec();
//
// For a marker holding "XModem" the second button emits command1Clicked and
// then does what OK does. For any other marker it opens the marker text (a
// download address) with the desktop and stays open.
class frmTip : public QDialog {
    Q_OBJECT
public:
    explicit frmTip(QWidget* parent = nullptr);

    void setMessage(const QString& text);
    QString message() const;
    void setMarker(const QString& marker);
    QString marker() const;

    QPlainTextEdit* text1() const { return text1_; }
    QCheckBox* chkLoadTipsAtStartup() const { return dontWarn_; }
    QPushButton* cmdOK() const { return ok_; }
    QPushButton* command1() const { return command1_; }

    // [Settings] key of the box: "WarnIniSettings" when the marker contains
    // "Settings", else "XModemWarn" when it contains "XModem", else
    // "CheckServicePack" (exact case).
    static QString keyForMarker(const QString& marker);

Q_SIGNALS:
    void command1Clicked();

public Q_SLOTS:
    void confirm();     // cmdOK: remember the box and close
    void runCommand1(); // Command1

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPlainTextEdit* text1_ = nullptr;
    QCheckBox* dontWarn_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* command1_ = nullptr;
};
