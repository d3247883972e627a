// End-of-block conventions, port settings strings, buffer sizes and the EIA
// code tables.
#include "PortConfig.h"
#include "EiaCode.h"
#include "EndOfBlock.h"
#include "IniStorage.h"
#include "MachineRecord.h"
#include "ScriptedMessages.h"
#include "TestHome.h"
#include "TransferGlobals.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class MachineKeys : public ::testing::Test {
protected:
    void SetUp() override {
        gCurrentMachineSection = QStringLiteral("Machine3");
        gPortState = PortIdle;
    }
    void TearDown() override { gPortState = PortIdle; }
    static void set(const char* key, const QString& value) {
        writeIni(gCurrentMachineSection, QString::fromLatin1(key), value);
    }
    static void framing(const char* baud, const char* parity, const char* data, const char* stop,
                        const char* suffix = "") {
        const QString s = QString::fromLatin1(suffix);
        writeIniValues(gCurrentMachineSection,
                       {{QStringLiteral("iBaudrate") + s, QString::fromLatin1(baud)},
                        {QStringLiteral("iParity") + s, QString::fromLatin1(parity)},
                        {QStringLiteral("iDataLength") + s, QString::fromLatin1(data)},
                        {QStringLiteral("iStopBits") + s, QString::fromLatin1(stop)}});
    }
    TestHome home;
    ScriptedMessages msgs;
};

using PortSettingsString = MachineKeys;

TEST_F(PortSettingsString, BuildsFromTheStoredPositionsAndFaultsFallBack) {
    EXPECT_EQ(makeSettings(), "4800,E,7,2"); // the record's defaults
    const struct {
        const char *baud, *parity, *data, *stop, *settings;
        bool told; // only a bad parity is reported
    } rows[] = {
        {"6", "1", "2", "1", "9600,E,7,2", false},  {"10", "0", "3", "0", "115200,N,8,1", false},
        {"0", "3", "0", "0", "150,M,5,1", false},   {"12", "4", "1", "1", "460800,S,6,2", false},
        {"3", "2", "3", "0", "1200,O,8,1", false},  {"6", "5", "2", "1", "4800,E,7,2", true},
        {"13", "0", "3", "0", "4800,E,7,2", false}, {"abc", "0", "3", "0", "4800,E,7,2", false},
        {"6", "0", "5", "0", "4800,E,7,2", false},  {"6", "0", "3", "2", "4800,E,7,2", false},
        {"abc", "9", "3", "0", "4800,E,7,2", true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.baud) + " " + r.parity + " " + r.data + " " + r.stop);
        framing(r.baud, r.parity, r.data, r.stop);
        EXPECT_EQ(makeSettingsQuiet(), r.settings);
        EXPECT_TRUE(msgs.shown().isEmpty());
        EXPECT_EQ(makeSettings(), r.settings);
        EXPECT_EQ(msgs.texts(), r.told ? QStringList{"Error - Defaulting To 4800,E,7,2"} : QStringList());
        msgs.clear();
    }
}

TEST_F(PortSettingsString, ReceiveTimeSetOnlyWhileReceivingAndComplete) {
    framing("6", "1", "2", "1");
    framing("10", "0", "3", "0", "2");
    EXPECT_EQ(makeSettings(), "9600,E,7,2"); // idle: the first set
    gPortState = PortTerminal;
    EXPECT_EQ(makeSettings(), "115200,N,8,1");
    gPortState = PortReceiving;
    EXPECT_EQ(makeSettings(), "115200,N,8,1");
    gPortState = PortSending;
    EXPECT_EQ(makeSettings(), "9600,E,7,2");

    gPortState = PortTerminal;
    set("iStopBits2", QString()); // three of four: the first set
    EXPECT_EQ(makeSettings(), "9600,E,7,2");
    EXPECT_EQ(makeSettingsX(), "9600,N,8,1"); // never the receive-time speed
}

TEST_F(MachineKeys, BufferSizesAndKeepAliveDefault) {
    EXPECT_EQ(getBufferSize(QStringLiteral("OutBufferSize")), 8192);
    set("OutBufferSize", QStringLiteral("0"));
    EXPECT_EQ(getBufferSize(QStringLiteral("OutBufferSize")), 1024);
    set("OutBufferSize", QStringLiteral("15"));
    EXPECT_EQ(getBufferSize(QStringLiteral("OutBufferSize")), 16384);
    for (const char* v : {"-1", "-3"}) {
        set("InBufferSize", QString::fromLatin1(v));
        EXPECT_EQ(getBufferSize(QStringLiteral("InBufferSize")), 8192) << v;
    }
    // Beyond the list, by hand: still a size, not a number run over.
    for (const char* v : {"2147483647", "99999999999999999999"}) {
        set("InBufferSize", QString::fromLatin1(v));
        EXPECT_GE(getBufferSize(QStringLiteral("InBufferSize")), 20 * 1024) << v;
    }

    // A pseudo-terminal is no USB adapter; a port that cannot be named counts as not one.
    writeIni(QStringLiteral("Ports"), QStringLiteral("Com3"), QStringLiteral("/dev/ptmx"));
    set("CommPort", QStringLiteral("2"));
    EXPECT_EQ(keepAliveDefaultValue(), 1);
    set("CommPort", QStringLiteral("500"));
    EXPECT_EQ(keepAliveDefaultValue(), 1);
}

// A send key outside what the program writes stops the routes that read
// it, and only those. Routes: T text send, N send without window, E
// executive tape, D drip feed and chunks, B Send Binary, U turbo, X XModem.
TEST_F(MachineKeys, SendKeysTheProgramNeverWritesStopTheRoutesThatReadThem) {
    const struct {
        const char *key, *value, *stoppedRoutes;
    } rows[] = {
        {"EOBSend", "", "TNDU"},
        {"EOBSend", "abc", "TNDU"},
        {"EOBSend", "7", "TNDU"},
        {"EOBSend", "-1", "TNDU"},
        {"EOBSend", "2147483648", "TNDU"},
        {"EOBSend", "5", ""},
        {"CharacterSet", "1e9", "TNEDBU"},
        {"CharacterSet", "1", ""},
        {"LineDelay", "2097151", "TNDB"},
        {"LineDelay", "501", "TNDB"},
        {"LineDelay", "500", ""},
        {"CharacterDelay", "3000000", "TNEDBU"},
        {"CharacterDelay", "26", "TNEDBU"},
        {"CharacterDelay", "25", ""},
        {"DripFeedPacketSize", "1e9", "TNEDU"},
        {"DripFeedPacketSize", "1028", "TNEDU"},
        {"DripFeedPacketSize", "1027", ""},
        {"WaitForXON", "3", "TNEDBU"},
        {"RemoteDeviceOnline", "-1", "TNEDBU"},
        {"StripSpaces", "2", "TNDU"},
        {"StripBlankLines", "01", "TNDU"},
        {"FlowMethod", "2", "TNEDB"},
        {"WaitAfterSending", "31", "TNEDBU"},
        {"WaitAfterSending", "30", ""},
        {"IgnoreBlockType", "1.0", "T"},
        {"DoubleSpaceN", "True", "T"},
        {"KeepAlive", "2", "TNEDBUX"},
        {"DTREnable", "on", "TNEDBUX"},
        {"OutBufferSize", "20", "TNEDBUX"},
        {"OutBufferSize", "19", ""},
        {"InBufferSize", "20", "TNEDBUX"},
        {"InBufferSize", "19", ""},
        {"XModemPad", "256", "X"},
        {"XModemPad", "+1", "X"},
        {"XModemPad", "01", "X"},
        {"XModemPad", "", "X"},
        {"XModemPad", "255", ""},
        {"XModemPad", "0", ""},
    };
    const std::pair<char, SendRoute> routes[] = {{'T', SendRoute::Text},          {'N', SendRoute::NoWindow},
                                                 {'E', SendRoute::ExecutiveTape}, {'D', SendRoute::DripFeed},
                                                 {'B', SendRoute::Binary},        {'U', SendRoute::Turbo},
                                                 {'X', SendRoute::XModem}};
    for (const auto& r : rows) {
        const QString entry = QStringLiteral("%1=%2").arg(QLatin1String(r.key), QLatin1String(r.value));
        SCOPED_TRACE(entry.toStdString());
        removeIniSection(gCurrentMachineSection, gIniPath);
        set(r.key, QString::fromLatin1(r.value));
        const bool impossible = *r.stoppedRoutes != '\0';
        EXPECT_EQ(impossibleMachineSettings(gCurrentMachineSection),
                  impossible ? QStringList{entry} : QStringList());
        for (const auto& [letter, route] : routes) {
            EXPECT_EQ(impossibleSettingsOfSend(route).contains(entry),
                      std::strchr(r.stoppedRoutes, letter) != nullptr)
                << letter;
        }
        if (impossible) {
            EXPECT_TRUE(impossibleSettingsText({entry}).contains(QStringLiteral("Values No Send Can Use")));
        }
    }
    // The port's keys are checked for every route, as for every opening.
    removeIniSection(gCurrentMachineSection, gIniPath);
    set("iBaudrate", QStringLiteral("13"));
    for (const auto& [letter, route] : routes) {
        EXPECT_EQ(impossibleSettingsOfSend(route), QStringList{"iBaudrate=13"}) << letter;
    }
    EXPECT_TRUE(impossibleSettingsText({"iBaudrate=13"}).contains(QStringLiteral("Values No Port Can Use")));
}

using EndOfBlock = MachineKeys;

TEST_F(EndOfBlock, SendConventions) {
    set("CustomEOBSend", QStringLiteral("59,13,#2,10"));
    const std::pair<const char*, QByteArray> rows[] = {{"0", "\r\n"}, {"1", "\n\r\r"}, {"2", "\n"},
                                                       {"3", "\r"},   {"4", "\n\r"},   {"5", ";\r\n\n"},
                                                       {"7", ""},     {"", ""}};
    for (const auto& [setting, eob] : rows)
        EXPECT_EQ(eobForSend(QString::fromLatin1(setting)), eob) << setting;
    EXPECT_TRUE(msgs.shown().isEmpty());
}

TEST_F(EndOfBlock, BadCustomSequenceIsClearedAndDefaultsToCrLf) {
    set("CustomEOBSend", QStringLiteral("13,10,"));
    EXPECT_EQ(getCustomEOB(EobSend), QByteArray("\r\n"));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Bad or No End Of Block Defined = Defaulting To CR/LF")));
    EXPECT_TRUE(
        readIni(gCurrentMachineSection, QStringLiteral("CustomEOBSend"), QStringLiteral("?")).isEmpty());
    msgs.clear();
    EXPECT_EQ(getCustomEOB(EobSend), QByteArray("\r\n")); // now empty: the message again
    EXPECT_EQ(msgs.shown().size(), 1);

    msgs.clear();
    set("CustomEOBReceive", QStringLiteral("10"));
    EXPECT_EQ(getCustomEOB(EobReceive), QByteArray("\n"));
    EXPECT_EQ(getCustomEOB(7), QByteArray("\r\n")); // no such direction
    EXPECT_EQ(msgs.shown().size(), 1);
    // A pause item cannot be part of a line end: only the characters count.
    set("CustomEOBSend", QStringLiteral("13,!50!,10"));
    EXPECT_EQ(getCustomEOB(EobSend), QByteArray("\r\n"));
}

TEST(GetEob, FindsTheLineEnd) {
    EXPECT_EQ(getEOB(QByteArray("N1\r\nN2\r\nN3\r\n")), "13,10"); // not LF CR across the lines
    EXPECT_EQ(getEOB(QByteArray("N1\r\nN2\n\r\rN3\r\n")), "10,13,13");
    EXPECT_EQ(getEOB(QByteArray("N1\n\rN2\n\r")), "10,13");
    EXPECT_EQ(getEOB(QByteArray("N1\rN2\r")), "13");
    EXPECT_EQ(getEOB(QByteArray("N1\nN2\n")), "10");
    EXPECT_EQ(getEOB(QByteArray("N1")), "13,10");
    EXPECT_EQ(getEOB(QByteArray()), "13,10");
    EXPECT_EQ(getEOB(QByteArray("\r\nN1\n")), "13,10") << "a leading CR LF is stripped first";
    EXPECT_EQ(getEOB(QByteArray("\n\n")), "10");
    // Longer than 2048: only the first 1024 characters are looked at.
    QByteArray big = QByteArray(1500, 'X') + "\r\n" + QByteArray(600, 'Y');
    big.replace(100, 1, "\n");
    EXPECT_EQ(getEOB(big), "10");
}

class EiaTables : public ::testing::Test {
protected:
    void SetUp() override { gConversionTable = EiaTable(); }
    TestHome home;
    ScriptedMessages msgs;
};

TEST_F(EiaTables, DefaultTableConvertsBothWays) {
    const QString file = eiaTableFile();
    ASSERT_TRUE(installDefaultEiaTable(file));
    ASSERT_TRUE(DimConversions(QStringLiteral("Ascii2Eia"), file));
    const QByteArray eia = returnEIA(QByteArray("%\r\nN10 g01 X-1.5 Y/2\r\n"));
    EXPECT_EQ(eia.count(char(0x80)), 2) << "one EIA end of block per line, CR dropped";
    for (const char c : eia) {
        int bits = 0;
        for (int i = 0; i < 8; ++i)
            bits += (uchar(c) >> i) & 1;
        EXPECT_EQ(bits % 2, 1) << "every EIA code has odd parity: " << int(uchar(c));
    }
    ASSERT_TRUE(DimConversions(QStringLiteral("Eia2Ascii"), file));
    EXPECT_EQ(returnEIA(eia), QByteArray("%\nN10 G01 X-1.5 Y/2\n"));
    EXPECT_TRUE(returnEIA(QByteArray()).isEmpty());
    EXPECT_TRUE(msgs.shown().isEmpty());
    EXPECT_TRUE(installDefaultEiaTable(file)) << "an existing table is kept";
}

TEST_F(EiaTables, FileValuesAndMissingFile) {
    const QString file = home.file(QStringLiteral("codeset.eia"));
    writeAllBytes(file,
                  "[Ascii2Eia]\n48=32\n49=1\n65=-1\n66=abc\n67=300\n68=65.6\n69=255\n[Eia2Ascii]\n32=48\n");
    ASSERT_TRUE(DimConversions(QStringLiteral("Ascii2Eia"), file));
    // Only mapped characters pass; -1, a missing key and a value that is no
    // byte drop the character; "abc" maps to 0; 255 is the last byte.
    EXPECT_EQ(returnEIA(QByteArray("01 ABCDE\r\n")),
              QByteArray("\x20\x01", 2) + QByteArray(1, '\0') + "B\xff");
    EXPECT_EQ(gConversionTable.entry('C'), -1);

    ASSERT_TRUE(DimConversions(QStringLiteral("Eia2Ascii"), file));
    EXPECT_EQ(returnEIA(QByteArray("\x20\x01", 2)), QByteArray("0"))
        << "the receive table replaced the send table";

    EXPECT_FALSE(DimConversions(QStringLiteral("Ascii2Eia"), home.file(QStringLiteral("missing.eia"))));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("Can't Find The EIA Code Table")));
    EXPECT_TRUE(msgs.sawText(QStringLiteral("missing.eia")));
    EXPECT_EQ(returnEIA(QByteArray("\x20", 1)), QByteArray("0")) << "a failed load leaves the table";
}

} // namespace
