#pragma once

#include "frmVisibleCNC.h"

#include <QDialog>

class QListWidget;
class QPushButton;

// Picks one of the visible machines. OK reports the row through
// machineChosen (the row of the visible machines, as in the main window's
// selector); a visibility change made through "Hide" is passed on through
// visibilityChosen.
class frmSelectCNC : public QDialog {
    Q_OBJECT
public:
    frmSelectCNC(const MachineList& machines, int currentPosition, QWidget* parent = nullptr);

    QListWidget* List1() const { return list1_; }
    QPushButton* Command1(int index) const { return command1_[index]; }
    QPushButton* Command3() const { return command3_; }

Q_SIGNALS:
    void machineChosen(int visibleRow); // -1: no entry selected
    void visibilityChosen(const QVector<bool>& ticked);

public Q_SLOTS:
    void Command1_Click(int index); // 0 OK, 1 Cancel
    void Command3_Click();          // Hide

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillList();

    MachineList machines_;
    int currentPosition_;
    QListWidget* list1_;
    QPushButton* command1_[2];
    QPushButton* command3_;
};
