#pragma once

#include <QDialog>
#include <QPointer>

class EditControl;
class EditorManager;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The find and replace box: a tool window of the main window that searches
// the editor window shown at the moment of each click. It remembers its
// place in [Settings] FindX and FindY (twips, 15 to the pixel).
class frmFind : public QDialog {
    Q_OBJECT
public:
    // Opens the box, or brings back the one that is loaded, seeded with the
    // first line of `seed`; mode 0 find, 1 find and replace, others keep the layout.
    static frmFind* showFindBox(QWidget* owner, EditorManager* editors, const QString& seed, int mode);
    static frmFind* instance(); // the loaded box, or nullptr

    void Command1_Click(int index); // 0 Find Next, 1 Replace, 2 Replace All, 3 Skip, 4 Quit/Stop
    bool replaceLayout() const;
    bool replacing() const { return running_; }

    QLineEdit* txtFind;
    QLineEdit* txtReplace;
    QCheckBox* Check1[2];         // 0 whole words only, 1 case insensitive
    QRadioButton* optDirection[3]; // 0 up, 1 down, 2 all
    QPushButton* Command1[5];
    QLabel* Label1[7];
    QGroupBox* Frame1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmFind(QWidget* owner, EditorManager* editors);
    void Form_Load();
    void applyLayout(bool replace);
    void txtFind_Change();
    int direction() const;
    // False, after saying so with `message`, when the box's text holds a
    // character no byte of a program stands for (unheldCharacterMessage).
    bool holdable(const QLineEdit* edit, const QString& message);
    bool findNext();
    EditControl* writableEditor(); // the active window, unless it is locked (then says so)
    void replaceOne();
    void replaceAll();
    void setRunning(bool running);
    void report(const QString& message);

    QPointer<EditorManager> editors_;
    bool running_ = false;
    bool stop_ = false;
    int wide_ = 0; // pixels the option captions need beyond the design's width
};
