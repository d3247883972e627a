#pragma once

#include "AppTestSupport.h"
#include "PtyMachine.h"

// A fresh program folder and the main window with machine 1 on a
// pseudo-terminal, the test playing the machine.
struct WindowOnPty {
    std::unique_ptr<TestHome> home = freshAppHome();
    PtyMachine machine;

    // The main window loaded with `machineKeys` for machine 1, shown.
    std::unique_ptr<frmTerminal> load(const QByteArray& machineKeys) {
        auto w = loadedTerminal(*home, machineOnPort(machine.slavePath(), machineKeys));
        gKeepAlive = 0;
        w->show();
        return w;
    }
};
