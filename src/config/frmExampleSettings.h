#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

// "Example CNC Settings": lists the examples of the program folder's
// "<title>.cfg" and installs the chosen one into the current machine's
// section at once. The machine settings dialog reloads on imported().
class frmExampleSettings : public QDialog {
    Q_OBJECT
public:
    // `machineName`: the settings dialog's name field, preselected when listed.
    explicit frmExampleSettings(const QString& machineName, QWidget* parent = nullptr);

    void Command1_Click(int index); // 0 Install, 1 Cancel

Q_SIGNALS:
    void imported(const QString& exampleName);

private:
    QString file_;
    QListWidget* lstCNC;
    QPushButton* Command1[2];
};
