#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// "intelliCode Files": the completion word file in use (a ".itc" file of the
// program folder) and the trap key, stored as a Windows key number.
class frmIntelli : public QDialog {
    Q_OBJECT
public:
    // `openFile` opens a word file in an editor window (Edit).
    explicit frmIntelli(std::function<void(const QString&)> openFile, QWidget* parent = nullptr);

    QListWidget* List1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command1[3] = {}; // 0 Update, 1 Cancel, 2 Edit
    void Command1_Click(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QString&)> openFile_;
};
