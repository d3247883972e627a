#pragma once

#include <QSerialPort>
#include <QString>
#include <QStringList>

// The current machine's communication keys turned into what the port needs:
// the port settings string ("9600,E,7,2"), buffer sizes and the keep-alive
// default.

// The string every fault falls back to.
inline const char* const kFallbackPortSettings = "4800,E,7,2";

// Speed, parity, data and stop bits of the current machine. While the comm
// state is 1 or 2 (terminal or receiving) the receive-time keys (iBaudrate2 ...)
// are used when all four hold a value. A bad parity shows "Error - Defaulting
// To 4800,E,7,2"; every other fault falls back silently.
QString makeSettings();
// The same without any message; *parityBad tells whether makeSettings() would
// have shown one.
QString makeSettingsQuiet(bool* parityBad = nullptr);
// The machine's first-set speed with ",N,8,1": the XModem framing.
QString makeSettingsX();
// The routes a send takes, each reading its own keys of the machine: the
// text send (sendTextBlock), the send without window, the block routes
// (DripFeedPacketSize 1, 2 and chunks, 3; Send Binary) and XModem.
enum class SendRoute { Text, NoWindow, ExecutiveTape, DripFeed, Binary, Turbo, XModem };

// Stored keys of a machine that a transfer reads and that the program could
// never have written (a port number below 0 or not a number, a speed beyond
// the list, a time-out that is no whole number of seconds, a send key that
// is not the exact position of an entry of its list or check box, a pad
// that is not the exact code of a byte): each as
// "Key=value", port keys first, in the order of the dialog. Missing keys
// take their defaults and are not listed.
QStringList impossibleMachineSettings(const QString& section);
// Those of the port keys that opening the current machine's port now would
// use: the port, its flow control, its time-out and the line set
// makeSettings() takes (`xmodem`: the port, the speed and the time-out only).
QStringList impossibleSettingsOfOpening(bool xmodem);
// Those that a send by `route` would use: its opening's and the route's own
// (an XModem send uses no end of block, delay, code set or send mode).
QStringList impossibleSettingsOfSend(SendRoute route);
// Names `entries` of the current machine, where they are stored and what to do.
QString impossibleSettingsText(const QStringList& entries);
// The heading of a refusal for `entries`: the port cannot be opened on them,
// or, where no port key is among them, the send is refused for its keys.
QString impossibleSettingsHeading(const QStringList& entries);

// (value of the key + 1) x 1024 bytes; 8192 when that is 0 or less.
int getBufferSize(const QString& key);
// 0 when the current machine's port is a USB adapter's, else 1.
int keepAliveDefaultValue();

enum class FlowMode { None, XonXoff, RtsCts, Both };
// Handshaking list position: 1 Xon/Xoff, 2 Rts/Cts, 3 both; none for 0, the
// XModem route (4) and the blockwise route (5).
FlowMode flowModeFor(int handshaking);

// Everything the port is opened with.
struct PortSettings {
    qint32 baud = 4800;
    QSerialPort::Parity parity = QSerialPort::EvenParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data7;
    QSerialPort::StopBits stopBits = QSerialPort::TwoStop;
    FlowMode flow = FlowMode::None;
    bool dtr = true;
    bool rts = true;

    // "9600,E,7,2": speed, parity letter N E O M S, data bits 5-8, stop bits 1 or 2.
    // False (and *why filled) when the text is not such a string.
    static bool parse(const QString& text, PortSettings* out, QString* why = nullptr);
    QString toString() const; // the framing part, "9600,E,7,2"

    bool operator==(const PortSettings& o) const;
    bool operator!=(const PortSettings& o) const { return !(*this == o); }
};
