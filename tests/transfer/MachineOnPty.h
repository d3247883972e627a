#pragma once

#include "IniStorage.h"
#include "MachineRecord.h"
#include "PortLayer.h"
#include "PtyMachine.h"
#include "ScriptedMessages.h"
#include "TestHome.h"
#include "TransferGlobals.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

// Machine 1 on a pseudo-terminal with the test as the machine, in a fresh
// program folder whose message boxes are scripted. The shared transfer flags
// start clear, and the port is closed and emptied after each test, so no test
// inherits another's port.
class MachineOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        gCurrentMachineSection = QStringLiteral("Machine1");
        writeIni(QStringLiteral("Ports"), QStringLiteral("Com1"), machine.slavePath());
        gCancelSend = false;
        gOverride = false;
        gSending = false;
        gSendTimedOut = false;
        gKeepAlive = 0;
        gPortState = PortIdle;
    }
    void TearDown() override {
        gCancelSend = false;
        comPort().setLineSource(nullptr);
        comPort().setLineCalls({});
        closeComPort(CloseWhen::Always);
        endPortReceive();
        comPort().takeUnclaimedInput();
        gPortState = PortIdle;
    }
    static void set(const char* key, const QString& value) {
        writeIni(gCurrentMachineSection, QString::fromLatin1(key), value);
    }
    static void set(std::initializer_list<std::pair<const char*, const char*>> values) {
        QVector<std::pair<QString, QString>> pairs;
        for (const auto& [k, v] : values)
            pairs.append({QString::fromLatin1(k), QString::fromLatin1(v)});
        writeIniValues(gCurrentMachineSection, pairs);
    }

    TestHome home;
    ScriptedMessages msgs;
    PtyMachine machine;
};

// Plays a serial line that counts what its transmitter takes (at once, as
// it is handed over; it has counted before), which a pseudo-terminal does
// not: only there is a standstill under XON/XOFF told as the machine's XOFF.
inline void countTransmitted() {
    SerialLink::LineCalls calls;
    calls.transmitted = [] { return std::optional<quint32>(quint32(1 + comPort().handedCount())); };
    comPort().setLineCalls(calls);
}

// Runs `action` once the event loop has run `ms` milliseconds.
inline void at(int ms, std::function<void()> action) {
    QTimer::singleShot(ms, QCoreApplication::instance(), std::move(action));
}

// Runs `step` over and over while the event loop runs (a transfer waits),
// until it returns true: the machine's and the operator's side of it.
class During {
public:
    explicit During(std::function<bool()> step) : step_(std::move(step)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (step_())
                timer_.stop();
        });
        timer_.start(2);
    }

private:
    std::function<bool()> step_;
    QTimer timer_;
};

// Cancels the transfer `ms` from now unless it has gone first: a wait whose
// time-out is broken ends there, as a failure, instead of hanging the suite.
class CancelAfter {
public:
    explicit CancelAfter(int ms) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [] { gCancelSend = true; });
        timer_.start(ms);
    }

private:
    QTimer timer_;
};

// The machine sends XOFF and the port has taken it: input is handled in
// order, so a byte sent after it arriving means the XOFF is in force.
inline void holdWithXoff(PtyMachine& machine) {
    machine.send("\x13M");
    QByteArray seen;
    waitUntil([&] {
        seen += comPort().takeUnclaimedInput();
        return seen.contains('M');
    }, 20000);
}
