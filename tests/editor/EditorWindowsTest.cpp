#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "FileSizeLimit.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "NcLexer.h"
#include "RecentFiles.h"
#include "RecentFilesMenu.h"
#include "SettingsWarning.h"
#include "ScriptedMessages.h"
#include "TestHome.h"
#include "TransferGlobals.h"
#include "frmAskDeleteNulls.h"
#include "frmTip.h"
#include "EditorFiles.h"

#include <QAction>
#include <cstdlib>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

class EditorWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedMessages> msgs;
    std::unique_ptr<EditorManager> mgr;

    QString fileWith(const QString& name, const QByteArray& bytes) {
        const QString path = home->file(name);
        QDir().mkpath(QFileInfo(path).path());
        writeAllBytes(path, bytes);
        return path;
    }
    EditControl* active() { return mgr->activeEditor(); }
    QString caption(int i) { return mgr->tabCaption(i); }
    bool tabShown(int i) { return mgr->tabWidget()->isTabVisible(i); }

    // Answers frmAskDeleteNulls once it is shown: picks the option (-1 none)
    // and presses button 0 (OK) or 1 (Cancel).
    static void answerNullDialog(int option, int button) {
        QTimer::singleShot(0, [option, button] {
            auto* dialog = qobject_cast<frmAskDeleteNulls*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            if (option >= 0)
                dialog->optLoad(option)->setChecked(true);
            dialog->Command1_Click(button);
        });
    }

    void type(EditControl* ed, const QString& text) { QTest::keyClicks(ed, text); }

private Q_SLOTS:
    void init() {
        home = std::make_unique<TestHome>();
        gCurrentMachineSection = QStringLiteral("Machine1");
        gPortState = PortIdle;
        msgs = std::make_unique<ScriptedMessages>();
        mgr = std::make_unique<EditorManager>();
        QApplication::clipboard()->clear();
    }
    void cleanup() {
        mgr.reset();
        msgs.reset();
        home.reset();
    }

    // --- bytes in, bytes out ---------------------------------------------

    void roundTrip_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("CR LF") << QByteArray("%\r\nO1000\r\nG00 X0 Y0\r\nM30\r\n%\r\n");
        QTest::newRow("LF") << QByteArray("%\nO1000\nG01 X1.5 F100\n%\n");
        QTest::newRow("lone CR") << QByteArray("%\rO1000\rG01 X1.5\r%");
        QTest::newRow("LF CR CR") << QByteArray("%\n\r\rO1\n\r\rG00\n\r\r");
        QTest::newRow("mixed, no end") << QByteArray("G00\r\nG01\nG02\rG03\n\r\r\r\nM30");
        QByteArray nuls("\0\0\0%\r\nG01\0X1\r\n\0", 15);
        QTest::newRow("NUL bytes") << nuls;
        QByteArray high;
        for (int c = 128; c < 256; ++c)
            high.append(char(c));
        QTest::newRow("bytes 128-255") << high + QByteArray("\r\n") + high;
        const QByteArray piece((1 << 20) - 1, 'X'); // CR and LF fall into two reads
        QTest::newRow("CR LF across a megabyte") << piece + "\r\nG01\r\n" + piece;
    }
    void roundTrip() {
        QFETCH(QByteArray, bytes);
        const QString path = fileWith(QStringLiteral("in.nc"), bytes);
        if (bytes.contains('\0'))
            answerNullDialog(2, 0); // load as it is
        const int n = mgr->openFileInNewWindow(path);
        QVERIFY(n > 0);
        QCOMPARE(active()->bytes(), bytes);
        QCOMPARE(active()->textLength(), bytes.size());
        QCOMPARE(active()->lineCount(), int(bytes.count('\r') + bytes.count('\n') - bytes.count("\r\n")) + 1);
        QVERIFY(!gWindows[n].modified);

        const QString copy = home->file(QStringLiteral("out.nc"));
        msgs->answerFiles({copy});
        QVERIFY(mgr->mnuSaveAsProc());
        QCOMPARE(readAllBytes(copy), bytes);
        QVERIFY(mgr->saveWindowToFile());
        QCOMPARE(readAllBytes(copy), bytes);
        QCOMPARE(readAllBytes(path), bytes);

        // Through the clipboard into a new window.
        active()->selectAll();
        mgr->mnuCopyProc();
        mgr->openFileInNewWindow();
        mgr->mnuPasteProc();
        QCOMPARE(active()->bytes(), bytes);
        QCOMPARE(msgs->unanswered(), 0);
    }

    void aReadThatFailsPartWayLeavesTheWindowEmptyAndSaysWhy() {
        struct Failing : QIODevice {
            qint64 left = 3 << 20;
            qint64 readData(char* data, qint64 n) override {
                if (left <= 0) {
                    setErrorString(QStringLiteral("Input/output error"));
                    return -1;
                }
                n = qMin(n, left);
                memset(data, 'G', size_t(n));
                left -= n;
                return n;
            }
            qint64 writeData(const char*, qint64) override { return -1; }
        } in;
        in.open(QIODevice::ReadOnly);
        QString error;
        QVERIFY(!active()->loadFrom(in, &error));
        QCOMPARE(active()->textLength(), 0);
        QCOMPARE(error, QStringLiteral("Input/output error"));
    }

    // --- windows and tabs ----------------------------------------------

    void openingAFileHidesTheUntouchedFirstWindow() {
        QCOMPARE(caption(0), QStringLiteral("Untitled1"));
        QCOMPARE(gWindows[0].fileName, QStringLiteral("Untitled1"));
        const QString a = fileWith(QStringLiteral("a.nc"), "G00\r\n");
        const int n = mgr->openFileInNewWindow(a);
        QCOMPARE(n, 1);
        QCOMPARE(gActiveWindow, 1);
        QCOMPARE(caption(1), QStringLiteral("a.nc"));
        QCOMPARE(gWindows[1].fileName, a);
        QVERIFY(!tabShown(0));
        QVERIFY(!gWindows[0].closed);
        QCOMPARE(mgr->editor(1)->objectName(), QStringLiteral("txtTerm(1)"));
        QCOMPARE(RecentFiles::entries(QStringLiteral("open")).first(), a);
    }

    void aFirstWindowWithTextStaysShown() {
        type(mgr->editor(0), QStringLiteral("G01"));
        mgr->openFileInNewWindow(fileWith(QStringLiteral("a.nc"), "G00\r\n"));
        QVERIFY(tabShown(0));
    }

    void anOpenFileIsBroughtToTheFrontNotOpenedTwice() {
        const QString a = fileWith(QStringLiteral("a.nc"), "A\r\n");
        const QString b = fileWith(QStringLiteral("b.nc"), "B\r\n");
        const QString upper = fileWith(QStringLiteral("A.nc"), "UPPER\r\n");
        mgr->fileAlreadyOpen(a);
        mgr->fileAlreadyOpen(b);
        QCOMPARE(gActiveWindow, 2);
        mgr->fileAlreadyOpen(a);
        QCOMPARE(gActiveWindow, 1);
        QCOMPARE(mgr->tabWidget()->currentIndex(), 1);
        QCOMPARE(mgr->tabWidget()->count(), 3);
        // Names differing in case are different files here.
        mgr->fileAlreadyOpen(upper);
        QCOMPARE(mgr->tabWidget()->count(), 4);
        QCOMPARE(active()->bytes(), QByteArray("UPPER\r\n"));
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

    void theOpenCommandOpensEveryChosenFileOnceInOrder() {
        const QString a = fileWith(QStringLiteral("p/a.nc"), "A");
        const QString b = fileWith(QStringLiteral("p/b.nc"), "B");
        const QString c = fileWith(QStringLiteral("p/c.nc"), "C");
        QSignalSpy shown(mgr.get(), &EditorManager::editorAreaShown);
        msgs->answerFiles({a, b, c});
        mgr->openFileIntoWindow();
        QCOMPARE(mgr->tabWidget()->count(), 4);
        QCOMPARE(caption(1), QStringLiteral("a.nc"));
        QCOMPARE(caption(3), QStringLiteral("c.nc"));
        QCOMPARE(shown.count(), 1);
        QCOMPARE(msgs->fileRequests().first().title, QStringLiteral("Open CNC File"));
        msgs->answerFiles({b, c});
        mgr->openFileIntoWindow();
        QCOMPARE(mgr->tabWidget()->count(), 4);
        QCOMPARE(gActiveWindow, 3);
        msgs->answerFiles({});
        mgr->openFileIntoWindow();
        QCOMPARE(mgr->tabWidget()->count(), 4);
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

    void captionFollowsTheWindow() {
        QSignalSpy captions(mgr.get(), &EditorManager::captionChanged);
        mgr->setCaption(0);
        QCOMPARE(captions.last().first().toString(), QStringLiteral("Feedline"));
        type(mgr->editor(0), QStringLiteral("G1"));
        mgr->setCaption(0);
        QCOMPARE(captions.last().first().toString(), QStringLiteral("Feedline [Untitled] "));
        mgr->openFileInNewWindow();
        QCOMPARE(captions.last().first().toString(), QStringLiteral("Feedline [Untitled2] "));
        QSignalSpy send(mgr.get(), &EditorManager::sendWindowEnabledChanged);
        mgr->selectWindow(0);
        QCOMPARE(send.last().first().toBool(), true);
        mgr->selectWindow(1);
        QCOMPARE(send.last().first().toBool(), false);
    }

    void aReceiveHidesAndLocksTheWindowsAndOneEditorShowsAtATime() {
        QTabWidget* tabs = mgr->tabWidget();
        tabs->show();
        mgr->openFileInNewWindow(fileWith(QStringLiteral("a.nc"), "A"));
        mgr->openFileInNewWindow();
        mgr->selectWindow(1);
        mgr->selectWindow(2);
        mgr->selectWindow(1);
        int shown = 0;
        for (int i = 0; i < tabs->count(); ++i)
            if (mgr->editor(i) && mgr->editor(i)->isVisible())
                ++shown;
        QCOMPARE(shown, 1);
        QVERIFY(mgr->editor(1)->isVisible());
        mgr->hideAllTextBoxes(true, true);
        QVERIFY(!tabs->isVisible());
        QVERIFY(!mgr->editor(1)->isEnabled());
        QVERIFY(!mgr->editor(0)->isEnabled()); // window 0 too, hidden or not
        mgr->hideAllTextBoxes(false, false);
        QVERIFY(tabs->isVisible());
        QVERIFY(mgr->editor(2)->isEnabled());
    }

    void aCompareWindowIsSavedUnderANameItChooses() {
        const int n = mgr->openFileInNewWindow(fileWith(QStringLiteral("compare.$$$"), "SAME"));
        QCOMPARE(caption(n), QStringLiteral("Compare1"));
        QVERIFY(gWindows[n].isCompare);
        const QString target = home->file(QStringLiteral("cmp.nc"));
        msgs->answerFiles({target});
        QVERIFY(mgr->saveWindowToFile());
        QCOMPARE(msgs->fileRequests().last().fileName, QStringLiteral("Compare1.TXT"));
        QCOMPARE(readAllBytes(target), QByteArray("SAME"));
        QVERIFY(!QFile::exists(QStringLiteral("Compare1")));
    }

    void aSettingsFileThatCannotBeWrittenIsReportedByTheTip() {
        installSettingsWarningTip(QStringLiteral("The settings file is read-only."));
        writeIni(QStringLiteral("Settings"), QStringLiteral("WarnIniSettings"), QStringLiteral("0"));
        QVERIFY(QFile::setPermissions(gIniPath, QFile::ReadOwner));
        QString title, text;
        QTimer::singleShot(0, [&title, &text] {
            auto* tip = qobject_cast<frmTip*>(QApplication::activeModalWidget());
            QVERIFY(tip);
            title = tip->windowTitle();
            text = tip->text1()->toPlainText();
            QVERIFY(!tip->command1()->isVisible());
            tip->confirm();
        });
        QVERIFY(!chkCanWIni());
        QCOMPARE(title, QStringLiteral("Can't Write To Settings File **Warning**"));
        QCOMPARE(text, QStringLiteral("The settings file is read-only."));
        setSettingsWarningShower(nullptr);
        QFile::setPermissions(gIniPath, QFile::ReadOwner | QFile::WriteOwner);
    }

    // --- editing ----------------------------------------------------------

    void undoAndRedoAcrossAPasteFollowTheSavedState() {
        const QString path = fileWith(QStringLiteral("p.nc"), "G00\r\n");
        const int n = mgr->openFileInNewWindow(path);
        EditControl* ed = active();
        ed->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        QVERIFY(!gWindows[n].modified);
        type(ed, QStringLiteral("G01"));
        QVERIFY(gWindows[n].modified);
        QApplication::clipboard()->setText(QStringLiteral(" X10"));
        mgr->mnuPasteProc();
        QCOMPARE(ed->bytes(), QByteArray("G00\r\nG01 X10"));
        mgr->mnuUndoProc();
        QCOMPARE(ed->bytes(), QByteArray("G00\r\nG01"));
        QVERIFY(gWindows[n].modified);
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

    void anUndoThatEmptiesTheWindowGoesOneStepFurther() {
        EditControl* ed = mgr->editor(0);
        type(ed, QStringLiteral("AB"));
        ed->setBytes(QByteArray());
        type(ed, QStringLiteral("C"));
        mgr->mnuUndoProc(); // "C" goes, the empty text would be next: one more step
        QCOMPARE(ed->bytes(), QByteArray("AB"));
        mgr->mnuRedoProc();
        QCOMPARE(ed->bytes(), QByteArray("C"));
    }

    void capitalsWhenTypingAndPasting() {
        mgr->setCapitalising(true);
        EditControl* ed = mgr->editor(0);
        type(ed, QStringLiteral("g01x"));
        QCOMPARE(ed->bytes(), QByteArray("G01X"));
        QApplication::clipboard()->setText(QStringLiteral(" y2.5"));
        mgr->mnuPasteProc();
        QCOMPARE(ed->bytes(), QByteArray("G01X Y2.5"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral(" Y2.5"));
    }

    void pasteRefusesAClipboardWithoutText() {
        auto* data = new QMimeData;
        data->setData(QStringLiteral("image/png"), QByteArray("\x89PNG"));
        QApplication::clipboard()->setMimeData(data);
        mgr->mnuPasteProc();
        QVERIFY(msgs->sawText("The Data On The ClipBoard Is Not Text"));
        QCOMPARE(mgr->editor(0)->textLength(), 0);
    }

    void clipboardKeysActOnceThroughTheEditor() {
        mgr->setCapitalising(true);
        EditControl* ed = mgr->editor(0);
        QApplication::clipboard()->setText(QStringLiteral("x1"));
        QTest::keyClick(ed, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(ed->bytes(), QByteArray("X1"));
        QVERIFY(!gPastePending);
        ed->selectAll();
        QTest::keyClick(ed, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(ed->textLength(), 0);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("X1"));
        QTest::keyClick(ed, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ed->bytes(), QByteArray("X1"));
    }

    void theLockedEditorRefusesEditsAndClosesWithoutAsking() {
        writeIni(QStringLiteral("Settings"), QStringLiteral("lockeditor"), QStringLiteral("1"));
        const QString path = fileWith(QStringLiteral("l.nc"), "G00\r\n");
        mgr->applyDisplaySettings();
        mgr->openFileInNewWindow(path);
        EditControl* ed = active();
        type(ed, QStringLiteral("X"));
        QApplication::clipboard()->setText(QStringLiteral("Y"));
        mgr->mnuPasteProc();
        ed->selectAll();
        mgr->mnuCutProc();
        QCOMPARE(ed->bytes(), QByteArray("G00\r\n"));
        mgr->mnuCopyProc();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("G00\r\n"));
        QVERIFY(mgr->closeMyFile());
        QVERIFY(msgs->shown().isEmpty());
    }

    void loadingIntoAWindowIsOneUndoStep() {
        const QString tool = fileWith(QStringLiteral("dnc1.TMP"), "N10 G00\r\nN20 G01\r\n");
        EditControl* ed = mgr->editor(0);
        type(ed, QStringLiteral("G00"));
        QVERIFY(!mgr->loadFileIntoWindow(true, tool));
        QCOMPARE(ed->bytes(), QByteArray("G00"));
        QVERIFY(mgr->loadFileIntoWindow(false, tool));
        QCOMPARE(ed->bytes(), QByteArray("N10 G00\r\nN20 G01\r\n"));
        QCOMPARE(ed->caretLine(), 1);
        QVERIFY(gWindows[0].modified);
        mgr->mnuUndoProc();
        QCOMPARE(ed->bytes(), QByteArray("G00"));
    }

    // --- saving -----------------------------------------------------------

    void savingAnEmptyWindowOnlySaysSo() {
        QSignalSpy menus(mgr.get(), &EditorManager::menusDisabled);
        QVERIFY(!mgr->saveWindowToFile());
        QVERIFY(msgs->sawText("Nothing In The File To Save"));
        QVERIFY(msgs->fileRequests().isEmpty());
        QCOMPARE(menus.count(), 0);
        QVERIFY(!mgr->mnuSaveAsProc());
        QVERIFY(msgs->sawText("Zero Length File"));
    }

    void savingAnUntitledWindowGivesItTheFile() {
        mgr->openFileInNewWindow();
        type(active(), QStringLiteral("G01"));
        const QString target = home->file(QStringLiteral("new.nc"));
        msgs->answerFiles({target});
        QVERIFY(mgr->saveWindowToFile());
        QCOMPARE(msgs->fileRequests().first().fileName, QStringLiteral("Untitled2"));
        QCOMPARE(readAllBytes(target), QByteArray("G01"));
        QCOMPARE(caption(1), QStringLiteral("new.nc"));
        QCOMPARE(gWindows[1].fileName, target);
        QVERIFY(!gWindows[1].modified);
        QCOMPARE(RecentFiles::entries(QStringLiteral("open")).first(), target);
        // From now on it saves in place.
        type(active(), QStringLiteral("X"));
        QVERIFY(mgr->saveWindowToFile());
        QCOMPARE(msgs->fileRequests().size(), 1);
        QCOMPARE(readAllBytes(target), QByteArray("G01X"));
    }

    void theFirstWindowAlwaysAsksForANameAndStaysOffTheRecentList() {
        type(mgr->editor(0), QStringLiteral("G02"));
        const QString one = home->file(QStringLiteral("one.nc"));
        msgs->answerFiles({one});
        QVERIFY(mgr->saveWindowToFile());
        QCOMPARE(msgs->fileRequests().last().fileName, QStringLiteral("Untitled1"));
        QCOMPARE(caption(0), QStringLiteral("one.nc"));
        msgs->answerFiles({});
        QVERIFY(!mgr->saveWindowToFile());
        QCOMPARE(msgs->fileRequests().size(), 2);
        QCOMPARE(RecentFiles::entries(QStringLiteral("open")).first(), QString());
    }

    void aMergeResultIsSavedUnderANewName() {
        writeIni(gCurrentMachineSection, QStringLiteral("SendExtension1"), QStringLiteral("NC"));
        const QString merge = fileWith(QStringLiteral("merge.$$$"), "%\r\nG00\r\n%\r\n");
        const int n = mgr->openFileInNewWindow(merge);
        QCOMPARE(caption(n), QStringLiteral("Merge1"));
        QCOMPARE(gWindows[n].fileName, QStringLiteral("Merge1"));
        QVERIFY(gWindows[n].isMerge);
        QVERIFY(gWindows[n].modified);
        QCOMPARE(RecentFiles::entries(QStringLiteral("open")).first(), QString());
        const QString target = home->file(QStringLiteral("merged.nc"));
        msgs->answerFiles({target});
        QVERIFY(mgr->saveWindowToFile());
        QCOMPARE(msgs->fileRequests().last().fileName, QStringLiteral("Merge1.NC"));
        QCOMPARE(readAllBytes(target), QByteArray("%\r\nG00\r\n%\r\n"));
        QVERIFY(!gWindows[n].isMerge);
        QVERIFY(!gWindows[n].modified);
        QVERIFY(mgr->closeMyFile());
        QVERIFY(msgs->shown().isEmpty());
    }

    void aFailedSaveSaysSoAndKeepsFileAndText() {
        const QByteArray old("%\r\nO1000\r\nG00 X0\r\n%\r\n");
        const QString path = fileWith(QStringLiteral("keep/prog.nc"), old);
        const int n = mgr->openFileInNewWindow(path);
        EditControl* ed = active();
        ed->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
        type(ed, QStringLiteral("G01 X100 Y100 Z100 F2000"));
        const QByteArray edited = ed->bytes();
        {
            FileSizeLimit limit(old.size());
            QVERIFY(!mgr->saveWindowToFile());
        }
        QVERIFY(msgs->sawText("The File " + path + " Could Not Be Saved"));
        QCOMPARE(readAllBytes(path), old);
        QCOMPARE(ed->bytes(), edited);
        QVERIFY(gWindows[n].modified);

        // The folder is gone: the save fails, the window keeps its text, and
        // closing with Yes keeps the window open.
        QVERIFY(QDir(home->file(QStringLiteral("keep"))).removeRecursively());
        msgs->clear();
        QVERIFY(!mgr->saveWindowToFile());
        QVERIFY(msgs->sawText("Could Not Be Saved"));
        msgs->answer(Msg::AnswerYes);
        QVERIFY(!mgr->closeMyFile());
        QVERIFY(!gWindows[n].closed);
        QCOMPARE(active()->bytes(), edited);
    }

    // --- closing ----------------------------------------------------------

    void closingAChangedFileAsksAndHonoursEachAnswer() {
        const QString path = fileWith(QStringLiteral("c.nc"), "G00\r\n");
        const int n = mgr->openFileInNewWindow(path);
        type(active(), QStringLiteral("X"));
        msgs->answer(Msg::AnswerCancel);
        QVERIFY(!mgr->closeMyFile());
        QVERIFY(msgs->sawText("The text in [" + path + "] has changed.\nDo you want to save the changes?"));
        QVERIFY(!gWindows[n].closed);
        msgs->answer(Msg::AnswerNo);
        QVERIFY(mgr->closeMyFile());
        QVERIFY(gWindows[n].closed);
        QCOMPARE(readAllBytes(path), QByteArray("G00\r\n"));

        const int m = mgr->openFileInNewWindow(path);
        type(active(), QStringLiteral("Y"));
        msgs->answer(Msg::AnswerYes);
        QVERIFY(mgr->closeMyFile());
        QVERIFY(gWindows[m].closed);
        QCOMPARE(readAllBytes(path), QByteArray("YG00\r\n"));
        QVERIFY(msgs->fileRequests().isEmpty());
    }

    void closingAChangedUntitledWindowOffersSaveAs() {
        const int n = mgr->openFileInNewWindow();
        type(active(), QStringLiteral("G01"));
        msgs->answer(Msg::AnswerYes).answerFiles({});
        QVERIFY(!mgr->closeMyFile()); // Save As cancelled: nothing is lost
        QVERIFY(msgs->sawText("The text in [Untitled2] has changed."));
        QCOMPARE(msgs->fileRequests().last().fileName, QStringLiteral("Untitled2.TXT"));
        QVERIFY(!gWindows[n].closed);
        const QString target = home->file(QStringLiteral("u.nc"));
        msgs->answer(Msg::AnswerYes).answerFiles({target});
        QVERIFY(mgr->closeMyFile());
        QCOMPARE(readAllBytes(target), QByteArray("G01"));
        QVERIFY(gWindows[n].closed);
    }

    void afterACloseTheActiveWindowIsAnOpenOne() {
        const QString a = fileWith(QStringLiteral("a.nc"), "A");
        const QString b = fileWith(QStringLiteral("b.nc"), "B");
        const QString c = fileWith(QStringLiteral("c.nc"), "C");
        mgr->openFileInNewWindow(a);
        mgr->openFileInNewWindow(b);
        mgr->openFileInNewWindow(c);
        mgr->selectWindow(2);
        QVERIFY(mgr->closeMyFile());
        QCOMPARE(gActiveWindow, 1);
        QVERIFY(!gWindows[gActiveWindow].closed);
        QCOMPARE(mgr->tabWidget()->currentIndex(), 1);
        QVERIFY(!mgr->editor(2));
        QVERIFY(mgr->closeMyFile());
        QCOMPARE(gActiveWindow, 3);
        QApplication::clipboard()->setText(QStringLiteral("P"));
        mgr->mnuPasteProc();
        QCOMPARE(mgr->editor(3)->bytes(), QByteArray("PC"));
    }

    void closingTheLastWindowBringsBackAnEmptyFirstWindow() {
        QSignalSpy captions(mgr.get(), &EditorManager::captionChanged);
        const QString a = fileWith(QStringLiteral("a.nc"), "A");
        mgr->openFileInNewWindow(a);
        QVERIFY(!tabShown(0));
        QVERIFY(mgr->closeMyFile());
        QCOMPARE(gActiveWindow, 0);
        QVERIFY(tabShown(0));
        QCOMPARE(caption(0), QStringLiteral("Untitled1"));
        QCOMPARE(gWindows[0].fileName, QString());
        QCOMPARE(captions.last().first().toString(), QStringLiteral("Feedline"));
        mgr->openFileInNewWindow();
        QCOMPARE(caption(2), QStringLiteral("Untitled2"));
    }

    void saveAsGivesTheWindowTheNewFile() {
        mgr->openFileInNewWindow(fileWith(QStringLiteral("a.nc"), "A"));
        QVERIFY(mgr->closeMyFile()); // window 0 is back, without a name
        type(mgr->editor(0), QStringLiteral("G01"));
        const QString target = home->file(QStringLiteral("saved.nc"));
        msgs->answerFiles({target});
        QVERIFY(mgr->mnuSaveAsProc());
        QCOMPARE(msgs->fileRequests().last().fileName, QStringLiteral("Untitled1.TXT"));
        QCOMPARE(readAllBytes(target), QByteArray("G01"));
        QCOMPARE(caption(0), QStringLiteral("saved.nc"));
        QCOMPARE(gWindows[0].fileName, target);
        QVERIFY(!gWindows[0].modified);
    }

    void theFirstWindowKeepsItsTextWhenTheLastFileCloses() {
        type(mgr->editor(0), QStringLiteral("G04 P1"));
        mgr->openFileInNewWindow(fileWith(QStringLiteral("a.nc"), "A"));
        QVERIFY(mgr->closeMyFile());
        QCOMPARE(gActiveWindow, 0);
        QCOMPARE(mgr->editor(0)->bytes(), QByteArray("G04 P1"));
        QVERIFY(gWindows[0].modified);
    }

    // --- NUL characters ----------------------------------------------------

    void nulsAreDeletedFromTheFileBeforeItOpens() {
        QByteArray data(1500, 'G');
        data[10] = '\0';
        data[1200] = '\0';
        const QString path = fileWith(QStringLiteral("n.nc"), data);
        answerNullDialog(1, 0);
        const int n = mgr->openFileInNewWindow(path);
        QVERIFY(n > 0);
        QCOMPARE(readAllBytes(path), QByteArray(1498, 'G'));
        QCOMPARE(active()->bytes(), QByteArray(1498, 'G'));
        QCOMPARE(storedNullOptionForTest(), 1);
    }

    void cancellingTheNulQuestionOpensNothingAndRemembersTheChoice() {
        QByteArray data("G00\0X1", 6);
        const QString path = fileWith(QStringLiteral("n.nc"), data);
        answerNullDialog(2, 1);
        QCOMPARE(mgr->openFileInNewWindow(path), -1);
        QCOMPARE(readAllBytes(path), data);
        QCOMPARE(storedNullOptionForTest(), 2);
        answerNullDialog(0, 0); // "Don't Load The File"
        QCOMPARE(mgr->openFileInNewWindow(path), -1);
        QCOMPARE(mgr->tabWidget()->count(), 1);
        frmAskDeleteNulls dialog;
        QVERIFY(dialog.optLoad(0)->isChecked());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("File Contains Nulls - Options"));
    }

    // --- menus, status, colours ----------------------------------------------

    void recentMenusFollowTheListsOfTheCurrentMachine() {
        QMainWindow window;
        QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
        auto addNamed = [](QMenu* menu, const QString& name) {
            QAction* a = menu->addAction(name);
            a->setObjectName(name);
            return a;
        };
        QAction* header = addNamed(file, QStringLiteral("mnuRecentlyOpenHeader"));
        header->setVisible(false);
        QList<QAction*> open, sent;
        QMenu* send = window.menuBar()->addMenu(QStringLiteral("&Sending To CNC"));
        for (int i = 1; i <= 4; ++i) {
            open << addNamed(file, QStringLiteral("mnuRecentFile(%1)").arg(i));
            sent << addNamed(send, QStringLiteral("mnuRecentSentFile(%1)").arg(i));
            open.last()->setVisible(i == 1);
            sent.last()->setVisible(i == 1);
        }
        QAction* clear = addNamed(file, QStringLiteral("mnuClear"));
        RecentFilesMenu menus(&window);
        menus.refreshAll();
        QCOMPARE(open[0]->text(), QStringLiteral("(Empty)"));
        QVERIFY(!open[0]->isEnabled());
        QVERIFY(open[0]->isVisible());
        QVERIFY(!clear->isEnabled());

        const QString a = fileWith(QStringLiteral("a&b.nc"), "A");
        mgr->openFileInNewWindow(a);
        QCOMPARE(RecentFilesMenu::pathOf(open[0]), a);
        QCOMPARE(open[0]->text(), QString(a).replace("&", "&&"));
        QVERIFY(open[0]->isEnabled());
        QVERIFY(!open[1]->isVisible());
        QVERIFY(!header->isVisible()); // the heading stays hidden
        QVERIFY(clear->isEnabled());

        for (const char* p : {"/s/1", "/s/2", "/s/3", "/s/4", "/s/5"})
            addRecentFile(QString::fromLatin1(p), QStringLiteral("send"));
        QCOMPARE(RecentFilesMenu::pathOf(sent[0]), QStringLiteral("/s/5"));
        QCOMPARE(RecentFilesMenu::pathOf(sent[3]), QStringLiteral("/s/2"));
        QVERIFY(sent[3]->isVisible());

        // Another machine with empty lists: the entries stay, disabled.
        gCurrentMachineSection = QStringLiteral("Machine2");
        menus.refreshAll();
        QCOMPARE(sent[2]->text(), QStringLiteral("(Empty)"));
        QVERIFY(sent[2]->isVisible());
        QVERIFY(!sent[2]->isEnabled());
        gCurrentMachineSection = QStringLiteral("Machine1");
        menus.refreshAll();

        msgs->answer(Msg::AnswerNo);
        QVERIFY(!menus.clearRecentOpenList());
        QCOMPARE(RecentFilesMenu::pathOf(open[0]), a);
        msgs->answer(Msg::AnswerYes);
        QVERIFY(menus.clearRecentOpenList());
        QVERIFY(msgs->sawText("Sure You Want To Clear List..?"));
        QCOMPARE(RecentFiles::entries(QStringLiteral("open")).first(), QString());
        QCOMPARE(open[0]->text(), QStringLiteral("(Empty)"));
        QVERIFY(open[0]->isVisible());
        QVERIFY(!clear->isEnabled());
    }

    void editMenusFollowTheActiveWindow() {
        QMainWindow window;
        QMenu* edit = window.menuBar()->addMenu(QStringLiteral("&Edit"));
        QMap<QString, QAction*> items;
        for (const char* n : {"mnuUndo", "mnuRedo", "mnuCut", "mnuCopy", "mnuPaste"}) {
            items[n] = edit->addAction(QString::fromLatin1(n));
            items[n]->setObjectName(QString::fromLatin1(n));
        }
        mgr->setMenus(&window);
        QVERIFY(!items["mnuUndo"]->isEnabled());
        QVERIFY(!items["mnuCut"]->isEnabled());
        QVERIFY(!items["mnuPaste"]->isEnabled());
        type(mgr->editor(0), QStringLiteral("G01"));
        mgr->editor(0)->selectAll();
        QApplication::clipboard()->setText(QStringLiteral("X"));
        mgr->setMenus(&window);
        QVERIFY(items["mnuUndo"]->isEnabled());
        QVERIFY(!items["mnuRedo"]->isEnabled());
        QVERIFY(items["mnuCut"]->isEnabled());
        QVERIFY(items["mnuCopy"]->isEnabled());
        QVERIFY(items["mnuPaste"]->isEnabled());
        QSignalSpy actions(mgr.get(), &EditorManager::editActionsChanged);
        mgr->mnuUndoProc();
        QVERIFY(actions.count() > 0);
        QVERIFY(actions.last().first().value<EditActions>().redo);
    }

    void statusTextsTellTheCaretPosition() {
        QSignalSpy texts(mgr.get(), &EditorManager::positionTextChanged);
        QCOMPARE(mgr->positionText(0), QStringLiteral("Ready"));
        EditControl* ed = mgr->editor(0);
        QByteArray ten;
        for (int i = 1; i <= 10; ++i)
            ten += "N" + QByteArray::number(i * 10) + " G01\r\n";
        ten.chop(2);
        ed->setBytes(ten);
        mgr->tabWidget()->show();
        ed->setCaretLine(3);
        ed->setCaretColumn(2);
        QTRY_COMPARE(texts.isEmpty() ? QString() : texts.last().first().toString(), QStringLiteral("Line 3 of 10"));
        QCOMPARE(mgr->positionText(0), QStringLiteral("Block 3 of 10 Pos 2"));
        QCOMPARE(ed->lineText(3), QStringLiteral("N30 G01"));
        QCOMPARE(ed->currentColumn(), 2);
        QCOMPARE(ed->caretColumnInLine(), 3);
        // While a transfer runs the caret text stays away from the status line.
        gPortState = PortSending;
        texts.clear();
        ed->setCaretLine(5);
        QTest::qWait(20);
        for (const QList<QVariant>& t : texts)
            QVERIFY(!t.first().toString().startsWith(QLatin1String("Line")));
        gPortState = PortIdle;
        QVERIFY(ed->replaceLineText(5, QStringLiteral("N50 G00")));
        QCOMPARE(ed->lineText(5), QStringLiteral("N50 G00"));
        QVERIFY(!ed->replaceLineText(11, QStringLiteral("X")));
    }

    void blocksAreColouredByTheirAddressLetter() {
        for (int i = 1; i <= 26; ++i)
            gBlockColours[i] = 0x010000u * i; // blue grows with the letter
        gMainTextForeColor = 65280;
        gColourizeBlocks = true;
        mgr->applyDisplaySettings();
        EditControl* ed = mgr->editor(0);
        ed->setBytes("G01 X-1.5 (gx) 12 %\r\nx9 Y2");
        ed->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
        const auto colourAt = [ed](int pos) {
            const int style = int(ed->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, (unsigned long)pos));
            return ed->ncLexer()->color(style);
        };
        QCOMPARE(colourAt(0), colourFromNumber(gBlockColours[7]));  // G
        QCOMPARE(colourAt(2), colourFromNumber(gBlockColours[7]));  // its number
        QCOMPARE(colourAt(4), colourFromNumber(gBlockColours[24])); // X
        QCOMPARE(colourAt(7), colourFromNumber(gBlockColours[24]));
        QCOMPARE(colourAt(11), colourFromNumber(65280));            // inside brackets
        QCOMPARE(colourAt(15), colourFromNumber(65280));            // a digit
        QCOMPARE(colourAt(18), colourFromNumber(65280));            // %
        QCOMPARE(colourAt(21), colourFromNumber(65280));            // lower case
        QCOMPARE(colourAt(24), colourFromNumber(gBlockColours[25])); // Y
        // Every character is drawn in the editor's font and size, whatever
        // style the colouring gave it, also after colouring is switched off.
        const auto sameFont = [ed] {
            for (int pos = 0; pos < ed->length(); ++pos) {
                const unsigned long style = ed->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, (unsigned long)pos);
                char family[128] = {};
                ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETFONT, style, family);
                const long weight = std::labs(long(ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETWEIGHT, style)));
                if (ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZE, style) != ed->fontSize() ||
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
            const unsigned long style = ed->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, (unsigned long)pos);
            QCOMPARE(ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE, style), long(ed->textColour()));
            QCOMPARE(ed->SendScintilla(QsciScintillaBase::SCI_STYLEGETBACK, style), long(ed->backColour()));
        }
        gColourizeBlocks = false;
        mgr->applyDisplaySettings();
        QVERIFY(!ed->ncLexer());
        for (int i = 1; i <= 26; ++i)
            gBlockColours[i] = 0;
    }

private:
    static int storedNullOptionForTest() {
        return readIni(QStringLiteral("Warnings"), QStringLiteral("nullOpt"), QStringLiteral("1")).toInt();
    }
};

QTEST_MAIN(EditorWindowsTest)
#include "EditorWindowsTest.moc"
