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

    void progressWindowLayoutClockAndEcho() {
        // One layout per display setting; 4 has none.
        for (int status = 0; status <= 4; ++status) {
            gDNCStatus = status;
            frmCancelSend* frm = frmCancelSend::load();
            for (int i = 0; i < 4; ++i)
                QCOMPARE(frm->Frame1(i)->isVisibleTo(frm), i == status);
            QCOMPARE(frm->currentPicture(), status < 4 ? frm->picture1(status) : nullptr);
            frmCancelSend::unload();
            QCOMPARE(frmCancelSend::instance(), nullptr);
        }
        frmCancelSend* frm = frmCancelSend::load();
        showCancelSend(QStringLiteral("first"), 1000);
        gSendStartTime = QDateTime::currentDateTime().addSecs(-(86400 + 3661));
        frm->Timer1_Timer();
        QCOMPARE(frm->Label2(2)->text(), QStringLiteral("01:01:01:01"));
        frm->appendEcho("N10 G0\nN20 G1\n");
        frm->appendEcho("N30\n");
        QCOMPARE(frm->Text1()->toPlainText(), QStringLiteral("N10 G0\nN20 G1\nN30"));
    }

    void overrideReleasesTheWaitsAndCancelCancels() {
        frmCancelSend* frm = frmCancelSend::load();
        gHandshaking = 1;
        gWaitForXONMode = 1;
        frm->updateIndicator(false, QStringLiteral("Error - Check Your CNC Property Settings"));
        QCOMPARE(statusColour(frm), QColor(255, 0, 0));
        frm->cmdOverride()->setEnabled(true);
        frm->cmdOverride()->click();
        QVERIFY(gOverride);
        QCOMPARE(gWaitForXONMode, 0);
        QVERIFY(!frm->cmdOverride()->isEnabled());
        QCOMPARE(statusColour(frm), QColor(0, 255, 0));

        // Cancel, Esc and closing the window each cancel the send; the window stays.
        frm->show();
        frm->Command1()->click();
        QVERIFY(gCancelSend);
        gCancelSend = false;
        QTest::keyClick(frm, Qt::Key_Escape);
        QVERIFY(gCancelSend);
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

    void viewerListsTheLogLinesAndClearsTheLogOnlyOnYes() {
        ScriptedMessages msgs;
        {
            frmLogFile viewer;
            viewer.Command1_Click(0);
            viewer.Command1_Click(1);
            QCOMPARE(msgs.texts(), QStringList({"Log File Does Not Exist", "No Items In Log File"}));
        }
        writeLog("MILL 1 - Send File To CNC - /nc/part.nc - 01-Jan-24 10:00:00\r\n"
                 "\r\n"
                 "A - B - C\r\n"
                 "LATHE - File Received From CNC - /nc/a - b.nc - 02-Jan-24 11:00:00\r\n"
                 "LATHE - Send File To CNC - /nc/a- b.nc - 03-Jan-24 12:00:00\r\n");
        frmLogFile viewer;
        QTreeWidget* list = viewer.lvDragDrop();
        QCOMPARE(list->topLevelItemCount(), 3);
        const QTreeWidgetItem* received = list->topLevelItem(1);
        QCOMPARE(QStringList({received->text(0), received->text(1), received->text(2), received->text(3)}),
                 QStringList({"LATHE", "File Received From CNC", "/nc/a - b.nc", "02-Jan-24 11:00:00"}));
        QCOMPARE(list->topLevelItem(2)->text(2), QStringLiteral("/nc/a- b.nc"));
        QCOMPARE(list->currentItem(), list->topLevelItem(2));

        msgs.clear();
        msgs.answer(Msg::AnswerNo).answer(Msg::AnswerYes);
        viewer.Command1_Click(0);
        QVERIFY(msgs.sawText(QStringLiteral("Ok To Delete Logfile")));
        QCOMPARE(list->topLevelItemCount(), 3);
        viewer.Command1_Click(0);
        QVERIFY(!QFile::exists(transferLogPath()));
        QCOMPARE(list->topLevelItemCount(), 0);
    }

    void repeatSendsTheListedFileToItsMachine() {
        PtyMachine machine;
        writeIniValues(QStringLiteral("Machine2"), {{QStringLiteral("Alias"), QStringLiteral("Lathe 2")},
                                                    {QStringLiteral("CommPort"), QStringLiteral("1")},
                                                    {QStringLiteral("WaitAfterSending"), QStringLiteral("30")}});
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
