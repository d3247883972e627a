#pragma once

#include <QDialog>
#include <QString>
#include <QVector>

class QListWidget;
class QPushButton;

// One entry of the main window's machine list: machine N is entry N - 1.
struct MachineListEntry {
    QString alias;
    int mark = -1; // the machine's Visible value; only -1 is visible
    bool visible() const { return mark == -1; }
};
using MachineList = QVector<MachineListEntry>;

// Chooses which of the machines are offered for selection. OK reports the
// ticks through visibilityChosen; the owner applies and stores them.
class frmVisibleCNC : public QDialog {
    Q_OBJECT
public:
    frmVisibleCNC(const MachineList& machines, int currentPosition, QWidget* parent = nullptr);

    QListWidget* List1() const { return list1_; }
    QPushButton* Command1() const { return command1_; }
    QPushButton* Command2() const { return command2_; }
    QPushButton* Command3(int index) const { return command3_[index]; }
    QVector<bool> ticks() const;

    // The very first start: the user has to decide, so Quit is off.
    void setFirstRun();

Q_SIGNALS:
    void visibilityChosen(const QVector<bool>& ticked);

public Q_SLOTS:
    void Command1_Click(); // OK
    void Command2_Click(); // Quit
    void Command3_Click(int index); // 0 Select All, 1 Deselect All

    // Esc and the window's frame; at the very first start they do nothing.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setAllTicks(bool ticked);

    QListWidget* list1_;
    QPushButton* command1_;
    QPushButton* command2_;
    QPushButton* command3_[2];
    bool firstRun_ = false;
};
