#include "EditControl.h"
#include "EditorFiles.h"
#include "EditorFixture.h"
#include "EditorGlobals.h"
#include "FileSizeLimit.h"
#include "IniStorage.h"
#include "NcLexer.h"
#include "RecentFiles.h"
#include "RecentFilesMenu.h"
#include "SettingsWarning.h"
#include "frmAskDeleteNulls.h"
#include "frmTip.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <functional>

class EditorWindowsTest : public QObject, protected EditorFixture {
    Q_OBJECT

    EditControl* active() { return mgr->activeEditor(); }
    QString caption(int i) { return mgr->tabCaption(i); }
    bool tabShown(int i) { return mgr->tabWidget()->isTabVisible(i); }
    QString firstRecent() { return RecentFiles::entries(QStringLiteral("open")).first(); }
    void type(EditControl* ed, const QString& text) { QTest::keyClicks(ed, text); }

    // Answers frmAskDeleteNulls once it is shown: picks the option and
    // presses button 0 (OK) or 1 (Cancel).
    static void answerNullDialog(int option, int button) {
        QTimer::singleShot(0, [option, button] {
            auto* dialog = qobject_cast<frmAskDeleteNulls*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->optLoad(option)->setChecked(true);
            dialog->Command1_Click(button);
        });
    }

private Q_SLOTS:
    void init() {
        openEditors();
        QApplication::clipboard()->clear();
    }
    void cleanup() { closeEditors(); }

    // --- bytes in, bytes out ---------------------------------------------

    void roundTrip_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("mixed, no end") << QByteArray("%\r\nG00\r\nG01\nG02\rG03\n\r\r\r\nM30");
        QTest::newRow("LF CR CR") << QByteArray("%\n\r\rO1\n\r\rG00\n\r\r");
        QByteArray high;
        for (int c = 128; c < 256; ++c)
            high.append(char(c));
        QTest::newRow("NUL, bytes 128-255")
            << QByteArray("\0\0%\r\nG01\0X1\r\n", 12) + high + QByteArray(1, '\0');
        const QByteArray piece((1 << 20) - 1, 'X'); // CR and LF fall into two reads
        QTest::newRow("CR LF across a megabyte") << piece + "\r\nG01\r\n" + piece;
    }
    void roundTrip() {
        QFETCH(QByteArray, bytes);
        const QString path = fileWith(QStringLiteral("in.nc"), bytes);
        if (bytes.contains('\0'))
            answerNullDialog(2, 0); // load as it is
        const int n = mgr->openFileInNewWindow(path);
        QCOMPARE(active()->bytes(), bytes);
        QCOMPARE(active()->lineCount(), int(bytes.count('\r') + bytes.count('\n') - bytes.count("\r\n")) + 1);
        QVERIFY(!gWindows[n].modified);

        const QString copy = home->file(QStringLiteral("out.nc"));
        msgs->answerFiles({copy});
        QVERIFY(mgr->mnuSaveAsProc());
        QCOMPARE(readAllBytes(copy), bytes);
        // The window now holds the copy; the list of opened files is left alone.
        QCOMPARE(gWindows[n].fileName, copy);
        QVERIFY(!RecentFiles::entries(QStringLiteral("open")).contains(copy));

        // Through the clipboard into a new window.
        active()->selectAll();
        mgr->mnuCopyProc();
        mgr->openFileInNewWindow();
        mgr->mnuPasteProc();
        QCOMPARE(active()->bytes(), bytes);
    }

    void aReadThatFailsPartWayLeavesTheWindowEmptyAndSaysWhy() {
        struct Failing : QBuffer { // fails after three megabytes
            qint64 readData(char* data, qint64 n) override {
                if (pos() < 3 << 20)
                    return QBuffer::readData(data, n);
                setErrorString(QStringLiteral("Input/output error"));
                return -1;
            }
        } in;
        in.setData(QByteArray(4 << 20, 'G'));
        in.open(QIODevice::ReadOnly);
        QString error;
        QVERIFY(!active()->loadFrom(in, &error));
        QCOMPARE(active()->textLength(), 0);
        QCOMPARE(error, QStringLiteral("Input/output error"));
    }

    // The question asked when a file holds NUL bytes, each way it is answered.
    void theNulQuestion_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("opens");
        QTest::newRow("delete them") << 1 << 0 << true;
        QTest::newRow("cancelled") << 2 << 1 << false;
        QTest::newRow("don't load") << 0 << 0 << false;
    }
    void theNulQuestion() {
        QFETCH(int, option);
        QFETCH(int, button);
        QFETCH(bool, opens);
        QByteArray data(1500, 'G');
        data[10] = '\0';
        data[1200] = '\0';
        const QString path = fileWith(QStringLiteral("n.nc"), data);
        answerNullDialog(option, button);
        QCOMPARE(mgr->openFileInNewWindow(path) > 0, opens);
        QCOMPARE(readAllBytes(path), opens ? QByteArray(1498, 'G') : data);
        QCOMPARE(active()->bytes(), opens ? QByteArray(1498, 'G') : QByteArray());
        // The choice is remembered, even when cancelled, and offered next time.
        QCOMPARE(storedNullOption(), option);
        frmAskDeleteNulls next;
        QVERIFY(next.optLoad(option)->isChecked());
    }

    // --- windows and tabs ----------------------------------------------

    void theFirstWindowHidesWhileEmptyAndComesBackWhenTheLastFileCloses() {
        QSignalSpy captions(mgr.get(), &EditorManager::captionChanged);
        const QString a = fileWith(QStringLiteral("a.nc"), "G00\r\n");
        QCOMPARE(mgr->openFileInNewWindow(a), 1);
        QCOMPARE(caption(1), QStringLiteral("a.nc"));
        QCOMPARE(firstRecent(), a);
        QVERIFY(!tabShown(0));
        QVERIFY(mgr->closeMyFile());
        QCOMPARE(gActiveWindow, 0);
        QVERIFY(tabShown(0));
        QCOMPARE(caption(0), QStringLiteral("Untitled1"));
        QCOMPARE(gWindows[0].fileName, QString());
        QCOMPARE(captions.last().first().toString(), QStringLiteral("Feedline"));
        // With text it stays shown, and keeps the text when the last file closes.
        type(mgr->editor(0), QStringLiteral("G04 P1"));
        mgr->openFileInNewWindow(a);
        QVERIFY(tabShown(0));
        QVERIFY(mgr->closeMyFile());
        QCOMPARE(gActiveWindow, 0);
        QCOMPARE(mgr->editor(0)->bytes(), QByteArray("G04 P1"));
        QVERIFY(gWindows[0].modified);
    }

    void theOpenCommandOpensEachChosenFileOnceInOrder() {
        const QString a = fileWith(QStringLiteral("a.nc"), "A\r\n");
        const QString b = fileWith(QStringLiteral("b.nc"), "B\r\n");
        QSignalSpy shown(mgr.get(), &EditorManager::editorAreaShown);
        msgs->answerFiles({a, b});
        mgr->openFileIntoWindow();
        QCOMPARE(shown.count(), 1);
        QCOMPARE(caption(1), QStringLiteral("a.nc"));
        QCOMPARE(caption(2), QStringLiteral("b.nc"));
        // An open file is brought to the front; a name differing in case is another file.
        msgs->answerFiles({a, fileWith(QStringLiteral("A.nc"), "UPPER\r\n")});
        mgr->openFileIntoWindow();
        QCOMPARE(mgr->tabWidget()->count(), 4);
        QCOMPARE(active()->bytes(), QByteArray("UPPER\r\n"));
        mgr->fileAlreadyOpen(a);
        QCOMPARE(gActiveWindow, 1);
        QCOMPARE(mgr->tabWidget()->currentIndex(), 1);
        // A relative spelling of an open file finds it too.
        QDir::setCurrent(home->path());
        mgr->fileAlreadyOpen(QStringLiteral("b.nc"));
        QCOMPARE(gActiveWindow, 2);
        QCOMPARE(mgr->tabWidget()->count(), 4);
    }

    void untitledWindowsAreNumberedByTheTabsThatCarryTheName() {
        QCOMPARE(mgr->openFileInNewWindow(), 1);
        QCOMPARE(caption(1), QStringLiteral("Untitled2"));
        QCOMPARE(gWindows[1].fileName, QStringLiteral("Untitled2"));
        QVERIFY(mgr->closeMyFile());
        mgr->openFileInNewWindow();
        QCOMPARE(caption(2), QStringLiteral("Untitled3"));
        // Saving Untitled3 under a name frees the count, but no number is given twice.
        mgr->openFileInNewWindow();
        QCOMPARE(caption(3), QStringLiteral("Untitled4"));
        mgr->selectWindow(2);
        type(active(), QStringLiteral("X"));
        msgs->answerFiles({home->file(QStringLiteral("named.nc"))});
        QVERIFY(mgr->saveWindowToFile());
        mgr->openFileInNewWindow();
        QCOMPARE(caption(4), QStringLiteral("Untitled5"));
    }

    void missingAndEmptyFilesOpenNoWindow() {
        QCOMPARE(mgr->openFileInNewWindow(home->file(QStringLiteral("none.nc"))), -1);
        QVERIFY(msgs->shown().isEmpty());
        const QString empty = fileWith(QStringLiteral("empty.nc"), QByteArray());
        msgs->answer(Msg::AnswerNo);
        QCOMPARE(mgr->openFileInNewWindow(empty), -1);
        QVERIFY(msgs->sawText("The File " + empty + " Is Zero Length\nDo You Want To Delete It?"));
        QVERIFY(QFile::exists(empty));
        msgs->answer(Msg::AnswerYes);
        QCOMPARE(mgr->openFileInNewWindow(empty), -1);
        QVERIFY(!QFile::exists(empty));
        QCOMPARE(mgr->tabWidget()->count(), 1);
    }

    void captionAndSendFollowTheWindow() {
        QSignalSpy captions(mgr.get(), &EditorManager::captionChanged);
        QSignalSpy send(mgr.get(), &EditorManager::sendWindowEnabledChanged);
        mgr->setCaption(0);
        QCOMPARE(captions.last().first().toString(), QStringLiteral("Feedline"));
        QCOMPARE(send.last().first().toBool(), false);
        type(mgr->editor(0), QStringLiteral("G1"));
        mgr->setCaption(0);
        QCOMPARE(captions.last().first().toString(), QStringLiteral("Feedline [Untitled1] ")); // as its tab
        QCOMPARE(send.last().first().toBool(), true);
        mgr->openFileInNewWindow();
        QCOMPARE(captions.last().first().toString(), QStringLiteral("Feedline [Untitled2] "));
        QCOMPARE(send.last().first().toBool(), false);
    }

    void aReceiveHidesAndLocksEveryWindow() {
        mgr->tabWidget()->show();
        mgr->openFileInNewWindow(fileWith(QStringLiteral("a.nc"), "A"));
        mgr->hideAllTextBoxes(true, true);
        QVERIFY(!mgr->tabWidget()->isVisible());
        QVERIFY(!mgr->editor(1)->isEnabled());
        QVERIFY(!mgr->editor(0)->isEnabled()); // window 0 too, hidden or not
        mgr->hideAllTextBoxes(false, false);
        QVERIFY(mgr->tabWidget()->isVisible());
        QVERIFY(mgr->editor(0)->isEnabled() && mgr->editor(1)->isEnabled());
    }

    void aSettingsFileThatCannotBeWrittenIsReportedByTheTip() {
        installSettingsWarningTip();
        writeIni(QStringLiteral("Settings"), QStringLiteral("WarnIniSettings"), QStringLiteral("0"));
        QVERIFY(QFile::setPermissions(gIniPath, QFile::ReadOwner));
        QString text;
        QTimer::singleShot(0, [&text] {
            auto* tip = qobject_cast<frmTip*>(QApplication::activeModalWidget());
            QVERIFY(tip);
            text = tip->text1()->toPlainText();
            tip->confirm();
        });
        QVERIFY(!chkCanWIni());
        // Why, and what to do about it.
        QVERIFY2(text.contains(gIniPath + " is read-only") &&
                     text.endsWith("Make the file and its folder writable."),
                 qPrintable(text));
        setSettingsWarningShower(nullptr);
        QFile::setPermissions(gIniPath, QFile::ReadOwner | QFile::WriteOwner);
    }

    // --- editing ----------------------------------------------------------

    void undoAndRedoFollowTheSavedState() {
        const QString path = fileWith(QStringLiteral("p.nc"), "G00\r\n");
        const int n = mgr->openFileInNewWindow(path);
        EditControl* ed = active();
        ed->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        type(ed, QStringLiteral("G01"));
        QApplication::clipboard()->setText(QStringLiteral(" X10"));
        mgr->mnuPasteProc();
        mgr->mnuUndoProc();
        QCOMPARE(ed->bytes(), QByteArray("G00\r\nG01"));
        mgr->mnuRedoProc();
        QCOMPARE(ed->bytes(), QByteArray("G00\r\nG01 X10"));
        while (ed->canUndo())
            mgr->mnuUndoProc();
        QCOMPARE(ed->bytes(), QByteArray("G00\r\n"));
        QVERIFY(!gWindows[n].modified); // back at the saved state
        mgr->mnuRedoProc();
        QVERIFY(gWindows[n].modified);
        QVERIFY(mgr->saveWindowToFile());
        QVERIFY(!gWindows[n].modified);
        QCOMPARE(readAllBytes(path), ed->bytes());
        mgr->mnuUndoProc();
        QVERIFY(gWindows[n].modified); // the saved state is left behind
    }

    void anUndoThatEmptiesTheWindowGoesOneStepFurtherAndTheMenusFollow() {
        QMainWindow window;
        for (const char* n : {"mnuUndo", "mnuRedo", "mnuCut", "mnuCopy", "mnuPaste"})
            window.menuBar()->addAction(QString::fromLatin1(n))->setObjectName(QString::fromLatin1(n));
        const auto enabled = [&] { // undo, redo, cut, copy, paste
            mgr->setMenus(&window);
            QString on;
            for (const QAction* a : window.menuBar()->actions())
                on += a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
            return on;
        };
        QCOMPARE(enabled(), QStringLiteral("00000"));
        EditControl* ed = mgr->editor(0);
        type(ed, QStringLiteral("AB"));
        ed->setBytes(QByteArray());
        type(ed, QStringLiteral("C"));
        ed->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("X"));
        QCOMPARE(enabled(), QStringLiteral("10111"));
        mgr->mnuUndoProc(); // "C" goes, the empty text would be next: one more step
        QCOMPARE(ed->bytes(), QByteArray("AB"));
        QCOMPARE(enabled(), QStringLiteral("11001"));
        mgr->mnuRedoProc();
        QCOMPARE(ed->bytes(), QByteArray("C"));
    }

    void capitalsWhenTypingAndPastingAndClipboardKeysActOnce() {
        mgr->setCapitalising(true);
        EditControl* ed = mgr->editor(0);
        type(ed, QStringLiteral("g01x"));
        QApplication::clipboard()->setText(QStringLiteral(" y2.5"));
        QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(ed->bytes(), QByteArray("G01X Y2.5"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral(" Y2.5"));
        QVERIFY(!gPastePending);
        ed->selectAll();
        QTest::keyClick(ed, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(ed->textLength(), 0);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("G01X Y2.5"));
        QTest::keyClick(ed, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ed->bytes(), QByteArray("G01X Y2.5"));
    }

    // The keys of a Linux text field edit as they do there (the control's
    // other commands are gone: see the main window's key table).
    void theOrdinaryEditingKeysEdit_data() {
        QTest::addColumn<QString>("keys"); // from the start of "G01 X1\nG02 Y2\nM30"
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("End, Backspace") << "End, Backspace" << QByteArray("G01 X\nG02 Y2\nM30");
        QTest::newRow("Down, Ctrl+Right, Del") << "Down, Ctrl+Right, Del" << QByteArray("G01 X1\nG02 2\nM30");
        QTest::newRow("Ctrl+End, Shift+Home, Ctrl+X, Ctrl+Home, Ctrl+V")
            << "Ctrl+End, Shift+Home, Ctrl+X, Ctrl+Home, Ctrl+V" << QByteArray("M30G01 X1\nG02 Y2\n");
        QTest::newRow("Right, Return, Tab, Ins, Z") << "Right, Return, Tab, Ins, Z" << QByteArray("G\r\n\tz1 X1\nG02 Y2\nM30");
        QTest::newRow("Shift+Down, Backspace") << "Shift+Down, Backspace" << QByteArray("G02 Y2\nM30");
        QTest::newRow("End, Ctrl+Backspace") << "End, Ctrl+Backspace" << QByteArray("G01 \nG02 Y2\nM30");
        QTest::newRow("Ctrl+A, Enter, Ctrl+Z, Ctrl+Y") << "Ctrl+A, Enter, Ctrl+Z, Ctrl+Y" << QByteArray("\r\n");
        // The clipboard and undo keys with Alt held are other keys.
        QTest::newRow("End, Backspace, Ctrl+Alt+Z")
            << "End, Backspace, Ctrl+Alt+Z" << QByteArray("G01 X\nG02 Y2\nM30");
        QTest::newRow("Shift+End, Ctrl+Alt+C, Ctrl+Alt+X, Ctrl+End, Ctrl+V, Shift+Ins")
            << "Shift+End, Ctrl+Alt+C, Ctrl+Alt+X, Ctrl+End, Ctrl+V, Shift+Ins"
            << QByteArray("G01 X1\nG02 Y2\nM30");
        QTest::newRow("Shift+End, Shift+Del, Ctrl+End, Shift+Ins")
            << "Shift+End, Shift+Del, Ctrl+End, Shift+Ins" << QByteArray("\nG02 Y2\nM30G01 X1");
        QTest::newRow("End, Backspace, Ctrl+Z, Ctrl+Shift+Z")
            << "End, Backspace, Ctrl+Z, Ctrl+Shift+Z" << QByteArray("G01 X\nG02 Y2\nM30");
        QTest::newRow("Ctrl+End, Return, Return, Return, Ctrl+Home, Down, Ctrl+Down, Del")
            << "Ctrl+End, Return, Return, Return, Ctrl+Home, Down, Ctrl+Down, Del"
            << QByteArray("G01 X1\n02 Y2\nM30\r\n\r\n\r\n"); // and scrolled
        // AltGr types (X11 reports its level shift as the group switch, or as
        // nothing), and so does the keypad with Num Lock.
        QTest::newRow("AltGr+@, AltGr+{, Num+5, Num+.")
            << "AltGr+@, AltGr+{, Num+5, Num+." << QByteArray("@{5.G01 X1\nG02 Y2\nM30");
    }
    void theOrdinaryEditingKeysEdit() {
        QFETCH(QString, keys);
        QFETCH(QByteArray, text);
        EditControl* ed = mgr->editor(0);
        ed->setBytes("G01 X1\nG02 Y2\nM30");
        // Three lines show: Ctrl+Down has lines to scroll.
        QTabWidget* tabs = mgr->tabWidget();
        tabs->show();
        tabs->resize(400, tabs->height() - ed->viewport()->height() + ed->textHeight(0) * 7 / 2);
        for (const QString& key : keys.split(QStringLiteral(", "))) {
            if (key.startsWith(QStringLiteral("AltGr+"))) {
                const QString typed = key.mid(6);
                QKeyEvent press(QEvent::KeyPress, QKeySequence(typed)[0].key(), Qt::GroupSwitchModifier, typed);
                QApplication::sendEvent(ed, &press);
            } else {
                QTest::keySequence(ed, QKeySequence(key));
            }
        }
        QCOMPARE(ed->bytes(), text);
        QCOMPARE(msgs->texts(), QStringList()); // an empty clipboard pastes nothing and says nothing
        if (keys.contains(QStringLiteral("Ctrl+Down")))
            QCOMPARE(ed->firstVisibleLine(), 1);
    }

    // A character no byte stands for would be saved as "?": typed, pasted,
    // dropped or composed, it is refused and nothing changes.
    void aCharacterAProgramCannotHoldIsRefusedWhereverItComesIn() {
        const std::function<void(EditControl*, const QString&)> routes[] = {
            [](EditControl* ed, const QString& text) {
                QKeyEvent key(QEvent::KeyPress, Qt::Key_ParenLeft, Qt::NoModifier, text);
                QApplication::sendEvent(ed, &key);
            },
            [](EditControl* ed, const QString&) { QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier); },
            [this](EditControl*, const QString&) { mgr->mnuPasteProc(); },
            [](EditControl* ed, const QString& text) {
                QMimeData dragged;
                dragged.setText(text);
                QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(ed->viewport(), &enter); // the drop goes where this was taken
                QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(ed->viewport(), &drop);
            },
            [](EditControl* ed, const QString& text) {
                QInputMethodEvent composed;
                composed.setCommitString(text);
                QApplication::sendEvent(ed, &composed);
            },
        };
        const QString euro = QString::fromUtf8("\u20ac");
        const QString refusal =
            "Nothing Was Changed...\n\"" + euro + "\" Is Not A Character A Program Can Hold";
        for (const QString& text : {"(" + euro + ")", QString::fromLatin1("(\xff)")}) {
            const bool held = !text.contains(euro);
            for (const auto& route : routes) {
                mgr->openFileInNewWindow();
                QApplication::clipboard()->setText(text);
                msgs->clear();
                route(active(), text);
                QCOMPARE(active()->bytes(), held ? QByteArray("(\xff)") : QByteArray());
                QCOMPARE(msgs->texts(), held ? QStringList() : QStringList{refusal});
                QCOMPARE(gWindows[gActiveWindow].modified, held);
            }
        }
    }

    void theLockedEditorRefusesEditsButCopies() {
        writeIni(QStringLiteral("Settings"), QStringLiteral("lockeditor"), QStringLiteral("1"));
        mgr->applyDisplaySettings();
        mgr->openFileInNewWindow(fileWith(QStringLiteral("l.nc"), "G00\r\n"));
        EditControl* ed = active();
        type(ed, QStringLiteral("X"));
        QApplication::clipboard()->setText(QStringLiteral("Y"));
        mgr->mnuPasteProc();
        ed->selectAll();
        mgr->mnuCutProc();
        QCOMPARE(ed->bytes(), QByteArray("G00\r\n"));
        mgr->mnuCopyProc();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("G00\r\n"));
    }

    void loadingIntoAWindowIsOneUndoStep() {
        const QString tool = fileWith(QStringLiteral("dnc1.TMP"), "N10 G00\r\nN20 G01\r\n");
        EditControl* ed = mgr->editor(0);
        type(ed, QStringLiteral("G00"));
        QVERIFY(!mgr->loadFileIntoWindow(true, tool));
        QVERIFY(mgr->loadFileIntoWindow(false, tool));
        QCOMPARE(ed->bytes(), QByteArray("N10 G00\r\nN20 G01\r\n"));
        QCOMPARE(ed->caretLine(), 1);
        QVERIFY(gWindows[0].modified);
        mgr->mnuUndoProc();
        QCOMPARE(ed->bytes(), QByteArray("G00"));
    }

    // --- saving -----------------------------------------------------------

    void anEmptyWindowHasNothingToSaveAndTakesNoImage() {
        QVERIFY(!mgr->saveWindowToFile());
        QVERIFY(!mgr->mnuSaveAsProc());
        QVERIFY(msgs->fileRequests().isEmpty());
        // On a screen an empty clipboard is data without formats: pasted quietly, as nothing.
        QApplication::clipboard()->setMimeData(new QMimeData);
        QVERIFY(QApplication::clipboard()->mimeData() &&
                QApplication::clipboard()->mimeData()->formats().isEmpty());
        mgr->mnuPasteProc();
        auto* data = new QMimeData;
        data->setData(QStringLiteral("image/png"), QByteArray("\x89PNG"));
        QApplication::clipboard()->setMimeData(data);
        mgr->mnuPasteProc();
        QCOMPARE(msgs->texts(), (QStringList{"Nothing In The File To Save", "Zero Length File",
                                             "The Data On The ClipBoard Is Not Text"}));
        QCOMPARE(mgr->editor(0)->textLength(), 0);
    }

    // A window without a file gets one from Save or Save As: the name
    // proposed, the recent list, and whether the next Save writes in place.
    void savingGivesTheWindowItsFile_data() {
        QTest::addColumn<bool>("firstWindow");
        QTest::addColumn<bool>("saveAs");
        QTest::addColumn<QString>("proposal");
        QTest::addColumn<bool>("listed");
        QTest::newRow("new window, Save") << false << false << "Untitled2" << true;
        QTest::newRow("first window, Save") << true << false << "Untitled1" << false;
        QTest::newRow("first window, Save As") << true << true << "Untitled1.TXT" << false;
        QTest::newRow("new window, Save As") << false << true << "Untitled2.TXT" << false;
    }
    void savingGivesTheWindowItsFile() {
        QFETCH(bool, firstWindow);
        QFETCH(bool, saveAs);
        QFETCH(QString, proposal);
        QFETCH(bool, listed);
        if (firstWindow) { // window 0 as the last close leaves it: without a name
            mgr->openFileInNewWindow(fileWith(QStringLiteral("a.nc"), "A"));
            QVERIFY(mgr->closeMyFile());
        } else {
            mgr->openFileInNewWindow();
        }
        const int n = gActiveWindow;
        type(active(), QStringLiteral("G01"));
        const QString target = home->file(QStringLiteral("new.nc"));
        msgs->answerFiles({target});
        QVERIFY(saveAs ? mgr->mnuSaveAsProc() : mgr->saveWindowToFile());
        QCOMPARE(msgs->fileRequests().first().fileName, proposal);
        QCOMPARE(readAllBytes(target), QByteArray("G01"));
        QCOMPARE(RecentFiles::entries(QStringLiteral("open")).contains(target), listed);
        QCOMPARE(caption(n), QStringLiteral("new.nc"));
        QCOMPARE(gWindows[n].fileName, target);
        QVERIFY(!gWindows[n].modified && !active()->isModified());
        QVERIFY(mgr->askToSaveAll()); // Quit asks nothing
        QCOMPARE(msgs->shown().size(), 0);
        // A named window saves in place from now on; the first window asks every time.
        type(active(), QStringLiteral("X"));
        msgs->answerFiles({});
        QCOMPARE(mgr->saveWindowToFile(), !firstWindow);
        QCOMPARE(msgs->fileRequests().size(), firstWindow ? 2 : 1);
        QCOMPARE(readAllBytes(target), QByteArray(firstWindow ? "G01" : "G01X"));
    }

    void mergeAndCompareWindowsAreSavedUnderANameTheyChoose_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::newRow("merge") << "merge.$$$" << "Merge1";
        QTest::newRow("compare") << "compare.$$$" << "Compare1";
    }
    void mergeAndCompareWindowsAreSavedUnderANameTheyChoose() {
        QFETCH(QString, file);
        QFETCH(QString, name);
        writeIni(gCurrentMachineSection, QStringLiteral("SendExtension1"), QStringLiteral("NC"));
        const int n = mgr->openFileInNewWindow(fileWith(file, "%\r\nG00\r\n%\r\n"));
        QCOMPARE(caption(n), name);
        QCOMPARE(gWindows[n].fileName, name);
        QVERIFY(gWindows[n].isMerge || gWindows[n].isCompare);
        QVERIFY(gWindows[n].modified);
        if (gWindows[n].isMerge)
            QCOMPARE(firstRecent(), QString());
        const QString target = home->file(QStringLiteral("saved.nc"));
        msgs->answerFiles({target});
        QVERIFY(mgr->saveWindowToFile());
        QCOMPARE(msgs->fileRequests().last().fileName, name + ".NC");
        QCOMPARE(readAllBytes(target), QByteArray("%\r\nG00\r\n%\r\n"));
        QVERIFY(!gWindows[n].isMerge && !gWindows[n].isCompare && !gWindows[n].modified);
        QVERIFY(mgr->closeMyFile());
        QVERIFY(msgs->shown().isEmpty());
    }

    void aFailedSaveSaysSoAndKeepsFileAndText() {
        const QByteArray old("%\r\nO1000\r\nG00 X0\r\n%\r\n");
        const QString path = fileWith(QStringLiteral("keep/prog.nc"), old);
        const int n = mgr->openFileInNewWindow(path);
        type(active(), QStringLiteral("G01 X100 Y100 Z100 F2000"));
        const QByteArray edited = active()->bytes();
        {
            FileSizeLimit limit(old.size());
            QVERIFY(!mgr->saveWindowToFile());
        }
        QVERIFY(msgs->sawText("The File " + path + " Could Not Be Saved"));
        QCOMPARE(readAllBytes(path), old);
        QCOMPARE(active()->bytes(), edited);
        QVERIFY(gWindows[n].modified);
        // The folder is gone: closing with Yes fails to save and keeps the window.
        QVERIFY(QDir(home->file(QStringLiteral("keep"))).removeRecursively());
        msgs->answer(Msg::AnswerYes);
        QVERIFY(!mgr->closeMyFile());
        QVERIFY(!gWindows[n].closed);
        QCOMPARE(active()->bytes(), edited);
    }

    // A file written by someone else since the window read it (same length,
    // same time) is replaced only on Yes to a question naming it, by Save,
    // by Yes on closing and by Yes to the questions of Quit; the question
    // left unanswered is No. A file that is gone is written unasked.
    void aSaveAsksBeforeReplacingAFileChangedSinceTheWindowReadIt_data() {
        QTest::addColumn<int>("route"); // 0 Save, 1 close, 2 Quit
        QTest::addColumn<int>("answer"); // NoAnswer: the question's default
        QTest::addColumn<bool>("gone");  // the file was removed instead
        for (int route = 0; route < 3; ++route)
            for (Msg::Answer answer : {Msg::AnswerNo, Msg::AnswerYes})
                QTest::addRow("%s, %s",
                              route == 0   ? "Save"
                              : route == 1 ? "close"
                                           : "Quit",
                              answer == Msg::AnswerYes ? "Yes" : "No")
                    << route << int(answer) << false;
        QTest::newRow("Save, unanswered") << 0 << int(Msg::NoAnswer) << false;
        QTest::newRow("Save, the file gone") << 0 << int(Msg::NoAnswer) << true;
    }
    void aSaveAsksBeforeReplacingAFileChangedSinceTheWindowReadIt() {
        QFETCH(int, route);
        QFETCH(int, answer);
        QFETCH(bool, gone);
        const QString path = fileWith(QStringLiteral("o.nc"), "G01\n");
        const int n = mgr->openFileInNewWindow(path);
        type(active(), QStringLiteral("X"));
        const QDateTime time = QFileInfo(path).lastModified();
        if (gone) {
            QVERIFY(QFile::remove(path));
        } else {
            writeAllBytes(path, "G02\n");
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(time, QFileDevice::FileModificationTime));
        }
        if (route > 0)
            msgs->answer(Msg::AnswerYes); // "Do you want to save the changes?"
        if (answer != Msg::NoAnswer)
            msgs->answer(Msg::Answer(answer));
        const bool overwrite = gone || answer == Msg::AnswerYes;
        const bool done = route == 0   ? mgr->saveWindowToFile()
                          : route == 1 ? mgr->closeMyFile()
                                       : mgr->askToSaveAll();
        QCOMPARE(done, overwrite);
        QCOMPARE(
            msgs->sawText("The File " + path + " Has Changed On Disk Since This Window Read Or Saved It"),
            !gone);
        QCOMPARE(readAllBytes(path), QByteArray(overwrite ? "XG01\n" : "G02\n"));
        QCOMPARE(gWindows[n].closed, route == 1 && overwrite);
        QCOMPARE(gWindows[n].modified, !overwrite);
        if (!overwrite || route == 1)
            return;
        // What the window wrote is what it holds: the next save asks nothing.
        msgs->clear();
        type(active(), QStringLiteral("Y"));
        QVERIFY(mgr->saveWindowToFile());
        QVERIFY(msgs->shown().isEmpty());
        QCOMPARE(readAllBytes(path), QByteArray("XYG01\n"));
    }

    void aWindowThatTookTheFileAgainSavesOverItUnasked() {
        const QString path = fileWith(QStringLiteral("w.nc"), "G01\n");
        mgr->openFileInNewWindow(path);
        writeAllBytes(path, "G02\n"); // a split wrote it, and the window shows it
        mgr->reloadWrittenFile(path);
        type(active(), QStringLiteral("X"));
        QVERIFY(mgr->saveWindowToFile());
        QVERIFY(msgs->shown().isEmpty());
        QCOMPARE(readAllBytes(path), QByteArray("XG02\n"));
    }

    // --- closing ----------------------------------------------------------

    // The save question on closing a changed window; "saveTo" answers the
    // Save As of an untitled window (empty: cancelled).
    void closingAChangedWindowAsksAndHonoursTheAnswer_data() {
        QTest::addColumn<bool>("untitled");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveTo");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("Cancel") << false << int(Msg::AnswerCancel) << "" << false << QByteArray("G00\r\n");
        QTest::newRow("No") << false << int(Msg::AnswerNo) << "" << true << QByteArray("G00\r\n");
        QTest::newRow("Yes") << false << int(Msg::AnswerYes) << "" << true << QByteArray("XG00\r\n");
        QTest::newRow("untitled, cancelled") << true << int(Msg::AnswerYes) << "" << false << QByteArray();
        QTest::newRow("untitled, saved") << true << int(Msg::AnswerYes) << "u.nc" << true << QByteArray("X");
    }
    void closingAChangedWindowAsksAndHonoursTheAnswer() {
        QFETCH(bool, untitled);
        QFETCH(int, answer);
        QFETCH(QString, saveTo);
        QFETCH(bool, closes);
        QFETCH(QByteArray, written);
        const QString path =
            untitled ? home->file(QStringLiteral("u.nc")) : fileWith(QStringLiteral("c.nc"), "G00\r\n");
        const int n = untitled ? mgr->openFileInNewWindow() : mgr->openFileInNewWindow(path);
        type(active(), QStringLiteral("X"));
        msgs->answer(Msg::Answer(answer));
        if (untitled)
            msgs->answerFiles(saveTo.isEmpty() ? QStringList() : QStringList{home->file(saveTo)});
        QCOMPARE(mgr->closeMyFile(), closes);
        QCOMPARE(gWindows[n].closed, closes);
        const QString name = untitled ? QStringLiteral("Untitled2") : path;
        QVERIFY(msgs->sawText("The text in [" + name + "] has changed.\nDo you want to save the changes?"));
        QCOMPARE(readAllBytes(path), written);
        QCOMPARE(msgs->fileRequests().size(), int(untitled));
        if (untitled)
            QCOMPARE(msgs->fileRequests().first().fileName, QStringLiteral("Untitled2.TXT"));
    }

    void afterACloseTheActiveWindowIsAnOpenOne() {
        mgr->openFileInNewWindow(fileWith(QStringLiteral("a.nc"), "A"));
        mgr->openFileInNewWindow(fileWith(QStringLiteral("b.nc"), "B"));
        mgr->openFileInNewWindow(fileWith(QStringLiteral("c.nc"), "C"));
        mgr->selectWindow(2);
        QVERIFY(mgr->closeMyFile());
        QCOMPARE(gActiveWindow, 1);
        QCOMPARE(mgr->tabWidget()->currentIndex(), 1);
        QVERIFY(!mgr->editor(2));
        QVERIFY(mgr->closeMyFile());
        QCOMPARE(gActiveWindow, 3);
        QApplication::clipboard()->setText(QStringLiteral("P"));
        mgr->mnuPasteProc();
        QCOMPARE(mgr->editor(3)->bytes(), QByteArray("PC"));
    }

    // --- menus, status, colours ----------------------------------------------

    void recentMenusFollowTheListsOfTheCurrentMachine() {
        QMainWindow window;
        const auto entry = [&window](const QString& name) {
            QAction* a = window.menuBar()->addAction(name);
            a->setObjectName(name);
            a->setVisible(false);
            return a;
        };
        QAction* header = entry(QStringLiteral("mnuRecentlyOpenHeader"));
        QAction* clear = entry(QStringLiteral("mnuClear"));
        clear->setVisible(true); // a hidden action is never enabled
        QList<QAction*> open;
        for (int i = 1; i <= 4; ++i)
            open << entry(QStringLiteral("mnuRecentFile(%1)").arg(i));
        RecentFilesMenu menus(&window);
        menus.refreshAll();
        QCOMPARE(open[0]->text(), QStringLiteral("(Empty)"));
        QVERIFY(open[0]->isVisible() && !open[0]->isEnabled() && !clear->isEnabled());

        const QString a = fileWith(QStringLiteral("a&b.nc"), "A");
        mgr->openFileInNewWindow(a);
        QCOMPARE(RecentFilesMenu::pathOf(open[0]), a);
        QCOMPARE(open[0]->text(), QString(a).replace("&", "&&"));
        QVERIFY(open[0]->isEnabled() && !open[1]->isVisible() && clear->isEnabled());
        QVERIFY(!header->isVisible()); // the heading stays hidden
        // Another machine's empty list leaves no entry leading to this machine's files.
        addRecentOpen(QStringLiteral("/p/second.nc"));
        gCurrentMachineSection = QStringLiteral("Machine2");
        menus.refreshAll();
        QCOMPARE(open[1]->text(), QStringLiteral("(Empty)"));
        QVERIFY(open[1]->isVisible() && !open[1]->isEnabled() && !clear->isEnabled());
        gCurrentMachineSection = QStringLiteral("Machine1");
        menus.refreshAll();

        msgs->answer(Msg::AnswerNo).answer(Msg::AnswerYes);
        QVERIFY(!menus.clearRecentOpenList());
        QCOMPARE(RecentFilesMenu::pathOf(open[1]), a);
        QVERIFY(menus.clearRecentOpenList());
        QCOMPARE(firstRecent(), QString());
        QCOMPARE(open[0]->text(), QStringLiteral("(Empty)"));
        QVERIFY(open[0]->isVisible() && !clear->isEnabled());
    }

    void statusTextsTellTheCaretPositionExceptDuringATransfer() {
        QSignalSpy texts(mgr.get(), &EditorManager::positionTextChanged);
        QCOMPARE(mgr->positionText(0), QStringLiteral("Ready"));
        EditControl* ed = mgr->editor(0);
        ed->setBytes("N10\r\nN20\r\nN30 G01\r\nN40\r\nN50");
        mgr->tabWidget()->show();
        ed->setCaretLine(3);
        ed->setCaretColumn(2);
        QTRY_COMPARE(texts.isEmpty() ? QString() : texts.last().first().toString(),
                     QStringLiteral("Line 3 of 5"));
        QCOMPARE(mgr->positionText(0), QStringLiteral("Block 3 of 5 Pos 2"));
        gPortState = PortSending;
        texts.clear();
        QSignalSpy moved(ed, &QsciScintilla::cursorPositionChanged);
        ed->setCaretLine(5);
        QTRY_VERIFY(!moved.isEmpty());
        for (const QList<QVariant>& t : texts)
            QVERIFY(!t.first().toString().startsWith(QLatin1String("Line")));
    }

    void blocksAreColouredInTheEditorsFontAndColours() {
        gBlockColours[7] = gBlockColours[24] = 0xFF0000u;
        gMainTextForeColor = 65280;
        gColourizeBlocks = true;
        mgr->applyDisplaySettings();
        EditControl* ed = mgr->editor(0);
        ed->setBytes("G01 (gx) 12 %\r\nx9 Y2");
        ed->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
        const auto styleAt = [ed](int pos) {
            return ed->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, (unsigned long)pos);
        };
        QCOMPARE(ed->ncLexer()->color(int(styleAt(2))), colourFromNumber(gBlockColours[7]));
        QCOMPARE(ed->ncLexer()->color(int(styleAt(6))), colourFromNumber(65280)); // in brackets
        QCOMPARE(ed->ncLexer()->color(int(styleAt(15))), colourFromNumber(65280)); // lower case
        // Every character is drawn in the editor's font and size, whatever
        // style the colouring gave it, also after colouring is switched off.
        const auto sameFont = [&] {
            for (int pos = 0; pos < ed->length(); ++pos) {
                char family[128] = {};
                ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETFONT, styleAt(pos), family);
                const long weight =
                    std::labs(long(ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETWEIGHT, styleAt(pos))));
                if (ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZE, styleAt(pos)) != ed->fontSize() ||
                    (weight > 500) != ed->isBold() || QString::fromUtf8(family) != ed->fontName())
                    return false;
            }
            return true;
        };
        QVERIFY(sameFont());
        ed->applyFont(QStringLiteral("Courier New"), 17, true);
        QVERIFY(sameFont());
        ed->setBlockColouring(false);
        QVERIFY(sameFont());
        // ...and in the editor's own colours, never the control's black on black.
        for (int pos = 0; pos < ed->length(); ++pos) {
            const unsigned long style = styleAt(pos);
            QCOMPARE(ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE, style), long(ed->textColour()));
            QCOMPARE(ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETBACK, style), long(ed->backColour()));
        }
        gColourizeBlocks = false;
        mgr->applyDisplaySettings();
        QVERIFY(!ed->ncLexer());
        gBlockColours[7] = gBlockColours[24] = 0;
    }

    void anUncolouredProgramGetsStylesWhenColouringIsSwitchedOn() {
        gColourizeBlocks = false;
        mgr->applyDisplaySettings();
        const auto options = [](EditControl* e) {
            return e->SendScintilla(QsciScintillaBase::SCI_GETDOCUMENTOPTIONS);
        };
        const int n = mgr->openFileInNewWindow(fileWith(QStringLiteral("p.nc"), "G01 X1\r\nG02 X2\r\n"));
        EditControl* ed = mgr->editor(n);
        QCOMPARE(options(ed), long(QsciScintillaBase::SC_DOCUMENTOPTION_STYLES_NONE));
        ed->selectRange(4, 6);
        ed->replaceSelection("Y9");
        ed->selectRange(8, 11);
        // The same text, still to be saved, with the caret where it was, now coloured.
        gColourizeBlocks = true;
        mgr->applyDisplaySettings();
        QCOMPARE(options(ed), long(QsciScintillaBase::SC_DOCUMENTOPTION_DEFAULT));
        QCOMPARE(ed->bytes(), QByteArray("G01 Y9\r\nG02 X2\r\n"));
        QVERIFY(ed->isModified() && gWindows[n].modified);
        QCOMPARE(ed->selectedBytes(), QByteArray("G02"));
        ed->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
        QVERIFY(ed->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 0UL) != 0);
        // Still an editor: an edit can be undone, the file saved and loaded again.
        ed->replaceSelection("G03");
        ed->undo();
        QCOMPARE(ed->bytes(), QByteArray("G01 Y9\r\nG02 X2\r\n"));
        QVERIFY(ed->saveFile(home->file(QStringLiteral("p.nc"))));
        ed->markSaved();
        gColourizeBlocks = false;
        mgr->applyDisplaySettings();
        QVERIFY(ed->loadFile(home->file(QStringLiteral("p.nc"))));
        QCOMPARE(options(ed), long(QsciScintillaBase::SC_DOCUMENTOPTION_STYLES_NONE));
        QCOMPARE(ed->bytes(), QByteArray("G01 Y9\r\nG02 X2\r\n"));
    }
};

QTEST_MAIN(EditorWindowsTest)
#include "EditorWindowsTest.moc"
