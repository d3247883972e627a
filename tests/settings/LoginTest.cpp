#include "FrmLogin.h"
#include "Login.h"
#include "ScriptedMessages.h"
#include "SettingsGlobals.h"
#include "ShellOpen.h"
#include "TestHome.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

QByteArray encoded(const QByteArray& password) {
    QByteArray out = password;
    for (char& c : out)
        c = char(c + 5);
    return out;
}

// Runs checkLogin while `act` works the prompt as a user would.
bool loginWith(std::function<void(FrmLogin*)> act, bool* prompted = nullptr) {
    bool shown = false;
    // A timer of this call only: one left pending must not answer a later prompt.
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, qApp, [act, &shown] {
        auto* dialog = qobject_cast<FrmLogin*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        shown = true;
        act(dialog);
    });
    timer.start(0);
    const bool result = checkLogin();
    if (prompted)
        *prompted = shown;
    return result;
}

void type(FrmLogin* d, const QString& text) {
    d->txtPassword()->setText(text);
    d->findChild<QPushButton*>(QStringLiteral("cmdSubmit"))->click();
}

} // namespace

class LoginTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TestHome> home;

    void setPassword(const QByteArray& storedLine) {
        writeAllBytes(home->file("pw.ini"), "[Main]\r\nPassword=" + storedLine + "\r\n");
    }

private Q_SLOTS:
    void init() {
        home = std::make_unique<TestHome>();
        gPasswordIniPath = home->file("pw.ini");
        gDialogResult.clear();
    }
    void cleanup() {
        setHideFindWindowHook(nullptr);
        home.reset();
    }

    void noPasswordMeansNoPrompt() {
        bool prompted = true;
        QVERIFY(loginWith([](FrmLogin* d) { d->cancel(); }, &prompted)); // no file at all
        QVERIFY(!prompted);
        setPassword("");
        QVERIFY(loginWith([](FrmLogin* d) { d->cancel(); }, &prompted));
        QVERIFY(!prompted);
        setPassword("Not Used");
        QVERIFY(loginWith([](FrmLogin* d) { d->cancel(); }, &prompted));
        QVERIFY(!prompted);
    }

    void findWindowIsHiddenBeforeAnything() {
        int hidden = 0;
        setHideFindWindowHook([&hidden] { ++hidden; });
        QVERIFY(checkLogin());
        QCOMPARE(hidden, 1);
    }

    void rightPasswordInAnyCaseIsAccepted() {
        setPassword(encoded("Shop42"));
        bool prompted = false;
        QVERIFY(loginWith([](FrmLogin* d) { type(d, "SHOP42"); }, &prompted));
        QVERIFY(prompted);
        QCOMPARE(gDialogResult, QStringLiteral("~"));
        QVERIFY(loginWith([](FrmLogin* d) { type(d, "shop42"); }));
        QVERIFY(loginWith([](FrmLogin* d) { type(d, "Shop42"); }));
    }

    void wrongPasswordSaysSoAndKeepsTheDialogOpen() {
        setPassword(encoded("shop42"));
        ScriptedMessages msgs;
        bool stillOpen = false;
        QString keptText;
        QVERIFY(loginWith([&](FrmLogin* d) {
            type(d, "shop43");
            stillOpen = d->isVisible();
            keptText = d->txtPassword()->text();
            type(d, "shop42");
        }));
        QVERIFY(stillOpen);
        QCOMPARE(keptText, QStringLiteral("shop43"));
        QCOMPARE(msgs.texts(), QStringList{"Enter a Valid Password"});
        QCOMPARE(msgs.shown().first().icon, Msg::Exclamation);
    }

    void cancelFrameCloseAndEscRefuse() {
        setPassword(encoded("shop42"));
        QVERIFY(!loginWith([](FrmLogin* d) { d->findChild<QPushButton*>("cmdCancel")->click(); }));
        QCOMPARE(gDialogResult, QString());
        QVERIFY(!loginWith([](FrmLogin* d) { d->close(); }));
        QCOMPARE(gDialogResult, QString());
        QVERIFY(!loginWith([](FrmLogin* d) { QTest::keyClick(d, Qt::Key_Escape); }));
    }

    void staleAnswerOfAnEarlierLoginNeverLetsALaterOneThrough() {
        setPassword(encoded("shop42"));
        QVERIFY(loginWith([](FrmLogin* d) { type(d, "shop42"); }));
        QCOMPARE(gDialogResult, QStringLiteral("~"));
        // The "~" of the first login is still there when the second closes
        // without an answer of its own.
        QVERIFY(!loginWith([](FrmLogin* d) { d->close(); }));
        gDialogResult = QStringLiteral("~");
        QVERIFY(!loginWith([](FrmLogin* d) { d->done(QDialog::Rejected); }));
        gDialogResult = QStringLiteral("~");
        QVERIFY(!loginWith([](FrmLogin* d) { d->hide(); }));
    }

    void passwordFileChangesAreSeenAtTheNextCheck() {
        setPassword(encoded("one"));
        QVERIFY(loginWith([](FrmLogin* d) { type(d, "one"); }));
        setPassword(encoded("two22"));
        ScriptedMessages msgs;
        QVERIFY(!loginWith([](FrmLogin* d) {
            type(d, "one");
            d->cancel();
        }));
        QVERIFY(msgs.sawText("Enter a Valid Password"));
        QFile::remove(home->file("pw.ini"));
        bool prompted = true;
        QVERIFY(loginWith([](FrmLogin* d) { d->cancel(); }, &prompted));
        QVERIFY(!prompted);
    }

    void decoding() {
        bool ok = false;
        QCOMPARE(decodePassword(QString::fromLatin1("\xe9"), &ok), QString::fromLatin1("\xe4"));
        QVERIFY(ok);
        // Codes below 5 have no decoded form: such a file can never be matched,
        // not even by an empty entry.
        QCOMPARE(decodePassword(QStringLiteral("ab\x03"), &ok), QString());
        QVERIFY(!ok);
        setPassword("ab\x03");
        QVERIFY(!passwordAccepted(QString()));
        QVERIFY(!passwordAccepted("\\]"));
    }

    void f1OpensTheFormsHelpPage() {
        QList<QUrl> opened;
        const ShellOpener previous = setShellOpener([&opened](const QUrl& u) {
            opened << u;
            return true;
        });
        QDir().mkpath(home->file("help"));
        writeAllBytes(home->file("help/FrmLogin.htm"), "<html></html>");
        FrmLogin dialog;
        QTest::keyClick(&dialog, Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(opened.isEmpty());
        QTest::keyClick(&dialog, Qt::Key_F1);
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(home->file("help/FrmLogin.htm"))});
        setShellOpener(previous);
    }
};

QTEST_MAIN(LoginTest)
#include "LoginTest.moc"
