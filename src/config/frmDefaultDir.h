#pragma once

#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QPushButton;
class QTreeView;

// "Get Folder Location": picks a folder. The caller puts the start folder in
// gDialogResult; afterwards it holds the chosen folder, or is empty when the
// user quit (also by the close box or Esc). The "drives" are the mounted
// volumes.
class frmDefaultDir : public QDialog {
    Q_OBJECT
public:
    explicit frmDefaultDir(QWidget* parent = nullptr);

    QString highlightedFolder() const;
    void highlightFolder(const QString& path);

    void Drive1_Change(int index);
    void Command1_Click(int index); // 0 OK, 1 Quit
    void done(int result) override;

private:
    void showDrive(const QString& root);
    QString driveOf(const QString& path) const;

    QTreeView* Dir1;
    QComboBox* Drive1;
    QPushButton* Command1[2];
    QFileSystemModel* model_;
    QString shownDrive_;
    bool answered_ = false;
};
