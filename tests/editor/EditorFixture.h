#pragma once

#include "EditorManager.h"
#include "MachineRecord.h"
#include "ScriptedMessages.h"
#include "TestHome.h"
#include "TransferGlobals.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

// Editor windows on machine 1 in a fresh program folder, with scripted
// messages: made again for every test.
class EditorFixture {
protected:
    std::unique_ptr<TestHome> home;
    std::unique_ptr<ScriptedMessages> msgs;
    std::unique_ptr<EditorManager> mgr;

    void openEditors() {
        home = std::make_unique<TestHome>();
        gCurrentMachineSection = QStringLiteral("Machine1");
        gPortState = PortIdle;
        msgs = std::make_unique<ScriptedMessages>();
        mgr = std::make_unique<EditorManager>();
    }
    void closeEditors() {
        mgr.reset();
        msgs.reset();
        home.reset();
    }
    // A file of the program folder holding `bytes`, its folders made.
    QString fileWith(const QString& name, const QByteArray& bytes) {
        const QString path = home->file(name);
        QDir().mkpath(QFileInfo(path).path());
        writeAllBytes(path, bytes);
        return path;
    }
};
