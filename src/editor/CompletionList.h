#pragma once

#include <QFrame>
#include <QPointer>

class EditControl;
class EditorManager;
class QListWidget;

// The completion list picIntellisense: after an address letter and the trap
// key it drops down beside the caret with the words of that letter from the
// word file; the chosen word replaces the letter. Esc (and Tab, which gives
// the focus back to the editor as Esc does), a key typed in the editor and
// the list losing the focus hide it.
class CompletionList : public QFrame {
    Q_OBJECT
public:
    // `area` is the part of the main window the list may cover.
    CompletionList(EditorManager* editors, QWidget* area);

    QListWidget* list() const { return list_; }
    // Fills the list with `key`'s words ("G?"); shown beside the caret when
    // there are any. True when shown.
    bool showList(const QString& wordFile, const QString& key);
    // The selected word in place of the letter before the caret, one undo step.
    void chooseWord();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void hideList(bool focusEditor);
    void placeBesideCaret(EditControl* editor);

    QPointer<EditorManager> editors_;
    QListWidget* list_ = nullptr;
};
