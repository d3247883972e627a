// The terminal view: its display modes, its cap, and the box it draws into.
#include "TerminalView.h"
#include "TerminalEcho.h"
#include "TransferGlobals.h"

#include <QPlainTextEdit>
#include <QtCore/qtestsupport_core.h>

#include <gtest/gtest.h>

namespace {

class Terminal : public ::testing::Test {
protected:
    void SetUp() override {
        gPortState = PortIdle;
        gDebugMode = 1;
        gBestEob = false;
    }
    void TearDown() override { gPortState = PortIdle; }
    // What one piece looks like with the debug window open in `mode`.
    QByteArray shownInMode(int mode, const QByteArray& piece) {
        gPortState = PortTerminal;
        gDebugMode = mode;
        view.clear();
        view.appendToTerminal(piece);
        return view.text();
    }

    QPlainTextEdit box;
    TerminalView view{&box};
};

TEST_F(Terminal, ControlCharactersAreNamed) {
    EXPECT_EQ(charName(0), QStringLiteral("<0=NUL>"));
    EXPECT_EQ(charName(13), QStringLiteral("<13=CR>"));
    EXPECT_EQ(charName(31), QStringLiteral("<31=US>"));
    EXPECT_EQ(charName(32), QStringLiteral("<32SPACE>"));
    EXPECT_EQ(charName('A'), QStringLiteral("<A=65>"));

    EXPECT_EQ(shownInMode(0, "G1\tX\r\n"), QByteArray("G1<9=HT>X<13=CR><10=LF>"));
    EXPECT_EQ(shownInMode(4, "A \n"), QByteArray("<A=65><32SPACE><10=LF>"));
    EXPECT_EQ(shownInMode(2, "G01 X5\r\n"), QByteArray("      \\CR\\LF"));
    EXPECT_EQ(shownInMode(1, QByteArray("N1\0", 3)), QByteArray("N1<NUL>"));
    // Outside the debug window the data shows as it is.
    gPortState = PortReceiving;
    view.clear();
    view.appendToTerminal(QByteArray("N1\0\t", 4));
    EXPECT_EQ(view.text(), QByteArray("N1\0\t", 4));
}

TEST_F(Terminal, BestEndOfBlockShowsCrLfAndCollapsesBlankLines) {
    EXPECT_EQ(shownInMode(3, "A\nB\n"), QByteArray("A\r\nB\r\n"));
    EXPECT_TRUE(gBestEob);
    EXPECT_EQ(shownInMode(3, "A\rB\r"), QByteArray("A\r\nB\r\n"));
    EXPECT_EQ(shownInMode(3, "A\nB\n\n\n\nC"), QByteArray("A\r\nB\r\nC"));
    // A binary transfer is never reformatted.
    view.setBinaryTransfer(true);
    EXPECT_EQ(shownInMode(3, "A\nB"), QByteArray("A\nB"));
    EXPECT_FALSE(gBestEob);
}

TEST_F(Terminal, TheTextIsCappedByFixedCuts) {
    QByteArray full;
    for (int i = 0; i < TerminalView::kCap + 1; ++i)
        full += char('a' + i % 26);
    view.appendToTerminal(full.left(TerminalView::kCap));
    view.appendToTerminal(full.mid(TerminalView::kCap));
    ASSERT_EQ(view.text(), full);
    view.appendToTerminal("NEW");
    // 16001 characters keep 11905, from character 4097 on, before the new text.
    EXPECT_EQ(view.text(), full.mid(TerminalView::kCut) + "NEW");
    EXPECT_EQ(view.text().size(), 11905 + 3);

    // A huge piece keeps only its newest part.
    view.appendToTerminal(QByteArray(100000, 'x') + "END");
    EXPECT_LE(view.text().size(), 2 * TerminalView::kCap);
    EXPECT_TRUE(view.text().endsWith("xxxEND"));
    view.appendToTerminal("!");
    EXPECT_LE(view.text().size(), TerminalView::kCap + 1);
}

TEST_F(Terminal, TheBoxShowsLinesAndFollowsAClear) {
    // Nothing is drawn while the box cannot be seen; what is held, once it shows.
    view.appendToTerminal("G1 X1\r");
    view.flush();
    EXPECT_TRUE(box.toPlainText().isEmpty());
    box.show();
    EXPECT_TRUE(QTest::qWaitFor([this] { return box.toPlainText() == QStringLiteral("G1 X1\n"); }, 20000));
    view.appendToTerminal("\nG2\nG3\r\n");
    EXPECT_EQ(box.toPlainText(), QStringLiteral("G1 X1\n")); // drawn on the timer, not at once
    view.flush();
    EXPECT_EQ(box.toPlainText(), QStringLiteral("G1 X1\nG2\nG3\n"));

    // Cleared from the menu: only what comes next is shown.
    box.clear();
    view.appendToTerminal("M30");
    view.flush();
    EXPECT_EQ(box.toPlainText(), QStringLiteral("M30"));
    EXPECT_EQ(view.text(), QByteArray("M30"));

    // The sends' echo reaches the view.
    setTerminalEcho([this](const QByteArray& b) { view.appendToTerminal(b); });
    appendToTerminal("\r\nG4");
    setTerminalEcho(nullptr);
    view.flush();
    EXPECT_EQ(box.toPlainText(), QStringLiteral("M30\nG4"));
}

} // namespace
