#pragma once

#include <QString>

#include <functional>

class QApplication;
class frmTerminal;

namespace Startup {

// The program's exit status.
enum ExitStatus {
    ExitOk = 0,             // ended normally, or the command-line send went out whole
    ExitSendFailed = 1,     // the command-line send did not complete
    ExitBadCommandLine = 2, // the command line was refused; nothing was sent
    ExitNoSettings = 3      // the settings file cannot be written
};

// " [Ver a.b.c.99e]" of this build.
QString versionSuffix();

// True when the settings file can be written; otherwise says why.
bool checkSettingsWritable();

struct Outcome {
    bool keepRunning = true; // false: the program ends with exitStatus
    int exitStatus = ExitOk;
};

// Acts on the command line for the loaded main window, which is still hidden.
// `beforeShow` runs just before the window is shown for the first time. In
// the path form the caller's text loses its double quotes.
Outcome processCommandLine(frmTerminal& window, QString& commandLine,
                           const std::function<void()>& beforeShow = std::function<void()>());

// Prepares the shared values, then shows the main window or runs the command line.
int Main(QApplication& app);

} // namespace Startup
