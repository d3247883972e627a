#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "ASCII Character Equivalents": builds a code list by double-clicking
// character names. Answers in gDialogResult: the list, or "~" when cancelled
// (also when the window is closed).
class frmAltChars : public QDialog {
    Q_OBJECT
public:
    explicit frmAltChars(QWidget* parent = nullptr);

    void setCodeList(const QString& text); // the list being edited, before exec()
    QString codeList() const;

    // Adds the row's code, as many times as cmbSendNum says.
    void List1_DblClick(QListWidgetItem* item);
    void Command2_Click(int index); // 0 Update, 1 Cancel

    void done(int result) override;

private:
    QListWidget* List1;
    QComboBox* cmbSendNum;
    QLineEdit* Text1;
    QPushButton* Command2[2];
    bool answered_ = false;
};
