#pragma once

#include "Qsci.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFont>
#include <QString>

#include <utility>
#include <vector>

class MatchStarts;
class NcLexer;
class QIODevice;

// The edit control of the editor windows and the send window. Text goes in
// and out as bytes (one character per byte, Latin-1 on screen), so NUL, lone
// CR and bytes above 127 survive a load and a save unchanged. QScintilla's own
// text and file calls stop at NUL and are not used.
class EditControl : public QsciScintilla {
    Q_OBJECT
public:
    enum class Command { Cut, Copy, Paste, Undo, Redo };

    explicit EditControl(QWidget* parent = nullptr);
    ~EditControl() override;

    // The whole text. Writing replaces it as one edit that can be undone.
    QByteArray bytes() const;
    // The same where it lies, without a copy: valid until the text changes.
    QByteArrayView textView() const;
    void setBytes(const QByteArray& bytes);
    QString text() const;              // Latin-1 view of bytes()
    void setText(const QString& text); // characters above 255 become "?"
    int textLength() const;
    int lineCount() const;

    // Caret, 1-based lines; columns count the characters before the caret.
    int caretLine() const;
    void setCaretLine(int line);
    int lineAtPosition(qint64 position) const; // the line that holds a byte position
    void setCaretColumn(int column);
    int currentColumn() const;
    int caretColumnInLine() const; // 1-based
    QString lineText(int line) const; // without its line end
    bool replaceLineText(int line, const QString& text);

    // Byte positions of the selection; selectRange shows the range it selects.
    long selectionStart() const;
    long selectionEnd() const;
    void selectRange(long start, long end);
    // Replaces `length` bytes at each of `starts` (ascending, not
    // overlapping) by `with`, as one edit that one undo reverts; the caret
    // goes after the last. The text's own buffer changes in place.
    void replaceEach(const MatchStarts& starts, qsizetype length, const QByteArray& with);

    QByteArray selectedBytes() const;
    QString selectedText() const;
    int selectionLength() const;
    void selectAll();

    // The clipboard, as Latin-1 text. Cut and paste do nothing when read-only.
    void cut() override;
    void copy() override;
    void paste() override;
    // True when `text` holds a character no byte stands for: the user is
    // told, and the caller changes nothing (it would be saved as "?").
    bool refusesUnheld(const QString& text);
    // Replaces the selection by these bytes, one undo step.
    void replaceSelection(const QByteArray& bytes);

    // One undo step may hold a Replace All's every match: its changes are
    // announced once, not piece by piece (each notice costs the length of
    // the text before it).
    void undo() override;
    void redo() override;
    bool canUndo() const;
    bool canRedo() const;
    void clearUndoHistory();
    void setRedraw(bool on);

    // Replaces the text with the file's bytes: no undo history, not modified,
    // line ends for new lines as the file has them. False with the reason
    // (the control is then empty).
    bool loadFile(const QString& path, QString* error = nullptr);
    bool loadFrom(QIODevice& in, QString* error = nullptr); // from its position to its end
    void loadBytes(const QByteArray& bytes);
    // Writes the text through a temporary file; the old file stays whole on failure.
    bool saveFile(const QString& path, QString* error = nullptr) const;
    // Replaces the whole text as one edit (select all, paste) that one undo reverts.
    void replaceAllAsOneEdit(const QByteArray& bytes);
    // The same with what `in` holds, a piece at a time straight into the
    // control: piece i ends at ends[i].second in `in` and takes the place of
    // the text up to ends[i].first. False with the reason when a read fails;
    // the text is then as it was.
    bool replaceInPieces(QIODevice& in, const std::vector<std::pair<qsizetype, qint64>>& ends,
                         QString* error = nullptr);

    // Changed since loading or the last markSaved(), as the control's own
    // undo history says; markModified() holds it changed until saved.
    bool isModified() const;
    void markModified();
    void markSaved();

    // The window's file name, or its caption name.
    QString tag() const { return tag_; }
    void setTag(const QString& tag) { tag_ = tag; }

    void applyFont(const QString& name, int pointSize, bool bold);
    QString fontName() const { return font_.family(); }
    int fontSize() const { return font_.pointSize(); }
    bool isBold() const { return font_.bold(); }

    // Colour numbers as stored in the settings file (red in the lowest byte).
    void setColours(unsigned int textColour, unsigned int backColour);
    unsigned int textColour() const { return textColour_; }
    unsigned int backColour() const { return backColour_; }
    // Block colours by address letter (NcLexer) on or off; refreshes the colours.
    // A window loaded without them keeps no style byte per character: one
    // switched on later gets them then (its undo history starts afresh).
    void setBlockColouring(bool on);
    bool blockColouring() const { return lexer_ != nullptr; }
    NcLexer* ncLexer() const { return lexer_; }

    // Typed "a" .. "z" arrive as capitals.
    void setCapitalising(bool on) { capitalising_ = on; }
    // From a keyDown handler: the key has done its work and is not typed.
    void swallowKey() { keySwallowed_ = true; }

Q_SIGNALS:
    void modifiedChanged(bool modified);
    // A clipboard or undo key; when nothing is connected the control acts itself.
    void commandRequested(EditControl::Command command);
    // A key, before the control acts on it: its Windows key code (letters,
    // digits and the punctuation keys; 0 for others).
    void keyDown(int keyCode);
    void mouseReleased();
    void popupMenuRequested(const QPoint& globalPos);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    // The wheel helper follows the focus.
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    QByteArray rangeBytes(long start, long end) const;
    void applyLook();
    void noteModified();
    // Shift+Tab on one line: that line one indentation level less.
    void unindentCaretLine();
    void useStyledDocument(bool styled);
    // Sends `message` with change notices held back, then says once that the text changed.
    void quietly(unsigned int message);
    void showDocument(void* doc);
    void bindEditingKeys();
    static bool commandFor(QKeyEvent* e, Command* command);

    QString tag_;
    QFont font_;
    unsigned int textColour_ = 0;
    unsigned int backColour_ = 0xFFFFFF;
    NcLexer* lexer_ = nullptr;
    bool capitalising_ = false;
    bool keySwallowed_ = false;
    bool forcedModified_ = false;
    bool lastModified_ = false;
    // The control's own document, held while one without styles is shown.
    void* parkedDocument_ = nullptr;
};

// The Windows key code of a key event, as the settings store key codes.
int windowsKeyCode(const QKeyEvent* e);
