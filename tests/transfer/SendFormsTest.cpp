// The send progress window and the transfer-log viewer.
#include "IniStorage.h"
#include "MachineRecord.h"
#include "PortLayer.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"
#include "SendHost.h"
#include "TestHome.h"
#include "TransferGlobals.h"
#include "TransferLog.h"
#include "frmCancelSend.h"
#include "frmLogFile.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {
class ReceivingHost : public SendHost {
public:
    QStringList receives;
    void receiveFileToDisk(bool saveAll, const QString& fileName) override {
        receives << QStringLiteral("%1:%2").arg(saveAll).arg(fileName);
    }
};

QColor statusColour(frmCancelSend* frm) { return frm->Label2(4)->palette().color(QPalette::Window); }
} // namespace

class SendFormsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestHome> home_;

    void writeLog(const QByteArray& text) const { QVERIFY(writeAllBytes(transferLogPath(), text)); }

private Q_SLOTS:
    void init() {
        home_ = std::make_unique<TestHome>();
        gCurrentMachineSection = QStringLiteral("Machine1");
        gDNCStatus = 2;
        gCancelSend = false;
        gOverride = false;
        gSending = false;
        gPortState = PortIdle;
    }
    void cleanup() {
        frmCancelSend::unload();
        QCoreApplication::processEvents();
        gSending = false;
        gCancelSend = false;
        home_.reset();
    }

    void progressWindowShowsTheLayoutOfTheDisplaySetting_data() {
        QTest::addColumn<int>("status");
        QTest::newRow("Show All") << 0;
        QTest::newRow("Small %") << 1;
        QTest::newRow("Large %") << 2;
        QTest::newRow("echo of the send without window") << 3;
        QTest::newRow("nothing") << 4;
    }
    void progressWindowShowsTheLayoutOfTheDisplaySetting() {
        QFETCH(int, status);
        gDNCStatus = status;
        frmCancelSend* frm = frmCancelSend::load();
        QCOMPARE(frmCancelSend::instance(), frm);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(frm->Frame1(i)->isVisibleTo(frm), i == status);
            QCOMPARE(frm->Frame1(i)->title(), QStringLiteral("Transfer Status"));
        }
        QCOMPARE(frm->currentPicture(), status < 4 ? frm->picture1(status) : nullptr);
        frmCancelSend::unload();
        QCOMPARE(frmCancelSend::instance(), nullptr);
    }

    void indicatorClockAndEcho() {
        frmCancelSend* frm = frmCancelSend::load();
        frm->updateIndicator(true, QStringLiteral("Sending File"));
        QCOMPARE(statusColour(frm), QColor(0, 255, 0));
        QCOMPARE(frm->Label2(4)->text(), QStringLiteral("Sending File"));
        QCOMPARE(frm->windowTitle(), QStringLiteral("Sending File"));
        frm->updateIndicator(false, QStringLiteral("Error - Check Your CNC Property Settings"));
        QCOMPARE(statusColour(frm), QColor(255, 0, 0));

        showCancelSend(QStringLiteral("first"), 1000);
        QVERIFY(frm->Timer1()->isActive());
        QCOMPARE(frm->Timer1()->interval(), 1000);
        QCOMPARE(frm->Label2(5)->text(), QStringLiteral("first"));
        gSendStartTime = QDateTime::currentDateTime().addSecs(-(86400 + 3661));
        frm->Timer1_Timer();
        QCOMPARE(frm->Label2(2)->text(), QStringLiteral("01:01:01:01"));
        QCOMPARE(frm->Label2(0)->text(), QStringLiteral("01:01:01:01"));

        frm->appendEcho("N10 G0\nN20 G1\n");
        frm->appendEcho("N30\n");
        QCOMPARE(frm->Text1()->toPlainText(), QStringLiteral("N10 G0\nN20 G1\nN30"));
    }

    void overrideReleasesTheWaitsAndCancelCancels() {
        frmCancelSend* frm = frmCancelSend::load();
        frm->cmdOverride()->setEnabled(true);
        gHandshaking = 1;
        gWaitForXONMode = 1;
        frm->cmdOverride()->click();
        QVERIFY(gOverride);
        QCOMPARE(gWaitForXONMode, 0);
        QVERIFY(!frm->cmdOverride()->isEnabled());
        QCOMPARE(frm->cmdOverride()->text(), QStringLiteral(">> Continue"));
        QCOMPARE(frm->Label2(4)->text(), QStringLiteral("Sending File"));

        gOverride = false;
        gHandshaking = 2;
        frm->updateIndicator(false, QStringLiteral("x"));
        frm->cmdOverride()->setEnabled(true);
        frm->cmdOverride()->click();
        QVERIFY(gOverride);
        QCOMPARE(frm->Label2(4)->text(), QString());
        QCOMPARE(statusColour(frm), QColor(0, 255, 0));
        gHandshaking = 1;

        // Cancel, Esc and closing the window each cancel the send; the window stays.
        frm->show();
        frm->Command1()->click();
        QVERIFY(gCancelSend);
        gCancelSend = false;
        QTest::keyClick(frm, Qt::Key_Escape);
        QVERIFY(gCancelSend);
        QVERIFY(frm->isVisible());
        gCancelSend = false;
        frm->close();
        QVERIFY(gCancelSend);
        QVERIFY(frm->isVisible());
    }

    void followsTheMainWindowWhenMinimisedAndRestored() {
        frmCancelSend* frm = frmCancelSend::load();
        frm->show();
        gSending = true;
        frmCancelSend::setFocusToTransferBox(true);
        QVERIFY(!frm->isVisible());
        frmCancelSend::setFocusToTransferBox(false);
        QVERIFY(frm->isVisible());

        // The echo layout of a send without window counts as shown; "None" does not.
        gDNCStatus = 3;
        frmCancelSend::setFocusToTransferBox(true);
        QVERIFY(!frm->isVisible());
        writeIni(QStringLiteral("Settings"), QStringLiteral("DNCStatus"), QStringLiteral("3"));
        frmCancelSend::setFocusToTransferBox(false);
        QVERIFY(!frm->isVisible());

        // Nothing while no send runs, nor for the XModem route.
        gDNCStatus = 2;
        gSending = false;
        frmCancelSend::setFocusToTransferBox(false);
        QVERIFY(!frm->isVisible());
        gSending = true;
        writeIni(gCurrentMachineSection, QStringLiteral("Handshaking"), QStringLiteral("4"));
        frmCancelSend::setFocusToTransferBox(false);
        QVERIFY(!frm->isVisible());
    }

    void viewerWithoutALog() {
        ScriptedMessages msgs;
        frmLogFile viewer;
        QCOMPARE(viewer.windowTitle(), QStringLiteral("0 Items In Logfile"));
        viewer.Command1_Click(0);
        QVERIFY(msgs.sawText(QStringLiteral("Log File Does Not Exist")));
        viewer.Command1_Click(1);
        QVERIFY(msgs.sawText(QStringLiteral("No Items In Log File")));
    }

    void viewerListsTheFourFieldLinesWithFileNamesWhole() {
        writeLog("MILL 1 - Send File To CNC - /nc/part.nc - 01-Jan-24 10:00:00\r\n"
                 "\r\n"
                 "not a log line\r\n"
                 "LATHE - File Received From CNC - /nc/a - b.nc - 02-Jan-24 11:00:00\r\n"
                 "LATHE - Send File To CNC - /nc/a- b.nc - 03-Jan-24 12:00:00\r\n");
        frmLogFile viewer;
        QTreeWidget* list = viewer.lvDragDrop();
        QCOMPARE(list->columnCount(), 4);
        QCOMPARE(list->headerItem()->text(2), QStringLiteral("Filename"));
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("MILL 1"));
        QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("File Received From CNC"));
        QCOMPARE(list->topLevelItem(1)->text(2), QStringLiteral("/nc/a - b.nc"));
        QCOMPARE(list->topLevelItem(1)->text(3), QStringLiteral("02-Jan-24 11:00:00"));
        QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("/nc/a- b.nc"));
        QCOMPARE(list->currentItem(), list->topLevelItem(2));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Log File 3 Entries..."));
    }

    void clearLogfileAsksFirst() {
        writeLog("MILL - Send File To CNC - /nc/part.nc - 01-Jan-24 10:00:00\r\n");
        ScriptedMessages msgs;
        frmLogFile viewer;
        msgs.answer(Msg::AnswerNo);
        viewer.Command1_Click(0);
        QVERIFY(msgs.sawText(QStringLiteral("Ok To Delete Logfile")));
        QVERIFY(QFile::exists(transferLogPath()));
        QCOMPARE(viewer.lvDragDrop()->topLevelItemCount(), 1);
        msgs.answer(Msg::AnswerYes);
        viewer.Command1_Click(0);
        QVERIFY(!QFile::exists(transferLogPath()));
        QCOMPARE(viewer.lvDragDrop()->topLevelItemCount(), 0);
        QCOMPARE(viewer.windowTitle(), QStringLiteral("No Log File"));
    }

    void repeatSendsTheListedFileToItsMachine() {
        PtyMachine machine;
        writeIni(QStringLiteral("Machine2"), QStringLiteral("Alias"), QStringLiteral("Lathe 2"));
        writeIni(QStringLiteral("Machine2"), QStringLiteral("CommPort"), QStringLiteral("1"));
        writeIni(QStringLiteral("Machine2"), QStringLiteral("WaitAfterSending"), QStringLiteral("30"));
        writeIni(QStringLiteral("Ports"), QStringLiteral("Com2"), machine.slavePath());
        gKeepAlive = 0;
        const QString dashed = home_->file(QStringLiteral("op 1 - roughing.nc"));
        QVERIFY(writeAllBytes(dashed, "N1 G0 X1\nN2 M30\n"));
        const QString other = home_->file(QStringLiteral("op 1.nc"));
        QVERIFY(writeAllBytes(other, "WRONG\n"));
        writeLog(("LATHE 2 - Send File To CNC - " + dashed + " - 01-Jan-24 10:00:00\r\n").toUtf8());

        ScriptedMessages msgs;
        ReceivingHost host;
        SendHostScope scope(&host);
        frmLogFile viewer;
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTreeWidget* list = viewer.lvDragDrop();
        const QRect rect = list->visualItemRect(list->topLevelItem(0));
        // A double-click is a press, a release, then the second press.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QVERIFY2(machine.waitForCount(18, 20000), qPrintable(msgs.texts().join('|')));
        pumpEvents(30);
        QCOMPARE(machine.received(), QByteArray("N1 G0 X1\r\nN2 M30\r\n"));
        QCOMPARE(gCurrentMachineSection, QStringLiteral("Machine2"));
        QCOMPARE(viewer.result(), int(QDialog::Accepted));
        QVERIFY(!viewer.isVisible());
        QCOMPARE(gPortState, int(PortIdle));
        closeComPort(CloseWhen::Always);
        gCurrentMachineSection = QStringLiteral("Machine1");
    }

    void repeatOfOtherActions() {
        writeLog("NOBODY - File Received From CNC - /nc/in.nc - 01-Jan-24 10:00:00\r\n"
                 "Machine1 - FTP Upload - /nc/up.nc - 01-Jan-24 10:00:00\r\n"
                 "Machine1 - Something Else - /nc/x.nc - 01-Jan-24 10:00:00\r\n");
        ReceivingHost host;
        SendHostScope scope(&host);
        const struct {
            int row;
            const char* message;
        } cases[] = {{0, "Cant Find That CNC In The List"}, {1, "FTP Program Or The File Is Missing"}, {2, "Unable To Do This"}};
        for (const auto& c : cases) {
            ScriptedMessages msgs;
            frmLogFile viewer;
            viewer.lvDragDrop()->setCurrentItem(viewer.lvDragDrop()->topLevelItem(c.row));
            viewer.Command1_Click(1);
            QVERIFY2(msgs.sawText(QString::fromLatin1(c.message)), qPrintable(msgs.texts().join('|')));
            QCOMPARE(viewer.result(), int(QDialog::Accepted));
        }
        QCOMPARE(host.receives, QStringList{QStringLiteral("0:/nc/in.nc")});
    }
};

QTEST_MAIN(SendFormsTest)
#include "SendFormsTest.moc"
