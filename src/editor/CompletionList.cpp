#include "CompletionList.h"

#include "EditControl.h"
#include "EditorAnalysis.h"
#include "EditorManager.h"
#include "EditorText.h"
#include "TextCase.h"

#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

CompletionList::CompletionList(EditorManager* editors, QWidget* area) : QFrame(area), editors_(editors) {
    setObjectName(QStringLiteral("picIntellisense"));
    setFrameShape(QFrame::Box);
    auto* container = new QWidget(this);
    container->setObjectName(QStringLiteral("picIListCont"));
    list_ = new QListWidget(container);
    list_->setObjectName(QStringLiteral("lstIntellisense"));
    auto* inner = new QVBoxLayout(container);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(list_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(container);
    resize(260, 160);
    hide();
    list_->installEventFilter(this);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CompletionList::chooseWord);
    connect(editors, &EditorManager::completionListRequested, this, &CompletionList::showList);
    connect(editors, &EditorManager::completionListHidden, this, [this] { hideList(false); });
}

bool CompletionList::showList(const QString& wordFile, const QString& key) {
    list_->clear();
    QFile file(wordFile);
    if (file.open(QIODevice::ReadOnly))
        list_->addItems(readIntelliWords(file.readAll(), key));
    EditControl* editor = editors_ ? editors_->activeEditor() : nullptr;
    if (list_->count() == 0 || !editor || editor->isReadOnly()) {
        hideList(false);
        return false;
    }
    list_->setCurrentRow(0);
    QFont font = list_->font();
    if (editor->fontSize() > 0)
        font.setPointSize(editor->fontSize());
    list_->setFont(font);
    placeBesideCaret(editor);
    show();
    raise();
    list_->setFocus();
    editor->swallowKey();
    return true;
}

void CompletionList::placeBesideCaret(EditControl* editor) {
    const long pos = editor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    const int x = int(editor->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, pos));
    const int y = int(editor->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0, pos));
    const int lineHeight = int(editor->SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, 0));
    QWidget* area = parentWidget();
    const QPoint caret = editor->viewport()->mapTo(area, QPoint(x, y));
    // Right of and below the caret; to its left or above it near the edges.
    int left = caret.x() + 4;
    if (left + width() > area->width())
        left = caret.x() - width() - 4;
    int top = caret.y() + lineHeight;
    if (top + height() > area->height())
        top = caret.y() - height();
    move(qMax(0, left), qMax(0, top));
}

void CompletionList::chooseWord() {
    EditControl* editor = editors_ ? editors_->activeEditor() : nullptr;
    const QListWidgetItem* item = list_->currentItem();
    if (!editor || !item) {
        hideList(true);
        return;
    }
    const QString word = getUpToColon(item->text());
    const int line = editor->caretLine();
    const int column = editor->currentColumn(); // the letter is just before it
    const QString text = editor->lineText(line);
    if (column < 1) {
        hideList(true);
        return;
    }
    QString newLine = text.left(column - 1) + word;
    if (column < text.size())
        newLine += QLatin1Char(' ') + text.mid(column);
    const int caret = column - 1 + int(word.size()) + (column < text.size() ? 1 : 0);
    editor->beginUndoAction();
    if (editor->replaceLineText(line, QString::fromLatin1(capitaliseBytes(newLine.toLatin1())))) {
        editor->setCaretLine(line);
        editor->setCaretColumn(caret);
    }
    editor->endUndoAction();
    hideList(true);
}

void CompletionList::hideList(bool focusEditor) {
    if (isHidden())
        return;
    hide();
    if (EditControl* editor = editors_ ? editors_->activeEditor() : nullptr; editor && focusEditor)
        editor->setFocus();
}

bool CompletionList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            chooseWord();
            return true;
        }
        // Tab would take the focus on to the window's next control, where
        // the letters typed next would choose a machine, say.
        if (key == Qt::Key_Escape || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            hideList(true);
            return true;
        }
    } else if (watched == list_ && event->type() == QEvent::FocusOut) {
        hideList(false);
    }
    return QFrame::eventFilter(watched, event);
}
