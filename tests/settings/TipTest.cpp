#include "IniStorage.h"
#include "ScriptedMessages.h"
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

    void messageAndCaptions() {
        frmTip tip;
        QCOMPARE(tip.windowTitle(), QStringLiteral("Service Pack Needed"));
        QCOMPARE(tip.command1()->text(), QStringLiteral("Download"));
        QCOMPARE(tip.cmdOK()->text(), QStringLiteral("OK"));
        QCOMPARE(tip.chkLoadTipsAtStartup()->text(), QStringLiteral("&Don't Warn Me Again"));
        tip.setMessage("line one\r\n\r\nline three");
        QCOMPARE(tip.message(), QStringLiteral("line one\n\nline three"));
        QVERIFY(tip.text1()->isReadOnly());
    }
};

QTEST_MAIN(TipTest)
#include "TipTest.moc"
