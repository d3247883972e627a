// The wheel helper: one extra line per notch on the focused editor, on top
// of the control's own scrolling.
#include "EditControl.h"
#include "WheelScroll.h"

#include <QApplication>
#include <QWheelEvent>
#include <QtTest>

class WheelTest : public QObject {
    Q_OBJECT

    // First visible line after one wheel event (angle dx, dy) from line 100.
    static int turn(EditControl& ed, int dy, int dx = 0) {
        ed.setFirstVisibleLine(100);
        const QPointF at(20, 20);
        QWheelEvent event(at, ed.viewport()->mapToGlobal(at), QPoint(), QPoint(dx, dy), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(ed.viewport(), &event);
        return ed.firstVisibleLine();
    }

private Q_SLOTS:
    void aNotchMovesOneLineMoreOnTheFocusedEditor() {
        EditControl ed;
        ed.resize(300, 200);
        ed.setBytes(QByteArray(400, '\n'));
        ed.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ed));
        unhookWheel();
        const int upAlone = turn(ed, 120), downAlone = turn(ed, -360);
        const int firstHalfAlone = turn(ed, 60), secondHalfAlone = turn(ed, 60);

        // Focus in twice: still one hook, one extra line.
        QFocusEvent focusIn(QEvent::FocusIn);
        QApplication::sendEvent(&ed, &focusIn);
        QApplication::sendEvent(&ed, &focusIn);
        QCOMPARE(turn(ed, 120), upAlone - 1);
        QCOMPARE(turn(ed, -360), downAlone + 3);
        QCOMPARE(turn(ed, 0), 100);
        QCOMPARE(turn(ed, 0, -120), 100);
        // Two half notches make one.
        QCOMPARE(turn(ed, 60), firstHalfAlone);
        QCOMPARE(turn(ed, 60), secondHalfAlone - 1);
        // The hook follows the focus: the editor that lost it scrolls only by itself.
        QFocusEvent focusOut(QEvent::FocusOut);
        QApplication::sendEvent(&ed, &focusOut);
        QCOMPARE(turn(ed, 120), upAlone);
    }
};

QTEST_MAIN(WheelTest)
#include "WheelTest.moc"
