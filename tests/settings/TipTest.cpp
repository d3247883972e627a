#include "IniStorage.h"
#include "ScriptedMessages.h"
#include "ServicePack.h"
#include "ShellOpen.h"
#include "TestHome.h"
#include "frmTip.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

class TipTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestHome> home;

    // Shows a fresh dialog with this marker, ticks the box as asked and presses `button`.
    void press(const QString& marker, bool tick, const char* button) {
        frmTip tip;
        tip.setMarker(marker);
        tip.show();
        QVERIFY(!tip.chkLoadTipsAtStartup()->isChecked());
        tip.chkLoadTipsAtStartup()->setChecked(tick);
        tip.findChild<QPushButton*>(button)->click();
        QVERIFY(!tip.isVisible());
        QCOMPARE(tip.result(), int(QDialog::Accepted));
    }

private Q_SLOTS:
    void init() { home = std::make_unique<TestHome>(); }
    void cleanup() { home.reset(); }

    void okRemembersTheBoxUnderTheMarkersKey_data() {
        QTest::addColumn<QString>("marker");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("write probe") << "Can't Write To Settings File **Warning**" << true << "WarnIniSettings" << "1";
        QTest::newRow("xmodem unticked") << "XModem" << false << "XModemWarn" << "0";
        QTest::newRow("both words") << "XModem Settings" << true << "WarnIniSettings" << "1";
        QTest::newRow("small letters") << "xmodem settings" << true << "CheckServicePack" << "1";
        QTest::newRow("address") << "https://example.org/ms32.zip" << false << "CheckServicePack" << "0";
        QTest::newRow("no marker") << "" << true << "CheckServicePack" << "1";
    }
    void okRemembersTheBoxUnderTheMarkersKey() {
        QFETCH(QString, marker);
        QFETCH(bool, tick);
        QFETCH(QString, key);
        QFETCH(QString, value);
        press(marker, tick, "cmdOK");
        QCOMPARE(readIni("Settings", key, "missing"), value);
        QCOMPARE(iniSectionKeys("Settings", home->iniPath()), QStringList{key});
    }

    void xmodemUpdateSignalsThenActsAsOk() {
        frmTip tip;
        tip.setMarker("XModem");
        tip.command1()->setText("Update");
        QStringList order;
        connect(&tip, &frmTip::command1Clicked, this, [&order] {
            order << "update" << readIni("Settings", "XModemWarn", "unwritten");
        });
        tip.show();
        tip.chkLoadTipsAtStartup()->setChecked(true);
        tip.command1()->click();
        // The caller's lists are set while the dialog is still up, before the key is written.
        QCOMPARE(order, (QStringList{"update", "unwritten"}));
        QCOMPARE(readIni("Settings", "XModemWarn"), QStringLiteral("1"));
        QVERIFY(!tip.isVisible());
    }

    void downloadOpensTheAddressAndStaysOpen() {
        QList<QUrl> opened;
        bool associated = true;
        const ShellOpener previous = setShellOpener([&](const QUrl& u) {
            opened << u;
            return associated;
        });
        ScriptedMessages msgs;
        frmTip tip;
        QSignalSpy update(&tip, &frmTip::command1Clicked);
        tip.setMarker("https://example.org/ms32.zip");
        tip.show();
        tip.command1()->click();
        QCOMPARE(opened, QList<QUrl>{QUrl("https://example.org/ms32.zip")});
        QVERIFY(msgs.texts().isEmpty());
        QVERIFY(tip.isVisible());

        associated = false;
        tip.command1()->click();
        QCOMPARE(msgs.texts(), QStringList{"There Is No Association For This File Type"});
        QCOMPARE(msgs.shown().first().icon, Msg::Exclamation);
        QVERIFY(tip.isVisible());
        QCOMPARE(update.count(), 0);
        QVERIFY(!iniHasKey("Settings", "CheckServicePack"));
        setShellOpener(previous);
    }

    void closingByTheFrameRemembersNothing() {
        frmTip tip;
        tip.setMarker("XModem");
        tip.show();
        tip.chkLoadTipsAtStartup()->setChecked(true);
        tip.close();
        QVERIFY(!iniHasKey("Settings", "XModemWarn"));
    }

    void runtimeCheckWarnsOnlyWhileSwitchedOnAndAFileIsMissing() {
        writeAllBytes(home->file("present.so"), "");
        QVERIFY(!runtimeFilesMissing(home->path(), {"present.so"}));
        QVERIFY(runtimeFilesMissing(home->path(), {"present.so", "absent.so"}));
        QVERIFY(!runtimeFilesMissing()); // the edit-control library this program runs with

        int shown = 0;
        QString text, marker;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] {
            auto* tip = qobject_cast<frmTip*>(QApplication::activeModalWidget());
            if (!tip)
                return;
            ++shown;
            text = tip->message();
            marker = tip->marker();
            tip->chkLoadTipsAtStartup()->setChecked(true);
            tip->cmdOK()->click();
        });
        timer.start(0);
        checkServicePack(home->path(), {"present.so"});
        QCOMPARE(shown, 0);
        checkServicePack(home->path(), {"absent.so"});
        QCOMPARE(shown, 1);
        const QStringList lines = text.split('\n');
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines[0], QStringLiteral("There Are Some Files You Need Which Are Not On Your Computer"));
        QCOMPARE(lines[2], "If You Get An Error Loading The Editor Window Then You Will Need To Get These Files"
                           " And Unzip Them Into Your \"" + home->path() + "\" Folder");
        QCOMPARE(lines[5], runtimeDownloadAddress());
        QCOMPARE(marker, runtimeDownloadAddress());
        QCOMPARE(frmTip::keyForMarker(marker), QStringLiteral("CheckServicePack"));
        QCOMPARE(readIni("Settings", "CheckServicePack"), QStringLiteral("1"));
        // Switched off now: no second warning.
        checkServicePack(home->path(), {"absent.so"});
        QCOMPARE(shown, 1);
    }
};

QTEST_MAIN(TipTest)
#include "TipTest.moc"
