#pragma once

#include <QDialog>
#include <QVector>

class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QTabWidget;

// "Enter Your Caption": edits one caption (Text1), or a dialog's title in
// Text1 and up to twelve of its command-button captions in Text2(0..11).
// Ok accepts; Cancel and closing by the window frame reject.
class frmLanguage : public QDialog {
    Q_OBJECT
public:
    static constexpr int kButtonBoxes = 12;

    explicit frmLanguage(QWidget* parent = nullptr);

    QLineEdit* Text1() const { return text1_; }
    QLineEdit* Text2(int index) const { return text2_.value(index); }
    QGroupBox* Frame1() const { return frame1_; }

    // The frame with `count` button boxes shown, or hidden for one caption.
    void showButtonBoxes(int count);

public Q_SLOTS:
    void Command1_Click(int index); // 0 Ok, 1 Cancel

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* text1_ = nullptr;
    QGroupBox* frame1_ = nullptr;
    QVector<QLineEdit*> text2_;
};

// The caption editors of the translatable dialogs. Each does nothing while
// caption translation is off; a confirmed change is written to the dialog's
// [Language-<form>] section and shown at once. editCaption and
// languageEditor ask the settings password first.

// One label, frame or option button.
void editCaption(QWidget* form, QWidget* control);
// One tab, keyed by its built-in caption.
void editTabCaption(QWidget* form, QTabWidget* tabs, int index);
// The window title and the dialog's command buttons. A button is listed by
// its built-in caption, so one blanked here can be captioned again.
void languageEditor(QWidget* form);

// Double-clicks on the form's labels, frames, option buttons, tabs and
// background, and its cmdLanguageSelect button, open the editors above.
// applyLanguage calls it; calling it again changes nothing.
void installCaptionEditing(QWidget* form);
