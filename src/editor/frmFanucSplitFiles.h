#pragma once

#include <QDialog>
#include <QStringList>

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
    void done(int result) override;

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

struct SplitOutcome {
    QStringList written;   // the files written, in order
    bool complete = false; // every program of the file was written
    QString summary;       // how many files went where, for the status line
};
// Splits the file at `path` into one file per program with the current
// machine's split options, then does what FanucLaunch says (a list of the
// files written, nothing, or the first programs opened in editor windows).
// From the menu the files go to the folder in gDialogResult. Otherwise the
// file is a receive-all's temporary file and they go to the machine's
// ReceiveDirectory (the program folder when that is empty): once every
// program is written the file goes; else it stays and the user is told where.
SplitOutcome splitFileUp(const QString& path, bool fromMenu);

// The folder chooser of the "Folder" button: the start folder in, the chosen
// folder out (empty when cancelled). Without one a plain folder dialog is used.
void setSplitFolderPicker(std::function<QString(const QString& start)> picker);
