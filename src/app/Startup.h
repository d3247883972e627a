#pragma once

#include "CommandLine.h"
#include "DisplayChoice.h"

#include <QString>

#include <functional>
#include <vector>

class QApplication;
class frmTerminal;

namespace Startup {

// The program's exit status.
enum ExitStatus {
    ExitOk = 0,             // ended normally, or the command-line send went out whole
    ExitSendFailed = 1,     // the command-line send did not complete
    ExitBadCommandLine = 2, // the command line was refused; nothing was sent
    ExitNoDisplay = 1       // a start that needs the window found no display
};

// " [Ver a.b.c.99e]" of this build.
QString versionSuffix();

// How the start finds the settings file. One that cannot be written gets the
// settings warning; one that holds data but no [Settings] section the program
// can read is said so. Neither is written this run: changes stay in memory.
void checkSettingsFile();
// True after checkSettingsFile found data it could not read.
bool settingsUnreadable();
// From now on, the first change of the settings that is not written is said,
// once, and a wait for another copy's lock shows the busy pointer.
void noticeSettingsNotKept();
// The end of the run: changes kept for want of the lock are written, waiting
// for it again; what still cannot be is said.
void storeSettingsAtEnd();

struct Outcome {
    bool keepRunning = true; // false: the program ends with exitStatus
    int exitStatus = ExitOk;
};

// Why the command line's file cannot be used: it is a folder, or it does not exist.
QString missingFileText(const QString& path);

// Refuses the command line: a critical message, also on standard error when
// `useBoxes` shows it in a box; nothing is sent and the program ends.
Outcome refuseCommandLine(const QString& text, const std::function<bool()>& useBoxes);

// Acts on the command line for the loaded main window, which is still hidden.
// `useBoxes` runs before the window is first shown and before a refusal is
// told, so that the user sees it in a box; it returns false where no box can
// be shown. A refusal shown in a box is written to standard error too. In
// the path form the caller's text loses its double quotes.
Outcome processCommandLine(frmTerminal& window, QString& commandLine,
                           const std::function<bool()>& useBoxes = std::function<bool()>());

// False on a screen nobody looks at (offscreen, minimal): nothing shown there
// can be answered.
bool screenSeen();

// The command line the program was started with.
CommandLine::Parsed commandLineOf(int argc, char* argv[]);

// Before the application starts: where no display is named or the one named
// does not answer, refuses this program or has no plugin of Qt's (cron, ssh,
// su or sudo without the cookie, a service, a stale session), a command-line
// send, and a command line that is refused, run on the offscreen platform and
// speak on standard error; a start that needs the window says why it cannot,
// in one line, and false is returned. The check's connections to the
// display go to `held`, to be closed once the application has its own.
bool chooseDisplay(const CommandLine::Parsed& line, std::vector<DisplayChoice::Connection>* held);

// Prepares the shared values, then shows the main window or runs the command line.
int Main(QApplication& app);

} // namespace Startup
