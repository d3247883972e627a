#include "IniStorage.h"
#include "ModalAnswerer.h"
#include "ScriptedMessages.h"
#include "ServicePack.h"
#include "ShellOpen.h"
#include "TestHome.h"
#include "frmTip.h"

#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <memory>

class TipTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestHome> home;

private Q_SLOTS:
    void init() { home = std::make_unique<TestHome>(); }
    void cleanup() { home.reset(); }

    void okRemembersTheBoxUnderTheMarkersKey_data() {
        QTest::addColumn<QString>("marker");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<QString>("key");
        QTest::newRow("write probe") << "Can't Write To Settings File **Warning**" << true
                                     << "WarnIniSettings";
        QTest::newRow("xmodem unticked") << "XModem" << false << "XModemWarn";
        QTest::newRow("both words") << "XModem Settings" << true << "WarnIniSettings";
        QTest::newRow("small letters") << "xmodem settings" << true << "CheckServicePack";
    }
    void okRemembersTheBoxUnderTheMarkersKey() {
        QFETCH(QString, marker);
        QFETCH(bool, tick);
        QFETCH(QString, key);
        frmTip tip;
        tip.setMarker(marker);
        tip.show();
        tip.chkLoadTipsAtStartup()->setChecked(tick);
        tip.cmdOK()->click();
        QVERIFY(!tip.isVisible());
        QCOMPARE(readIni("Settings", key, "missing"), QString(tick ? "1" : "0"));
        QCOMPARE(iniSectionKeys("Settings", home->iniPath()), QStringList{key});
    }

    void secondButtonUpdatesForXModemOpensAnAddressOtherwiseAndTheFrameRemembersNothing() {
        frmTip xmodem;
        xmodem.setMarker("XModem");
        QSignalSpy update(&xmodem, &frmTip::command1Clicked);
        xmodem.show();
        xmodem.chkLoadTipsAtStartup()->setChecked(true);
        xmodem.command1()->click();
        QCOMPARE(update.count(), 1);
        QCOMPARE(readIni("Settings", "XModemWarn"), QStringLiteral("1"));
        QVERIFY(!xmodem.isVisible());

        QList<QUrl> opened;
        const ShellOpener previous = setShellOpener([&opened](const QUrl& u) {
            opened << u;
            return false; // no program for it
        });
        ScriptedMessages msgs;
        frmTip tip;
        tip.setMarker("https://example.org/ms32.zip");
        tip.show();
        tip.command1()->click();
        setShellOpener(previous);
        QCOMPARE(opened, QList<QUrl>{QUrl("https://example.org/ms32.zip")});
        QCOMPARE(msgs.texts().size(), 1);
        QVERIFY(tip.isVisible());
        // Closed by its frame, the dialog remembers nothing.
        tip.chkLoadTipsAtStartup()->setChecked(true);
        tip.close();
        QVERIFY(!iniHasKey("Settings", "CheckServicePack"));
    }

    void runtimeCheckWarnsOnlyWhileSwitchedOnAndAFileIsMissing() {
        writeAllBytes(home->file("present.so"), "");
        QVERIFY(!runtimeFilesMissing(home->path(), {"present.so"}));
        QVERIFY(runtimeFilesMissing(home->path(), {"present.so", "absent.so"}));
        QVERIFY(!runtimeFilesMissing()); // the edit-control library this program runs with

        int shown = 0;
        QString text, marker;
        ModalAnswerer answer(
            [&](QWidget* w) {
                auto* tip = qobject_cast<frmTip*>(w);
                if (!tip)
                    return false;
                ++shown;
                text = tip->message();
                marker = tip->marker();
                tip->chkLoadTipsAtStartup()->setChecked(true);
                tip->cmdOK()->click();
                return true;
            },
            true);
        // A start without windows (the command line) is told through the message seam, and waits on nothing.
        {
            ScriptedMessages msgs;
            checkServicePack(home->path(), {"absent.so"});
            QCOMPARE(msgs.texts().size(), 1);
            QVERIFY(msgs.texts().first().contains("\"" + home->path() + "\" Folder"));
            QCOMPARE(shown, 0);
        }
        installRuntimeWarningTip();
        checkServicePack(home->path(), {"present.so"});
        QCOMPARE(shown, 0);
        checkServicePack(home->path(), {"absent.so"});
        QCOMPARE(shown, 1);
        QVERIFY(text.contains("\"" + home->path() + "\" Folder"));
        QCOMPARE(marker, runtimeDownloadAddress());
        QVERIFY(text.contains(runtimeDownloadAddress()));
        // Switched off now: no second warning.
        checkServicePack(home->path(), {"absent.so"});
        QCOMPARE(shown, 1);
    }

    // The library is looked for where the loader found it, not where the build
    // did: run again with a copy that the loader finds first.
    void runtimeCheckLooksWhereTheLoaderFoundTheLibrary() {
        const QString expected = qEnvironmentVariable("FEEDLINE_EXPECT_RUNTIME_FOLDER");
        if (!expected.isEmpty()) {
            QCOMPARE(runtimeFolder(), expected);
            QVERIFY(!runtimeFilesMissing());
            return;
        }
        const QString library = runtimeFolder() + runtimeFiles().value(0);
        QVERIFY2(QFile::exists(library), qPrintable(library));
        const QString elsewhere = home->path() + "/other-lib/";
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QFile::copy(library, elsewhere + runtimeFiles().value(0)));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LD_LIBRARY_PATH", elsewhere);
        env.insert("FEEDLINE_EXPECT_RUNTIME_FOLDER", elsewhere);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"runtimeCheckLooksWhereTheLoaderFoundTheLibrary"});
        QVERIFY(child.waitForFinished(120000));
        QVERIFY2(child.exitCode() == 0, child.readAll().constData());
    }
};

QTEST_MAIN(TipTest)
#include "TipTest.moc"
