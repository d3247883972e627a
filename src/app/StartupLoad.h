#pragma once

#include "frmVisibleCNC.h"

#include <QString>

#include <functional>

// The part of the program's loading that needs no window: the shared values
// every start sets and what every start writes into the settings file. The
// main window runs it as it loads; the command-line send runs it without any
// window, so that both leave the settings file and the shared values alike.
namespace StartupLoad {

struct Loaded {
    MachineList machines;  // machine N is entry N - 1
    bool firstRun = false; // the first run's records were written
    QString fontName, fontSize, fontBold;
};

// In this order: the date formats, the flags at rest (no transfer, no find
// box, one untitled window), then in one save the storage mark, the one-off
// send-mode migration, an alias for each machine that has none (its section
// name), a first run's records (machines 1 to 8 with their defaults;
// `firstRunStep` is told each machine number 1 to 64 as it passes) and the
// editor font's keys where empty; last the display values of [Settings].
// False when the start was not prepared (no version): the program ends.
bool load(Loaded* loaded, const std::function<void(int machine)>& firstRunStep = {});

} // namespace StartupLoad
