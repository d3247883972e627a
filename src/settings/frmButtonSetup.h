#pragma once

#include <QDialog>
#include <QPointer>
#include <QVector>

#include <utility>

class QAction;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QTabWidget;

// "Setup Button Text": renames the main window's fourteen tool-bar buttons
// (btnToolBar(0..6), btnToolBar2(0..6)) and its menu items, whether caption
// translation is on or not. The "Menus" tab holds one page per top-level
// entry of the menu bar, a box per item in menu order; recent-file entries
// hold paths, not captions, and are left out. OK writes [Language-Buttons]
// and [Language-Menus] and renames the menus at once; Reset removes both
// sections and ends the dialog with `Reset`, after which the caller ends
// the program through its Quit path.
class frmButtonSetup : public QDialog {
    Q_OBJECT
public:
    enum { Reset = 2 };

    explicit frmButtonSetup(QMainWindow* mainWindow);

    QLineEdit* Text1(int index) const { return text1_.value(index); }
    QLineEdit* Text2(int index) const { return text2_.value(index); }
    QTabWidget* SSTab2() const { return ssTab2_; }
    // The menu boxes in order, each with the item it renames.
    const QVector<std::pair<QLineEdit*, QPointer<QAction>>>& menuBoxes() const { return menuBoxes_; }

    void seedButtons();
    void seedMenus();
    void saveMenus();

public Q_SLOTS:
    void Command1_Click(int index); // 0 OK, 1 Cancel
    void Command2_Click();          // Reset

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addMenuPage(QAction* top);
    void addMenuBox(QWidget* page, QAction* item);

    QMainWindow* main_;
    QWidget* buttonPage_ = nullptr;
    QTabWidget* ssTab2_ = nullptr;
    QVector<QPushButton*> preview1_, preview2_;
    QVector<QLineEdit*> text1_, text2_;
    QVector<std::pair<QLineEdit*, QPointer<QAction>>> menuBoxes_;
};
