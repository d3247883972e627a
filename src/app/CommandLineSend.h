#pragma once

#include "CommandLine.h"
#include "Startup.h"

#include <functional>

// The command line's send ("S"): the file goes to the machine and the program
// ends, without the main window. It builds only what the send needs: the
// settings, the machine's record, its port, the send and its progress window.
namespace Startup {

// Loads what every start loads into the settings file and the shared values,
// then sends. What the main window's loading would write is written alike.
// Settings a send may not go out on (sendSettingsProblem) are refused first,
// as the one reason it ends; `startChecks` (the start's warnings about the
// settings file) run only after them.
Outcome runCommandLineSend(const CommandLine::Parsed& line, const std::function<bool()>& useBoxes,
                           const std::function<void()>& startChecks = std::function<void()>());

// Sends once loaded: refuses a file that is missing and settings that could
// not be read, makes the machine current (its port open as its keep-alive
// says), sends without the editor and closes the port. ExitOk only when the
// whole file went out. `alias` names the machine as the machine list shows it.
Outcome sendFromCommandLine(const CommandLine::Parsed& line, const std::function<bool()>& useBoxes,
                            const QString& alias = QString());

// How long a command-line send goes on before its progress window comes,
// as a progress dialog waits its minimum duration: 250 ms.
int& commandLineWindowDelayMs();

} // namespace Startup
