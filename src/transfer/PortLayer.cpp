#include "PortLayer.h"

#include "EiaCode.h"
#include "MachineRecord.h"
#include "MessageSeam.h"
#include "PortList.h"
#include "TransferGlobals.h"

#include <QElapsedTimer>

#include <optional>

namespace {

XonWaitHooks& xonHooks() {
    static XonWaitHooks hooks;
    return hooks;
}

QString& openError() {
    static QString error;
    return error;
}

enum class Framing { Machine, XModem };

quint64& openings() {
    static quint64 count = 0;
    return count;
}

// `route`: the send this opening is for, whose own keys are checked too.
bool openCurrentMachinePort(bool silent, Framing framing, std::optional<SendRoute> route = std::nullopt) {
    SerialLink& link = comPort();
    ++openings();
    // A value no port can use would open another machine's port, or this
    // one on substitute settings; one no send can use would change the
    // program on its way or hold it for ever: nothing may go anywhere.
    const QStringList impossible =
        route ? impossibleSettingsOfSend(*route) : impossibleSettingsOfOpening(framing == Framing::XModem);
    if (!impossible.isEmpty()) {
        if (link.isOpen())
            link.close();
        link.setDisplayName(QString());
        openError() =
            impossibleSettingsHeading(impossible) + QLatin1Char('\n') + impossibleSettingsText(impossible);
        if (!silent)
            msgBox(openError(), Msg::Ok, Msg::Critical);
        return false;
    }
    const int commPort = MachineRecord::currentInt(QStringLiteral("CommPort"));
    const QString com = PortList::comName(commPort);
    const QString device = PortList::deviceFor(commPort);

    PortSettings s;
    const QString text = framing == Framing::XModem ? makeSettingsX()
                         : silent                   ? makeSettingsQuiet()
                                                    : makeSettings();
    PortSettings::parse(text, &s);
    s.flow = framing == Framing::XModem
                 ? FlowMode::None
                 : flowModeFor(MachineRecord::currentInt(QStringLiteral("Handshaking")));
    s.dtr = MachineRecord::currentInt(QStringLiteral("DTREnable")) != 0;
    s.rts = MachineRecord::currentInt(QStringLiteral("RTSEnable")) != 0;

    link.setCancelFlag(&gCancelSend);
    link.setDisplayName(com);
    link.setBufferSizes(getBufferSize(QStringLiteral("InBufferSize")),
                        getBufferSize(QStringLiteral("OutBufferSize")));
    link.setTimeoutSeconds(MachineRecord::currentInt(QStringLiteral("SendTimeOut")));
    link.setCharacterDelay(
        framing == Framing::XModem ? 0 : MachineRecord::currentInt(QStringLiteral("CharacterDelay")));
    gSendTimedOut = false;

    bool ok = false;
    if (device.isEmpty()) {
        if (link.isOpen())
            link.close();
        openError() = QStringLiteral("Can't Open %1").arg(com) + QLatin1Char('\n') +
                      QStringLiteral("No Device Is Set For %1 In The Port List").arg(com);
    } else {
        ok = link.open(device, s);
        openError() = ok ? QString() : link.errorString();
    }
    if (!ok && !silent)
        msgBox(openError(), Msg::Ok, Msg::Critical);
    return ok;
}

PortResult waitMs(int ms, bool cancelEnds) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (cancelEnds && gCancelSend)
            return PortResult::Cancelled;
        comPort().pump(int(qMin<qint64>(20, ms - t.elapsed())));
    }
    return cancelEnds && gCancelSend ? PortResult::Cancelled : PortResult::Ok;
}

PortResult noteResult(PortResult r) {
    if (r == PortResult::TimedOut) {
        gSendTimedOut = true;
        gCancelSend = true;
    }
    return r;
}

} // namespace

SerialLink& comPort() {
    static SerialLink* link = [] {
        auto* l = new SerialLink;
        l->setCancelFlag(&gCancelSend);
        return l;
    }();
    return *link;
}

bool openPort() {
    return openCurrentMachinePort(false, Framing::Machine);
}
bool openPortForSend(SendRoute route) {
    return openCurrentMachinePort(false, route == SendRoute::XModem ? Framing::XModem : Framing::Machine,
                                  route);
}
bool openPortSilent() {
    // An XModem machine's port is kept in the XModem framing: its send then
    // needs no reopen, which would lose an invitation already received.
    const bool xmodem = MachineRecord::currentInt(QStringLiteral("Handshaking")) == 4;
    return openCurrentMachinePort(true, xmodem ? Framing::XModem : Framing::Machine);
}
quint64 machinePortOpenings() { return openings(); }

bool openPortX() {
    return openCurrentMachinePort(false, Framing::XModem);
}

QString lastPortError() {
    const QString e = comPort().errorString();
    return e.isEmpty() ? openError() : e;
}

void closeComPort(CloseWhen when, SerialLink::CloseMode mode) {
    SerialLink& link = comPort();
    if (!link.isOpen())
        return;
    // Kept open for the next transfer: what was handed over keeps flowing
    // (a cancelled write's rest was discarded when it was cancelled), unless
    // the send it belongs to was given up.
    if (when == CloseWhen::KeepAliveAllows && gKeepAlive > 0 && !link.faulted()) {
        if (mode == SerialLink::CloseMode::Discard)
            link.discardOutput();
        return;
    }
    link.close(mode);
}

PortResult sendToPort(const QByteArray& data) {
    return noteResult(comPort().write(data));
}

PortResult sendToPortOutsideSend(const QByteArray& data) {
    return comPort().write(data, false);
}

PortResult drainPort() {
    return noteResult(comPort().drain(true));
}

PortResult check4XONXOFF() {
    if (gCancelSend)
        return PortResult::Cancelled;
    return noteResult(comPort().drain(true));
}

PortResult wait4CTS() {
    return noteResult(comPort().waitForCts());
}

QString timedOutWaitingFor() {
    switch (comPort().lastHold()) {
    case SerialLink::Hold::Cts:
        return QStringLiteral("The Send Was Waiting For CTS From The CNC");
    case SerialLink::Hold::Xoff:
        return QStringLiteral("The Send Was Waiting For XON After An XOFF From The CNC");
    case SerialLink::Hold::Standstill: // the time-out's own words say it all
    case SerialLink::Hold::Unknown:
        break;
    }
    return QString();
}

QString heldText(SerialLink::Hold hold) {
    switch (hold) {
    case SerialLink::Hold::Cts:
        return QStringLiteral("Held By The CNC - Waiting For CTS");
    case SerialLink::Hold::Xoff:
        return QStringLiteral("Held By The CNC - Waiting For XON");
    case SerialLink::Hold::Standstill:
        return QStringLiteral("Standing Still - Waiting For The Line To Take More");
    case SerialLink::Hold::Unknown:
        break;
    }
    return QString();
}

void setXonWaitHooks(XonWaitHooks hooks) {
    xonHooks() = std::move(hooks);
}

PortResult wait4XON(int& mode, const QString& text) {
    QString caption = text;
    if (caption.isEmpty() && mode == 1)
        caption = QStringLiteral("Waiting For XON From CNC To Start Transfer...");
    else if (caption.isEmpty() && mode == 2)
        caption = QStringLiteral("Waiting For Output From CNC To Start Transfer...");
    if (!caption.isEmpty() && xonHooks().showCaption)
        xonHooks().showCaption(caption);

    SerialLink& link = comPort();
    const bool armed = link.softwareFlowArmed();
    if (armed)
        link.setSoftwareFlowArmed(false);
    if (!link.hasReceiveSink())
        link.takeUnclaimedInput(); // only what arrives from now on counts

    bool seen = false;
    const int wanted = mode;
    {
        QObject context;
        QObject::connect(
            &link, &SerialLink::rawDataArrived, &context, [&seen, wanted](const QByteArray& bytes) {
                if ((wanted == 1 && bytes.contains(char(gXonChar))) || (wanted == 2 && !bytes.isEmpty()))
                    seen = true;
            });
        while (!seen && !gCancelSend && !gOverride)
            link.pump(20);
    }
    if (!link.hasReceiveSink())
        link.takeUnclaimedInput(); // the start signal is not program data
    if (armed && link.isOpen())
        link.setSoftwareFlowArmed(true);
    if (xonHooks().waitEnded)
        xonHooks().waitEnded();
    return gCancelSend ? PortResult::Cancelled : PortResult::Ok;
}

PortResult waitYielding(int ms) {
    return waitMs(ms, true);
}

void waitOutsideSend(int ms) {
    waitMs(ms, false);
}

bool portFault() {
    return comPort().faulted();
}

void sendXBCC(const QString& fileName) {
    QString text = QStringLiteral("Can't Send - Blockwise Handshaking Has No Transfer Protocol");
    if (!fileName.isEmpty())
        text += QLatin1Char('\n') + QStringLiteral("\"%1\" Has Not Been Sent").arg(fileName);
    msgBox(text, Msg::Ok, Msg::Critical);
}

bool beginPortReceive(SerialLink::Sink sink) {
    SerialLink& link = comPort();
    if (MachineRecord::currentInt(QStringLiteral("CharacterSet")) == 1) {
        EiaTable table;
        if (!loadEiaTable(table, QStringLiteral("Eia2Ascii"), eiaTableFile()))
            return false;
        link.setReceiveSink(std::move(sink), &table);
    } else {
        link.setReceiveSink(std::move(sink));
    }
    return true;
}

void endPortReceive() {
    comPort().clearReceiveSink();
}

PortLines portLines() {
    PortLines l = comPort().lines();
    if (l.error.isEmpty())
        l.error = openError();
    return l;
}

QString portName() {
    return comPort().displayName();
}
