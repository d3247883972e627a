#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;
class QTreeWidget;

// "All Detected Serial Ports": lists the serial ports present (Com name,
// device, description) and puts the accepted one into `portList`, the
// machine settings dialog's port list.
class frmGetPortTypes : public QDialog {
    Q_OBJECT
public:
    explicit frmGetPortTypes(QComboBox* portList, QWidget* parent = nullptr);

    void Command1_Click(int index); // 0 Accept Port, 1 Cancel

private:
    QComboBox* portList_;
    QTreeWidget* List1;
    QPushButton* Command1[2];
};
