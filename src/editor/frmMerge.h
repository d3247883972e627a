#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeView;

// "Merge Files": the user builds an ordered list of files from a folder tree
// and a filtered file list (or by dropping files on the list) and merges
// them into "merge.$$$" in the program folder, opened in a new editor window
// or, for "Merge To DNC", left in gDialogResult for the caller to send.
class frmMerge : public QDialog {
    Q_OBJECT
public:
    explicit frmMerge(QWidget* parent = nullptr);

    void Command1_Click(int index); // 0 Merge To File, 1 Quit, 2 Merge To DNC
    void Command2_Click(int index); // 0 Insert, 1 Remove
    void setFolder(const QString& folder);
    void cmbDirs_Click();
    void addFiles(const QStringList& paths); // a drop on the merge list
    QStringList mergeList() const { return paths_; }
    // After Merge To DNC: what was merged, as the transfer log names it.
    QString mergedName() const { return mergedName_; }

    QTreeView* Dir1;
    QListWidget* File1;
    QComboBox* cmbDirs;
    QCheckBox* chkTrim;
    QPushButton* Command1[3];
    QPushButton* Command2[2];
    QGroupBox* Frame2;
    QListWidget* List2;
    QProgressBar* picture1;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void showCount();
    QString folder_;
    QStringList paths_; // full paths, parallel to List2's names
    QString mergedName_;
    QFileSystemModel* dirs_;
    bool merging_ = false;
    bool quit_ = false; // Quit or the window's close while merging
};
