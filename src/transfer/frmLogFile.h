#pragma once

#include <QDialog>
#include <QVector>

class QPushButton;
class QTreeWidget;

// The transfer-log viewer: every logged transfer in four columns (CNC,
// Action, Filename, Date), oldest first, and the selected one repeated on
// request: the file sent again, received again, or the FTP helper started.
class frmLogFile : public QDialog {
    Q_OBJECT
public:
    explicit frmLogFile(QWidget* parent = nullptr);

    QTreeWidget* lvDragDrop() const { return list_; }
    QPushButton* Command1(int index) const { return buttons_.value(index); }
    QString logPath() const { return logPath_; }

public Q_SLOTS:
    void Command1_Click(int index); // 0 Clear Logfile, 1 Repeat Action, 2 Cancel
    void repeatAction();
    void lvDragDrop_ColumnClick(int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    void Form_Load();
    void clearLogfile();

    QString logPath_;
    QTreeWidget* list_;
    QWidget* picture1_;
    QVector<QPushButton*> buttons_;
};
