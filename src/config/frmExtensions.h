#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// Edits one of the current machine's six extension/description pairs:
// `prefix` "SendExtension" or "ReceiveExtension" (the caller's gDialogResult
// when none is given). OK writes all twelve keys at once; Cancel writes nothing.
class frmExtensions : public QDialog {
    Q_OBJECT
public:
    explicit frmExtensions(QWidget* parent = nullptr, const QString& prefix = QString());

    void Command1_Click(int index); // 0 OK, 1 Cancel
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString prefix_;
    QLineEdit* txtExtension[6];
    QLineEdit* txtFileType[6];
    QPushButton* Command1[2];
};
