// The received-file filter: the whole-text rules, the settings it reads, and
// the piecewise path against the whole-text one.
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ReceiveFilter.h"
#include "ScriptedMessages.h"
#include "TestHome.h"

#include <QBuffer>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace ReceiveFilter;

namespace {

Settings percentBoth() {
    Settings s;
    s.startChar = '%';
    s.endChar = '%';
    return s;
}

} // namespace

TEST(ReceiveFilterRules, StartAndEndCharactersCutTheProgramOut) {
    const QByteArray received("junk\x01%%\r\nO1000\r\nG01 X5\r\n%\r\nmore junk");
    Settings s = percentBoth();
    EXPECT_EQ(filterWhole(received, s), QByteArray("\r\nO1000\r\nG01 X5\r\n"));
    s.keepStart = s.keepEnd = true;
    EXPECT_EQ(filterWhole(received, s), QByteArray("%\r\nO1000\r\nG01 X5\r\n%"));

    // Three start characters in a row all go; nothing but start characters leaves nothing.
    Settings start;
    start.startChar = '%';
    EXPECT_EQ(filterWhole("%%%O1000", start), QByteArray("O1000"));
    EXPECT_EQ(filterWhole("ab%%%", start), QByteArray());
    // A start character that never comes leaves the text as it is.
    EXPECT_EQ(filterWhole("O1000\r\n", start), QByteArray("O1000\r\n"));
    // The end character is looked for only after the start.
    Settings both = percentBoth();
    both.endChar = 'X';
    EXPECT_EQ(filterWhole("X%G1X2", both), QByteArray("G1"));
}

TEST(ReceiveFilterRules, LineEndsBecomeCrLf) {
    Settings s;
    s.eobIndex = 3; // LF: an existing CR LF doubles its CR
    EXPECT_EQ(filterWhole("A\r\nB\r\n", s), QByteArray("A\r\r\nB\r\r\n"));
    s.eobIndex = 4;
    EXPECT_EQ(filterWhole("A\rB\r", s), QByteArray("A\r\nB\r\n"));
    s.eobIndex = 2;
    EXPECT_EQ(filterWhole("A\n\r\rB\n\r\r", s), QByteArray("A\r\nB\r\n"));
    s.eobIndex = 5;
    EXPECT_EQ(filterWhole("A\n\rB\n\r", s), QByteArray("A\r\nB\r\n"));
    s.eobIndex = 1;
    EXPECT_EQ(filterWhole("A\nB\r", s), QByteArray("A\nB\r"));
    s.eobIndex = 6;
    s.customEob = "\r\r\n";
    EXPECT_EQ(filterWhole("A\r\r\nB\r\r\n", s), QByteArray("A\r\nB\r\n"));
    s.eobIndex = 9;
    EXPECT_EQ(filterWhole("A\nB", s), QByteArray("A\nB"));

    // Found in the data: from its first 1024 bytes only.
    s.eobIndex = 0;
    EXPECT_EQ(filterWhole("A\nB\nC", s), QByteArray("A\r\nB\r\nC"));
    EXPECT_EQ(filterWhole("A\rB\r", s), QByteArray("A\r\nB\r\n"));
    EXPECT_EQ(filterWhole("A\r\nB\r\n", s), QByteArray("A\r\nB\r\n"));
    EXPECT_EQ(filterWhole("A\n\r\rB\r\n", s), QByteArray("A\r\nB\r\n"));
    const QByteArray early = "A\n" + QByteArray(1100, 'A') + "\nB";
    EXPECT_EQ(filterWhole(early, s), "A\r\n" + QByteArray(1100, 'A') + "\r\nB");
    const QByteArray unseen = QByteArray(1024, 'A') + "\nB\n";
    EXPECT_EQ(filterWhole(unseen, s), unseen);
}

TEST(ReceiveFilterRules, DiscardAndUnwantedStrings) {
    const QByteArray received("G1\0X\t1\x01\x1f\r\nY2\x7f\xff\n", 15);
    Settings s;
    s.discard = Discard::ControlChars;
    EXPECT_EQ(filterWhole(received, s), QByteArray("G1X1\r\nY2\x7f\xff\n"));
    s.discard = Discard::Nulls;
    EXPECT_EQ(filterWhole(received, s), QByteArray("G1X\t1\x01\x1f\r\nY2\x7f\xff\n"));
    s.discard = Discard::Nothing;
    EXPECT_EQ(filterWhole(received, s), received);

    // Earlier keys first: the longer string that holds the shorter one is
    // gone only when it comes first.
    Settings order;
    order.unwanted = {"M30", "(M30 END)"};
    EXPECT_EQ(filterWhole("G1(M30 END)\r\n", order), QByteArray("G1( END)\r\n"));
    order.unwanted = {"(M30 END)", "M30", QByteArray()};
    EXPECT_EQ(filterWhole("G1(M30 END)M30\r\n", order), QByteArray("G1\r\n"));
    // One pass: what the removal joins is not removed again.
    Settings once;
    once.unwanted = {"ab"};
    EXPECT_EQ(filterWhole("aabb", once), QByteArray("ab"));
    EXPECT_EQ(replaceAllBytes("aaaa", "aa", "a"), QByteArray("aa"));

    // The start character put back takes part in the removals that follow.
    Settings kept = percentBoth();
    kept.keepStart = true;
    kept.unwanted = {"%O"};
    EXPECT_EQ(filterWhole("x%O1%", kept), QByteArray("1"));
}

TEST(ReceiveFilterRules, SettingsComeFromTheCurrentMachine) {
    TestHome home;
    gCurrentMachineSection = QStringLiteral("Machine3");
    writeIniValues(gCurrentMachineSection, {{QStringLiteral("HeaderReceive"), QStringLiteral("38")},
                                            {QStringLiteral("TrailerReceive"), QStringLiteral("300")},
                                            {QStringLiteral("HeaderReceiveInc"), QStringLiteral("1")},
                                            {QStringLiteral("Discard"), QStringLiteral("2")},
                                            {QStringLiteral("EOBReceive"), QStringLiteral("6")},
                                            {QStringLiteral("CustomEOBReceive"), QStringLiteral("13,13")},
                                            {QStringLiteral("RemoveUnwantedStrings2"), QStringLiteral("N10")}});
    const Settings s = currentMachineSettings();
    EXPECT_EQ(s.startChar, '%');
    EXPECT_EQ(s.endChar, -1); // no such character: the step is left out
    EXPECT_TRUE(s.keepStart);
    EXPECT_FALSE(s.keepEnd);
    EXPECT_EQ(s.discard, Discard::Nothing);
    EXPECT_EQ(s.customEob, QByteArray("\r\r"));
    ASSERT_EQ(s.unwanted.size(), 8);
    EXPECT_EQ(s.unwanted[1], QByteArray("N10"));

    // An unusable custom line end says so once and counts as CR LF.
    ScriptedMessages msgs;
    writeIni(gCurrentMachineSection, QStringLiteral("CustomEOBReceive"), QString());
    EXPECT_EQ(currentMachineSettings().customEob, QByteArray("\r\n"));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Bad or No End Of Block Defined")));
}

TEST(ReceiveFilterPieces, AFileOfTwoWholePiecesKeepsItsEndAndLastLineEnd) {
    Settings s = percentBoth();
    s.eobIndex = 3;
    QByteArray received = "%\n";
    while (received.size() < 4096 - 4)
        received += "G1\n";
    received = received.left(4096 - 4) + "\n%\nZ";
    ASSERT_EQ(received.size(), 4096);
    const QByteArray whole = filterWhole(received, s);
    EXPECT_TRUE(whole.endsWith("\r\n"));
    EXPECT_FALSE(whole.contains('%'));
    EXPECT_EQ(filterWhole(received, s, 2048), whole);
}

// Random received data, with the patterns that matter placed across piece
// boundaries: the piecewise path must give the whole path's bytes exactly.
TEST(ReceiveFilterPieces, EqualTheWholeTextOnRandomInput) {
    QRandomGenerator gen(20240611);
    const QByteArray alphabet("AGX01 %%\r\r\n\n\0\t\x01N(", 17);
    const QVector<QByteArray> patterns = {"\r\n", "\n\r\r", "\n\r", "%%%", "G0", "N1(", "(X", "\r\r\n", "AAA"};
    auto pick = [&](const QVector<QByteArray>& from) { return from[int(gen.bounded(from.size()))]; };

    for (int round = 0; round < 3000; ++round) {
        const qint64 pieceSize = 1 + gen.bounded(40);
        const int length = round % 50 == 0 ? 900 + int(gen.bounded(2400)) : int(gen.bounded(260));
        QByteArray input;
        for (int i = 0; i < length; ++i)
            input += alphabet[int(gen.bounded(alphabet.size()))];
        // Patterns straddling piece boundaries.
        const int placed = int(gen.bounded(6));
        for (int p = 0; p < placed && input.size() > pieceSize; ++p) {
            const QByteArray pattern = pick(patterns);
            const qint64 boundary = pieceSize * (1 + gen.bounded(qMax<qint64>(1, input.size() / pieceSize)));
            const qint64 at = qMax<qint64>(0, boundary - 1 - gen.bounded(pattern.size()));
            input.insert(at, pattern);
        }

        Settings s;
        s.eobIndex = int(gen.bounded(8));
        s.customEob = pick({"\r", "\n\n", "\r\r\n", "%"});
        const QByteArray specials("%\r\nXG\0", 6);
        if (gen.bounded(4) != 0)
            s.startChar = uchar(specials[int(gen.bounded(specials.size()))]);
        if (gen.bounded(4) != 0)
            s.endChar = uchar(specials[int(gen.bounded(specials.size()))]);
        s.keepStart = gen.bounded(2) == 1;
        s.keepEnd = gen.bounded(2) == 1;
        s.discard = Discard(gen.bounded(3));
        for (int u = int(gen.bounded(4)); u > 0; --u)
            s.unwanted << pick({"G0", "N1(", "(X", "A", "AAA", "\r\n", "0 ", "%G", QByteArray()});

        const QByteArray expected = filterWhole(input, s);
        const QByteArray got = filterWhole(input, s, pieceSize);
        ASSERT_EQ(got, expected) << "round " << round << " piece " << pieceSize << " input "
                                 << input.left(120).toPercentEncoding().constData();
    }
}
