// Receiving to disk end to end: the test is the machine on the other side of
// a pseudo-terminal pair, the receive runs with a stand-in main window and
// the real editor windows.
#include "EditControl.h"
#include "EditorGlobals.h"
#include "EditorManager.h"
#include "EiaCode.h"
#include "FileStuff.h"
#include "MachineOnPty.h"
#include "ModalAnswerer.h"
#include "ReceiveEngine.h"
#include "ReceiveSave.h"
#include "ReceiveWindowStub.h"
#include "SettingsGlobals.h"
#include "SmallDisk.h"
#include "StatusLine.h"
#include "TerminalView.h"
#include "TransferGlobals.h"
#include "TransferLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScopedValueRollback>

namespace {

// Junk before the start character and after the end character, LF line
// ends, a NUL, a control character and an unwanted comment.
const char kSentText[] = "\x7f\x7fleader\0\0%\nO1000\nG01 X1.0 (JUNK)\nM\x01" "30\n%\ntrailing junk";
const QByteArray kSent(kSentText, sizeof(kSentText) - 1);
const QByteArray kProgram("%\r\nO1000\r\nG01 X1.0 \r\nM30\r\n%");

class Receive : public MachineOnPty {
protected:
    void SetUp() override {
        MachineOnPty::SetUp();
        set({{"Alias", "Mill 1"}, {"Handshaking", "0"}, {"iBaudrate", "6"}, {"iParity", "0"},
             {"iDataLength", "3"}, {"iStopBits", "0"}, {"SendTimeOut", "30"}, {"WaitAfterReceive", "26"},
             {"HeaderReceive", "38"}, {"TrailerReceive", "38"}, {"HeaderReceiveInc", "1"},
             {"TrailerReceiveInc", "1"}, {"EOBReceive", "3"}, {"RemoveUnwantedStrings1", "(JUNK)"},
             {"ReceiveTrailerSend", "20,20"}});
        gReceiveTempFile = home.file(QStringLiteral("dncRECEIVE.TMP"));
        auto fake = std::make_unique<FakeHost>();
        host = fake.get();
        engine = std::make_unique<ReceiveEngine>(std::move(fake));
        QObject::connect(engine.get(), &ReceiveEngine::receiveEnded, [this](bool saved) { ended << saved; });
    }
    void TearDown() override {
        engine.reset();
        MachineOnPty::TearDown();
    }

    // The machine sends; returns once the receive has written all of it.
    void machineSends(const QByteArray& bytes) {
        const qint64 before = engine->receivedByteCount();
        machine.send(bytes);
        ASSERT_TRUE(waitUntil([&] { return engine->receivedByteCount() >= before + bytes.size(); }));
    }
    // A receive into `dest` through the file dialog; the machine sends `bytes`.
    void receiveThroughDialog(const QString& dest, const QByteArray& bytes) {
        msgs.answerFiles({dest});
        engine->receiveFileToDisk(false);
        ASSERT_TRUE(engine->isReceiving());
        machineSends(bytes);
    }
    // The operator ends a {Forever} receive and answers the save question.
    void pressStopAndSave(bool save = true) {
        msgs.answer(save ? Msg::AnswerYes : Msg::AnswerNo);
        engine->receiveFileToDisk(false);
        EXPECT_TRUE(msgs.sawText(QStringLiteral("Do You Want To Save File To Disk ?")));
        EXPECT_FALSE(engine->isReceiving());
    }
    static QByteArray logText() { return readAllBytes(transferLogPath()); }
    // A receive that could not be saved: the user is told where the data is
    // kept, and nothing calls it received.
    void expectKeptUnsaved(const QString& temp) {
        EXPECT_TRUE(msgs.sawText(temp)) << qPrintable(msgs.texts().join('|'));
        EXPECT_EQ(readAllBytes(temp), kSent);
        EXPECT_TRUE(logText().isEmpty());
        EXPECT_EQ(gPortState, PortIdle);
        EXPECT_FALSE(host->receiveScreen);
        EXPECT_EQ(ended, QList<bool>{false});
    }

    EditorManager editors;
    FakeHost* host = nullptr;
    std::unique_ptr<ReceiveEngine> engine;
    QList<bool> ended;
    // A dialog of its own (not a scripted message) would hold the test until
    // ctest ends it: it is closed at once, and the rule it breaks named.
    ModalAnswerer noDialog{
        [](QWidget* modal) {
            ADD_FAILURE()
                << qPrintable(modal->objectName())
                << " came up: a received program is filtered before it opens (no NUL is left to ask "
                   "about), a binary one never opens, and no receive waits on a dialog";
            modal->close();
            return true;
        },
        true};
};

TEST_F(Receive, AProgramArrivesTrimmedConvertedCleanedSavedLoggedAndOpened) {
    const QString dest = home.file(QStringLiteral("O1000.nc"));
    receiveThroughDialog(dest, kSent);
    EXPECT_EQ(gPortState, PortReceiving);
    EXPECT_NE(host->button, gReceiveCaption);
    EXPECT_TRUE(host->receiveScreen);
    // What arrived is in the temporary file as it came.
    EXPECT_EQ(readAllBytes(gReceiveTempFile), kSent);

    // A split started from the menu waits on a question meanwhile: this is
    // still one program, saved and opened under its name.
    const QScopedValueRollback<bool> splitRunning(gSplitBusy, true);
    pressStopAndSave();
    EXPECT_EQ(readAllBytes(dest), kProgram);
    EXPECT_TRUE(logText().contains("Mill 1 - File Received From CNC - " + dest.toLocal8Bit()));
    EXPECT_EQ(gWindows[gActiveWindow].fileName, dest);
    EXPECT_EQ(editors.activeEditor()->bytes(), kProgram);
    EXPECT_FALSE(editors.activeEditor()->isModified());
    // The trailer went out before the port closed.
    EXPECT_TRUE(machine.waitForCount(2, 20000));
    EXPECT_EQ(machine.received(), QByteArray("\x14\x14"));
    EXPECT_FALSE(comPort().isOpen());

    EXPECT_EQ(gPortState, PortIdle);
    EXPECT_EQ(host->button, gReceiveCaption);
    EXPECT_FALSE(host->receiveScreen);
    EXPECT_EQ(host->shownCount, kSent.size());
    EXPECT_EQ(lastStatusText(), QStringLiteral("File Received...[%1 Bytes]").arg(kSent.size()));
    EXPECT_EQ(ended, QList<bool>{true});
    engine->terminal().flush();
    EXPECT_TRUE(engine->terminal().text().contains("O1000"));
    EXPECT_FALSE(QFile::exists(gReceiveTempFile)) << "saved: nothing left in the temporary file";
}

TEST_F(Receive, AnEiaMachinesTapeCodeArrivesAsText) {
    ASSERT_TRUE(installDefaultEiaTable(eiaTableFile()));
    set("CharacterSet", QStringLiteral("1"));
    EiaTable toEia;
    ASSERT_TRUE(toEia.load(QStringLiteral("Ascii2Eia"), eiaTableFile()));
    const QByteArray tape = toEia.convert("%\nO1000\nG01X1.\nM30\n%\n");
    ASSERT_NE(tape, QByteArray("%\nO1000\nG01X1.\nM30\n%\n"));

    const QString dest = home.file(QStringLiteral("eia.nc"));
    receiveThroughDialog(dest, tape);
    pressStopAndSave();
    EXPECT_EQ(readAllBytes(dest), QByteArray("%\r\nO1000\r\nG01X1.\r\nM30\r\n%"));
}

// Stop saves nothing: what arrived stays in the temporary file (one the
// next start names), and the status line says where; the next receive
// takes another file. With nothing received there is nothing to keep.
TEST_F(Receive, StopSavesNothingAndKeepsWhatArrivedWhateverTheWaitSetting) {
    const QString dest = home.file(QStringLiteral("kept.nc"));
    ASSERT_TRUE(writeAllBytes(dest, "OLD"));
    QStringList kept;
    for (const char* wait : {"0", "26"}) {
        SCOPED_TRACE(wait);
        set("WaitAfterReceive", QString::fromLatin1(wait));
        gReceiveTempFile = getTempFileName(QStringLiteral("dnc"));
        const QString temp = gReceiveTempFile;
        ended.clear();
        msgs.clear();
        receiveThroughDialog(dest, kSent);
        if (*wait == '0')
            engine->receiveFileToDisk(false);
        else
            pressStopAndSave(false); // {Forever}: the answer No
        EXPECT_FALSE(engine->isReceiving());
        EXPECT_EQ(msgs.sawText(QStringLiteral("Do You Want To Save")), *wait != '0');
        EXPECT_EQ(readAllBytes(dest), QByteArray("OLD"));
        EXPECT_EQ(readAllBytes(temp), kSent);
        EXPECT_EQ(lastStatusText(), QStringLiteral("Stop Pressed - The %1 Bytes Received Are Kept In %2")
                                        .arg(kSent.size())
                                        .arg(temp));
        EXPECT_TRUE(logText().isEmpty());
        EXPECT_EQ(gPortState, PortIdle);
        EXPECT_EQ(ended, QList<bool>{false});

        msgs.answerFiles({dest});
        engine->receiveFileToDisk(false);
        ASSERT_TRUE(engine->isReceiving());
        EXPECT_NE(gReceiveTempFile, temp);
        // Nothing received: no question, nothing kept.
        const QString next = gReceiveTempFile;
        engine->receiveFileToDisk(false);
        EXPECT_FALSE(engine->isReceiving());
        EXPECT_FALSE(QFile::exists(next));
        EXPECT_EQ(lastStatusText(), QStringLiteral("Stop Pressed.."));
        EXPECT_EQ(gPortState, PortIdle);
        kept << temp;
    }
    engine.reset();
    for (const QString& temp : kept)
        EXPECT_EQ(readAllBytes(temp), kSent) << "nothing removes it later";
}

TEST_F(Receive, ItEndsByItselfWaitAfterReceivePlusFiveSecondsAfterTheLastByte) {
    const QString dest = home.file(QStringLiteral("idle.nc"));
    const struct {
        const char* wait;
        int seconds;
    } rows[] = {{"0", 5}, {"7", 12}, {"25", 30}, {"-3", 5}, {nullptr, 5}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.wait ? r.wait : "missing");
        removeIniSection(gCurrentMachineSection, gIniPath);
        if (r.wait)
            set("WaitAfterReceive", QString::fromLatin1(r.wait));
        writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), machine.slavePath());
        engine->receiveFileToDisk(false, dest);
        ASSERT_TRUE(engine->isReceiving());
        EXPECT_EQ(engine->receiveIdleSeconds(), r.seconds);
        engine->receiveFileToDisk(false);
    }
    // The wait counts from the last byte; then the program is saved unasked.
    QElapsedTimer sinceLastByte;
    engine->receiveFileToDisk(false, dest);
    sinceLastByte.start();
    machineSends("%\nO1\n%");
    ASSERT_TRUE(waitUntil([&] { return !engine->isReceiving(); }, 60000));
    EXPECT_GE(sinceLastByte.elapsed(), 5000);
    EXPECT_EQ(readAllBytes(dest), QByteArray("%\r\nO1\r\n%"));
    EXPECT_EQ(ended.last(), true);
    EXPECT_TRUE(msgs.shown().isEmpty()) << qPrintable(msgs.texts().join('|'));
}

TEST_F(Receive, AReceiveThatCannotStartLeavesEverythingIdle) {
    // The file dialog cancelled.
    msgs.answerFiles({});
    engine->receiveFileToDisk(false);
    EXPECT_FALSE(engine->isReceiving());
    EXPECT_EQ(host->receiveScreensShown, 0);
    EXPECT_FALSE(comPort().isOpen());
    EXPECT_EQ(gPortState, PortIdle);

    // A folder is no file to receive into.
    msgs.answerFiles({home.path()});
    engine->receiveFileToDisk(false);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Can't Receive To That File")));
    EXPECT_FALSE(engine->isReceiving());

    // An EIA machine without its table: stopped before the screen changes.
    set("CharacterSet", QStringLiteral("1"));
    engine->receiveFileToDisk(false, home.file(QStringLiteral("x.nc")));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("codeset.eia")));
    EXPECT_EQ(host->receiveScreensShown, 0);
    set("CharacterSet", QStringLiteral("0"));

    // A port that will not open.
    writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), home.file(QStringLiteral("no-such-tty")));
    engine->receiveFileToDisk(false, home.file(QStringLiteral("x.nc")));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Can't Open")));
    EXPECT_FALSE(engine->isReceiving());
    EXPECT_EQ(host->button, gReceiveCaption);
    EXPECT_FALSE(host->receiveScreen);
    EXPECT_EQ(gPortState, PortIdle);
    EXPECT_EQ(ended.size(), 4);
}

TEST_F(Receive, TheReplacedFileIsKeptDatedInTheAuditTrail) {
    set("AuditTrail", QStringLiteral("1"));
    const QString dest = home.file(QStringLiteral("part.nc"));
    ASSERT_TRUE(writeAllBytes(dest, "OLD PROGRAM"));
    receiveThroughDialog(dest, kSent);
    pressStopAndSave();
    EXPECT_EQ(readAllBytes(dest), kProgram);

    const QDir audit(home.file(QStringLiteral("AuditTrail/Mill 1")));
    const QStringList copies = audit.entryList(QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^part\[\d\d-[^-]+-\d{4}@\d\d-\d\d-\d\d \S+\]\.nc$)"))
                    .match(copies.first())
                    .hasMatch())
        << copies.first().toStdString();
    EXPECT_EQ(readAllBytes(audit.filePath(copies.first())), QByteArray("OLD PROGRAM"));

    // A second receive within the same second keeps both old versions.
    receiveThroughDialog(dest, "%\nO2\n%");
    pressStopAndSave();
    EXPECT_EQ(audit.entryList(QDir::Files).size(), 2);
}

TEST_F(Receive, WithoutItsAuditCopyTheOldProgramStays) {
    set("AuditTrail", QStringLiteral("1"));
    const QString dest = home.file(QStringLiteral("part.nc"));
    ASSERT_TRUE(writeAllBytes(dest, QByteArray(20000, 'X')));
    receiveThroughDialog(dest, kSent);
    const QString temp = gReceiveTempFile;
    {
        SmallDisk full(home.file(QStringLiteral("AuditTrail")), 4096);
        pressStopAndSave();
        EXPECT_TRUE(msgs.sawText(full.reason())) << qPrintable(msgs.texts().join('|'));
    }
    EXPECT_EQ(readAllBytes(dest), QByteArray(20000, 'X'));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Was Not Replaced")));
    expectKeptUnsaved(temp);

    // The file the user was told of is never taken for another receive.
    set("AuditTrail", QStringLiteral("0"));
    receiveThroughDialog(home.file(QStringLiteral("other.nc")), "%\nO2\n%");
    pressStopAndSave();
    EXPECT_NE(gReceiveTempFile, temp);
    EXPECT_EQ(readAllBytes(temp), kSent);
}

TEST_F(Receive, AFullDiskEndsTheReceiveAtTheFirstFailedWrite) {
    set("WaitAfterReceive", QStringLiteral("0"));
    const QString dest = home.file(QStringLiteral("part.nc"));
    ASSERT_TRUE(writeAllBytes(dest, "OLD PROGRAM"));
    SmallDisk full(home.file(QStringLiteral("small")), 16384);
    gReceiveTempFile = home.file(QStringLiteral("small/dncRECEIVE.TMP"));
    msgs.answerFiles({dest});
    engine->receiveFileToDisk(false);
    ASSERT_TRUE(engine->isReceiving());
    msgs.clear();
    QByteArray program;
    while (program.size() < 200000)
        program += "N" + QByteArray::number(program.size()) + " G01 X1.000 Y2.000\n";
    for (int at = 0; at < program.size() && engine->isReceiving(); at += 4096) {
        machine.send(program.mid(at, 4096));
        waitUntil([&] { return engine->receivedByteCount() >= at || !engine->isReceiving(); });
    }
    ASSERT_TRUE(waitUntil([&] { return !engine->isReceiving(); }, 20000));
    EXPECT_EQ(msgs.shown().size(), 1) << qPrintable(msgs.texts().join('|'));
    EXPECT_TRUE(msgs.sawText(full.reason()));
    EXPECT_EQ(readAllBytes(dest), QByteArray("OLD PROGRAM"));
    EXPECT_TRUE(logText().isEmpty());
    EXPECT_FALSE(QFile::exists(gReceiveTempFile)) << "a fragment is no program";
    EXPECT_EQ(gPortState, PortIdle);
    EXPECT_EQ(ended, QList<bool>{false});
}

TEST_F(Receive, AuditCopiesOnlyForRealFilesAndNeverOutsideTheAuditFolder) {
    set("AuditTrail", QStringLiteral("1"));
    const QString temp = home.file(QStringLiteral("dnc1.Tmp"));
    ASSERT_TRUE(writeAllBytes(temp, "x"));
    EXPECT_EQ(ReceiveSave::AuditTrailFileName(temp), ReceiveSave::AuditResult::NotNeeded);
    EXPECT_EQ(ReceiveSave::AuditTrailFileName(home.file(QStringLiteral("new.nc"))), ReceiveSave::AuditResult::NotNeeded);
    // An alias is one folder, never a way out of the audit trail.
    set("Alias", QStringLiteral("../.."));
    EXPECT_EQ(ReceiveSave::auditFolder(), home.path() + QStringLiteral("AuditTrail/.._../"));
}

TEST_F(Receive, AuditCopyNamesKeepTheTitleToTheFirstDotAndTheExtensionAfterTheLast) {
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
    const struct {
        const char *dest, *title, *extension;
    } rows[] = {{"PART.V2.NC", "PART[", "].NC"}, {"PART", "PART[", "]."}, {"v1.5/PART", "PART[", "]."}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.dest);
        const QString name = ReceiveSave::auditCopyName(home.file(QString::fromLatin1(r.dest)), when);
        EXPECT_TRUE(name.startsWith(ReceiveSave::auditFolder() + QLatin1String(r.title))) << qPrintable(name);
        EXPECT_TRUE(name.endsWith(QLatin1String(r.extension))) << qPrintable(name);
        EXPECT_FALSE(name.contains(QLatin1String("V2"))) << qPrintable(name);
    }
}

TEST_F(Receive, UnsavedEditsOfTheSameFileAreNeverDroppedUnasked) {
    const QString dest = home.file(QStringLiteral("edited.nc"));
    ASSERT_TRUE(writeAllBytes(dest, "ON DISK"));
    const int tab = editors.openFileInNewWindow(dest);
    ASSERT_GT(tab, 0);
    editors.editor(tab)->replaceAllAsOneEdit("MY EDITS");
    ASSERT_TRUE(editors.editor(tab)->isModified());

    // No: the edits stay, the received program opens beside them.
    receiveThroughDialog(dest, kSent);
    msgs.answer(Msg::AnswerYes).answer(Msg::AnswerNo);
    engine->receiveFileToDisk(false);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Changes Not Saved")));
    EXPECT_EQ(editors.editor(tab)->bytes(), QByteArray("MY EDITS"));
    ASSERT_NE(gActiveWindow, tab);
    EXPECT_EQ(editors.activeEditor()->bytes(), kProgram);
    const int beside = gActiveWindow;

    // The edits are not saved over the received program unasked: not by
    // Save, not by Yes to Quit's question; a No to the new one keeps both.
    editors.selectWindow(tab);
    const QString asked = "The File " + dest + " Has Changed On Disk Since This Window Read Or Saved It";
    msgs.clear();
    msgs.answer(Msg::AnswerNo);
    EXPECT_FALSE(editors.saveWindowToFile());
    EXPECT_TRUE(msgs.sawText(asked));
    msgs.clear();
    msgs.answer(Msg::AnswerYes).answer(Msg::AnswerNo);
    EXPECT_FALSE(editors.askToSaveAll());
    EXPECT_TRUE(msgs.sawText(QStringLiteral("has changed.\nDo you want to save the changes?")));
    EXPECT_TRUE(msgs.sawText(asked));
    EXPECT_EQ(readAllBytes(dest), kProgram);
    EXPECT_TRUE(editors.editor(tab)->isModified());
    EXPECT_FALSE(gWindows[tab].closed);

    // Yes: that window takes the received program.
    editors.selectWindow(beside);
    editors.closeMyFile();
    editors.selectWindow(tab);
    receiveThroughDialog(dest, kSent);
    msgs.answer(Msg::AnswerYes).answer(Msg::AnswerYes);
    engine->receiveFileToDisk(false);
    EXPECT_EQ(gActiveWindow, tab);
    EXPECT_EQ(editors.editor(tab)->bytes(), kProgram);
    EXPECT_FALSE(editors.editor(tab)->isModified());
    EXPECT_TRUE(gWindows[beside].closed);
    // It holds what the file holds now: saving it asks nothing.
    msgs.clear();
    EXPECT_TRUE(editors.saveWindowToFile());
    EXPECT_FALSE(msgs.sawText(asked));
}

TEST_F(Receive, ABinaryReceiveKeepsEveryByte) {
    host->binary = true;
    const int windows = countOpenWindows();
    const QString dest = home.file(QStringLiteral("data.bin"));
    receiveThroughDialog(dest, kSent);
    pressStopAndSave();
    EXPECT_EQ(readAllBytes(dest), kSent);
    EXPECT_EQ(countOpenWindows(), windows);
    EXPECT_TRUE(machine.waitUntilRead());
    EXPECT_TRUE(machine.received().isEmpty()); // no trailer
    EXPECT_EQ(gPortState, PortIdle);
}

TEST_F(Receive, ReceiveAllGoesToATemporaryFileWithoutADialog) {
    engine->receiveFileToDisk(true);
    ASSERT_TRUE(engine->isReceiving());
    EXPECT_TRUE(msgs.fileRequests().isEmpty());
    EXPECT_TRUE(gSplitBusy);
    const QString dest = engine->receiveTarget();
    EXPECT_TRUE(dest.startsWith(home.path() + QStringLiteral("dnc")));
    EXPECT_TRUE(dest.endsWith(QStringLiteral(".TMP")));
    machineSends(kSent);
    pressStopAndSave();
    // No ":" starts a program: nothing to split, the user is told where it is.
    EXPECT_EQ(readAllBytes(dest), kProgram);
    EXPECT_TRUE(msgs.sawText(QStringLiteral("The Received Data Is Kept In ") + dest));
    EXPECT_TRUE(logText().isEmpty()); // temporary files leave no log line
}

TEST_F(Receive, ReceiveAllPutsEachProgramInTheReceiveFolderAndSaysWhere) {
    const QString folder = home.file(QStringLiteral("received/"));
    ASSERT_TRUE(QDir().mkpath(folder));
    set({{"FanucBefore", "1"}, {"FanucLaunch", "2"}});
    set("ReceiveDirectory", folder);
    const int windows = countOpenWindows();
    engine->receiveFileToDisk(true);
    const QString dest = engine->receiveTarget();
    machineSends("%\nO0010 (PART A)\nG00 X0\n\nM30\nO0020\nM99\nO0030\nM30\n%\n");
    pressStopAndSave();
    EXPECT_EQ(readAllBytes(folder + "0010"), "O0010 (PART A)\r\nG00 X0\r\nM30\r\n");
    EXPECT_EQ(readAllBytes(folder + "0020"), "O0020\r\nM99\r\n");
    EXPECT_EQ(readAllBytes(folder + "0030"), "O0030\r\nM30\r\n");
    for (const char* name : {"0010", "0020", "0030"})
        EXPECT_TRUE(logText().contains("File Received From CNC - " + (folder + name).toLocal8Bit()));
    EXPECT_FALSE(QFile::exists(dest)) << "every program is in its own file now";
    // "Open First File": the first program, nothing under a temporary name.
    EXPECT_EQ(countOpenWindows(), windows + 1);
    EXPECT_EQ(gWindows[gActiveWindow].fileName, folder + "0010");
    EXPECT_EQ(lastStatusText(), QStringLiteral("File Received...[%1 Bytes] - 3 File(s) Written To %2")
                                    .arg(engine->receivedByteCount())
                                    .arg(folder));
    EXPECT_EQ(gPortState, PortIdle);
}

TEST_F(Receive, AFailedSaveIsReportedAndTheDataKept) {
    const QString folder = home.file(QStringLiteral("gone"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString dest = folder + QStringLiteral("/part.nc");
    receiveThroughDialog(dest, kSent);
    const QString temp = gReceiveTempFile;
    ASSERT_TRUE(QDir(folder).removeRecursively());
    pressStopAndSave();
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Error Writing Saved File To Disk")));
    EXPECT_FALSE(QFile::exists(dest));
    expectKeptUnsaved(temp);
}

TEST_F(Receive, TheDebugWindowShowsWhatArrivesWithoutStoringIt) {
    host->debugMode = 2;
    QFile::remove(gReceiveTempFile);
    engine->openTerminalWindow();
    ASSERT_TRUE(engine->isTerminalOpen());
    EXPECT_EQ(gPortState, PortTerminal);
    EXPECT_TRUE(host->debugScreen);
    EXPECT_EQ(gDebugMode, 2);
    machine.send("G1X2\r\n");
    ASSERT_TRUE(waitUntil([&] {
        engine->terminal().flush();
        return engine->terminal().text().size() >= 10;
    }));
    EXPECT_EQ(engine->terminal().text(), QByteArray("    \\CR\\LF"));
    EXPECT_FALSE(QFile::exists(gReceiveTempFile));
    // A receive cannot start while it is open.
    engine->receiveFileToDisk(false, home.file(QStringLiteral("x.nc")));
    EXPECT_FALSE(engine->isReceiving());

    engine->openTerminalWindow();
    EXPECT_FALSE(engine->isTerminalOpen());
    EXPECT_FALSE(host->debugScreen);
    EXPECT_EQ(gPortState, PortIdle);
    EXPECT_FALSE(comPort().isOpen());
    EXPECT_EQ(lastStatusText(), QStringLiteral("Ready"));

    // An EIA machine without its table: the window closes as it opens.
    set("CharacterSet", QStringLiteral("1"));
    engine->openTerminalWindow();
    EXPECT_FALSE(engine->isTerminalOpen());
    EXPECT_EQ(gPortState, PortIdle);
}

} // namespace
