#include "TextTools.h"

#include "EditControl.h"
#include "EditorGlobals.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "NcWordFormat.h"
#include "ProgramPaths.h"
#include "StatusLine.h"
#include "TextCase.h"
#include "TextPass.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTemporaryFile>
#include <QWidget>

#include <algorithm>

namespace {

const char* const kCaptions[] = {"Resequencing...",   "Desequencing...",         "Inserting Spaces...",
                                 "Removing Spaces...", "Removing Blank Lines...", "Trimming Lines..."};

bool usable(const EditControl* editor) { return editor && editor->textLength() > 0 && !editor->isReadOnly(); }

QByteArrayView textOf(EditControl* editor) { return editor ? editor->textView() : QByteArrayView(); }

// The file holds exactly `text`, read a piece at a time; false also when it
// cannot be read (with the reason).
bool holds(QFile& file, QByteArrayView text, QString* error) {
    if (file.size() != text.size())
        return false;
    if (!file.seek(0)) {
        *error = file.errorString();
        return false;
    }
    QByteArray piece(1 << 20, Qt::Uninitialized);
    for (qsizetype at = 0; at < text.size();) {
        const qint64 n = file.read(piece.data(), piece.size());
        if (n <= 0) {
            *error = file.errorString();
            return false;
        }
        if (QByteArrayView(piece.constData(), n) != text.sliced(at, n))
            return false;
        at += n;
    }
    return true;
}

// Runs the pass into a temporary file of its own and, unless cancelled or
// failed, puts the result in the window. The caret goes back to its line,
// or to `doneLine` when that is set and the pass ran to its end. True
// unless the result could not be written.
bool runOnWindow(EditControl* ed, LinePass pass, const ToolPanel& panel, int doneLine = 0) {
    QPointer<EditControl> editor(ed);
    const int caretLine = ed->caretLine();
    bool changed = false; // by someone else while the pass yielded
    const QMetaObject::Connection watch =
        QObject::connect(ed, &QsciScintilla::textChanged, ed, [&changed] { changed = true; });
    pass.reread = [editor] { return textOf(editor); };
    gBusyEditing = true;
    ed->setRedraw(false);
    if (panel.progress)
        panel.progress(0);

    QTemporaryFile file(ProgramPaths::programFolder() + QStringLiteral("dncXXXXXX.TMP"));
    QString error;
    PassEnd end = PassEnd::WriteFailed;
    PieceEnds pieces;
    if (!file.open()) {
        error = file.errorString();
    } else {
        end = runLinePass(textOf(ed), pass, file, &error, &pieces);
        if (end == PassEnd::Done && !file.flush()) {
            end = PassEnd::WriteFailed;
            error = file.errorString();
        }
    }
    if (panel.progress)
        panel.progress(100);
    if (editor) {
        QObject::disconnect(watch);
        editor->setRedraw(true);
        // The result goes from its file straight into the window.
        if (end == PassEnd::Done && !changed && !holds(file, textOf(editor), &error) &&
            !editor->replaceInPieces(file, pieces, &error))
            end = PassEnd::WriteFailed;
        editor->setCaretLine(end == PassEnd::Done && doneLine > 0 ? doneLine : caretLine);
    }
    gBusyEditing = false;
    if (end == PassEnd::WriteFailed)
        msgBox(QStringLiteral("The Result Could Not Be Written, The Text Is Unchanged\n") + error, Msg::Ok,
               Msg::Critical);
    return end != PassEnd::WriteFailed;
}

} // namespace

void processNCText(EditControl* editor, int mode, const SeqArguments& args, const ToolPanel& panel) {
    if (!usable(editor) || mode < Resequence || mode > TrimLines)
        return;
    NcLineRule rule(mode, args, SeqSettings::ofMachine());
    QPointer<EditControl> ed(editor);
    LinePass pass;
    pass.rule = [&rule](QByteArrayView line, QByteArray& out) { return rule.apply(line, out); };
    pass.every = [](qsizetype n) { return n / 100; };
    pass.progress = [&panel, ed](qsizetype i, qsizetype n) {
        if (panel.progress)
            panel.progress(int(double(i) / double(n) * 100));
        statusbar(QStringLiteral("Line %1 of %2").arg(i).arg(n));
        if (ed)
            ed->setCaretLine(int(i));
    };
    gCancelOperation = false;
    if (panel.caption)
        panel.caption(QString::fromLatin1(kCaptions[mode - 1]));
    QCoreApplication::processEvents();
    if (!ed)
        return;
    QElapsedTimer took;
    took.start();
    if (runOnWindow(ed, pass, panel))
        statusbar(QStringLiteral("Took ") + tookText(double(took.elapsed()) / 1000) + QStringLiteral(" secs..."));
}

void reformatNCText(EditControl* editor, const ToolPanel& panel) {
    if (!usable(editor))
        return;
    const WordFormats formats = WordFormats::ofMachine();
    if (std::none_of(std::begin(formats.format), std::end(formats.format), [](int f) { return f > 0; })) {
        msgBox(QStringLiteral("No Word Format Is Set For This Machine, So Reformat Has Nothing To Do\n") +
                   QStringLiteral("Set WordFormat0 To WordFormat6 (the words X Y Z A B C F) In [%1] Of %2")
                       .arg(gCurrentMachineSection, gIniPath),
               Msg::Ok, Msg::Information);
        return;
    }
    gCancelOperation = false;
    LinePass pass;
    pass.rule = [&formats](QByteArrayView line, QByteArray& out) {
        out += reformatLine(line, formats);
        return true;
    };
    pass.every = [](qsizetype) { return 100; };
    pass.progress = [&panel](qsizetype i, qsizetype n) {
        if (panel.progress)
            panel.progress(int(double(i) / double(n) * 100));
        QCoreApplication::processEvents();
    };
    runOnWindow(editor, pass, panel, 1);
}

void capitaliseWindow(EditControl* editor) {
    if (!usable(editor))
        return;
    const QByteArray text = editor->bytes();
    const QByteArray upper = capitaliseBytes(text);
    if (upper != text)
        editor->replaceAllAsOneEdit(upper);
}

void reverseCapsWindow(EditControl* editor) {
    if (usable(editor))
        editor->replaceAllAsOneEdit(ReverseCaps(editor->bytes()));
}

void destroyFindReplaceWindows(int which) {
    QStringList titles;
    if (which == 1 || which == -1)
        titles << QStringLiteral("Find");
    if (which == 0 || which == -1)
        titles << QStringLiteral("Replace");
    for (const QString& title : titles) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->windowTitle() == title) {
                w->close();
                QCoreApplication::processEvents();
                break;
            }
        }
    }
}
