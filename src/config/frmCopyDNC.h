#pragma once

#include "frmVisibleCNC.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

// "Copy And Paste DNC Settings": copies one machine's settings onto another
// (all but its name, port and history). Both lists hold the machines the main window
// shows. It stays open after a copy; settingsCopied tells the owner, which
// takes the record up again when it is the current machine's.
class frmCopyDNC : public QDialog {
    Q_OBJECT
public:
    explicit frmCopyDNC(const MachineList& machines, QWidget* parent = nullptr);

    QListWidget* List1(int index) const { return list1_[index]; }
    QPushButton* Command1(int index) const { return command1_[index]; }
    QLabel* Label1() const { return label1_; }

    void List1_Click();
    void Command1_Click(int index); // 0 copy, 1 Quit

Q_SIGNALS:
    void settingsCopied(int destinationMachine);

private:
    QListWidget* list1_[2];
    QPushButton* command1_[2];
    QLabel* label1_;
};
