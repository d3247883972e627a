#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Split File": the output folder and the split options of the current
// machine. OK writes the eight keys and leaves the folder in gDialogResult;
// Cancel and the frame's close write nothing and leave it empty.
class frmFanucSplitFiles : public QDialog {
    Q_OBJECT
public:
    explicit frmFanucSplitFiles(QWidget* parent = nullptr);

    void Command1_Click();          // "Folder"
    void Command2_Click(int index); // 0 OK, 1 Cancel

    QLineEdit* Text1;
    QComboBox* cmbWordBefore;
    QComboBox* cmbWordAfter;
    QComboBox* cmbOpenFanuc;
    QCheckBox* chkStripPercent;
    QCheckBox* chkPutBackPercentsFanuc;
    QCheckBox* chkStripBlankLines;
    QCheckBox* chkProgramNumberType;
    QCheckBox* chkPrefixO;
    QPushButton* Command2[2];

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    QCheckBox* addCheck(const char* name, const char* caption, int labelIndex);
    QList<QPair<QLabel*, QCheckBox*>> labelled_;
};

// The Split Files command on the active window: the window must hold text
// and name a file on disk.
void mnuSplitFile(QWidget* owner);
// The split step; fromMenu false when a received file is processed.
void splitFileUp(const QString& path, bool fromMenu);

// The folder chooser of the "Folder" button: the start folder in, the chosen
// folder out (empty when cancelled). Without one a plain folder dialog is used.
void setSplitFolderPicker(std::function<QString(const QString& start)> picker);
