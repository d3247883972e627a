// Editor commands of the main window that reach the machine, with the test
// as the machine on a pseudo-terminal.
#include "IniStorage.h"
#include "ScriptedMessages.h"
#include "WindowOnPty.h"
#include "frmMerge.h"

#include <QAction>

class EditorCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowOnPty> env_;

    QString file(const QString& name, const QByteArray& text) const {
        const QString path = env_->home->file(name);
        writeAllBytes(path, text);
        return path;
    }
    // Chooses Merge from the File menu; the dialog gets `files` and "Merge To DNC".
    void mergeToDnc(frmTerminal& w, const QStringList& files) {
        QTimer::singleShot(0, this, [files] {
            auto* dialog = qobject_cast<frmMerge*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->addFiles(files);
            dialog->Command1_Click(2);
            if (dialog->isVisible())
                dialog->Command1_Click(1); // the merge stopped: Quit
        });
        w.menuItem(QStringLiteral("mnuMerge"))->trigger();
    }

private Q_SLOTS:
    void init() { env_ = std::make_unique<WindowOnPty>(); }
    void cleanup() { env_.reset(); }

    void mergeToDncSendsTheMergedProgramOrNothing() {
        auto w = env_->load("Alias=MILL\ntrimPercents=1\n");
        const QStringList files{file(QStringLiteral("a.nc"), "%\nO1\nG01\n%\n"), env_->home->file(QStringLiteral("gone.nc")),
                                file(QStringLiteral("b.nc"), "%\nO2\nG02\n%\n\x1a")};
        ScriptedMessages msgs;
        msgs.answer(Msg::AnswerNo); // stop at the vanished file
        mergeToDnc(*w, files);
        QVERIFY(msgs.sawText("gone.nc"));
        QCOMPARE(env_->machine.receivedCount(), 0);

        msgs.answer(Msg::AnswerYes); // go on without it
        mergeToDnc(*w, files);
        const QByteArray expected = "%\r\nO1\r\nG01\r\n\r\n\r\nO2\r\nG02\r\n%\r\n";
        QVERIFY(env_->machine.waitForCount(expected.size(), 10000));
        QCOMPARE(env_->machine.received(), expected);
        QCOMPARE(gPortState, int(PortIdle));
        QVERIFY(w->close());
    }
};

QTEST_MAIN(EditorCommandsTest)
#include "EditorCommandsTest.moc"
