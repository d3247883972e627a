#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QPushButton;
class QTreeWidget;

// "All Detected Serial Ports": every serial device present (stable
// /dev/serial/by-id/ names first), with the port that names it now. Accept
// Port picks the highlighted device for the port chosen in `portList`, the
// machine settings dialog's port list; the dialog stores it in [Ports] on OK.
class frmGetPortTypes : public QDialog {
    Q_OBJECT
public:
    // `deviceOf` gives the device a port uses now, as the settings dialog sees it.
    frmGetPortTypes(QComboBox* portList, std::function<QString(int commPort)> deviceOf,
                    QWidget* parent = nullptr);

    void Command1_Click(int index); // 0 Accept Port, 1 Cancel

    // After Accept Port: the device picked for the port; empty when the port
    // already used it.
    QString chosenDevice() const { return chosen_; }

private:
    QComboBox* portList_;
    std::function<QString(int)> deviceOf_;
    QString chosen_;
    QTreeWidget* List1;
    QPushButton* Command1[2];
};
