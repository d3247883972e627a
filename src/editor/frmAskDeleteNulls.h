#pragma once

#include <QDialog>

class QButtonGroup;
class QPushButton;
class QRadioButton;

// Asks what to do with a file that holds NUL characters. The answer goes to
// gDialogResult: "0" don't load, "1" delete the NULs and load, "2" load as it
// is. The option shown at closing is remembered in [Warnings] nullOpt, also
// after Cancel.
class frmAskDeleteNulls : public QDialog {
    Q_OBJECT
public:
    explicit frmAskDeleteNulls(QWidget* parent = nullptr);

    QRadioButton* optLoad(int index) const;
    QPushButton* command1(int index) const;
    int selectedOption() const; // -1 when none

    // Shows the dialog modally and returns its answer.
    static QString ask(QWidget* parent = nullptr);

public Q_SLOTS:
    void Command1_Click(int index); // 0 OK, 1 Cancel

protected:
    void done(int r) override;

private:
    QRadioButton* options_[3] = {};
    QPushButton* buttons_[2] = {};
    QButtonGroup* group_ = nullptr;
};

// Before a file is opened into a window: when its first 1000 bytes hold a NUL,
// asks frmAskDeleteNulls. True when the file must not be opened. For "delete",
// the file is rewritten without NULs (the cleaned copy is complete before it
// replaces the file); a failure is reported and the file opens as it is.
bool fileHasNullsSoCancel(const QString& path);
