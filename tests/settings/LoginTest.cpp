#include "Login.h"
#include "FrmLogin.h"
#include "ModalAnswerer.h"
#include "ScriptedMessages.h"
#include "SettingsGlobals.h"
#include "TestHome.h"

#include <QtTest>
#include <QtWidgets>

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
    ModalAnswerer answer([&act](QWidget* w) {
        auto* dialog = qobject_cast<FrmLogin*>(w);
        if (dialog)
            act(dialog);
        if (dialog && dialog->isVisible())
            dialog->close(); // a prompt the act left open is refused, not waited on
        return dialog != nullptr;
    });
    const bool result = checkLogin();
    if (prompted)
        *prompted = answer.answered() > 0;
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

    void noPasswordMeansNoPromptButTheFindWindowIsHiddenEveryTime() {
        int hidden = 0;
        setHideFindWindowHook([&hidden] { ++hidden; });
        bool prompted = false;
        const auto cancel = [](FrmLogin* d) { d->cancel(); };
        setPassword(encoded("one"));
        QVERIFY(!loginWith(cancel, &prompted));
        QVERIFY(prompted);
        // Every check reads the file again.
        for (const char* stored : {"", "Not Used", static_cast<const char*>(nullptr)}) {
            if (stored)
                setPassword(stored);
            else
                QFile::remove(home->file("pw.ini"));
            QVERIFY(loginWith(cancel, &prompted));
            QVERIFY(!prompted);
        }
        QCOMPARE(hidden, 4);
    }

    void theRightPasswordInAnyCaseIsAcceptedAWrongOneKeepsTheDialogOpen() {
        setPassword(encoded("Shop42"));
        for (const char* typed : {"SHOP42", "shop42"}) {
            bool prompted = false;
            QVERIFY(loginWith([typed](FrmLogin* d) { type(d, typed); }, &prompted));
            QVERIFY(prompted);
            QCOMPARE(gDialogResult, QStringLiteral("~"));
        }
        ScriptedMessages msgs;
        QString keptText;
        QVERIFY(loginWith([&](FrmLogin* d) {
            type(d, "shop43");
            keptText = d->isVisible() ? d->txtPassword()->text() : QString();
            type(d, "shop42");
        }));
        QCOMPARE(keptText, QStringLiteral("shop43"));
        QCOMPARE(msgs.texts(), QStringList{"Enter a Valid Password"});
    }

    void onlyTheDialogsOwnOkLetsThrough() {
        setPassword(encoded("shop42"));
        // A "~" left by an earlier login never answers a later one.
        const std::function<void(FrmLogin*)> closes[] = {
            [](FrmLogin* d) { d->findChild<QPushButton*>("cmdCancel")->click(); },
            [](FrmLogin* d) { QTest::keyClick(d, Qt::Key_Escape); }, [](FrmLogin* d) { d->close(); },
            [](FrmLogin* d) { d->done(QDialog::Rejected); }, [](FrmLogin* d) { d->hide(); }};
        for (const auto& close : closes) {
            gDialogResult = QStringLiteral("~");
            QVERIFY(!loginWith(close));
        }
    }

    void eachStoredCharacterIsItsPasswordCharacterRaisedByFive() {
        setPassword("\xe9");
        QVERIFY(passwordAccepted(QString::fromLatin1("\xe4")));
        QVERIFY(passwordAccepted(QString::fromLatin1("\xc4")));
        // Codes below 5 have no decoded form: such a file can never be matched,
        // not even by an empty entry or the characters that can be decoded.
        setPassword("ab\x03");
        QVERIFY(!passwordAccepted(QString()));
        QVERIFY(!passwordAccepted("\\]"));
    }
};

QTEST_MAIN(LoginTest)
#include "LoginTest.moc"
