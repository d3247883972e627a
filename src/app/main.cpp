#include "SendSignals.h"
#include "Startup.h"

#include <QApplication>

#include <csignal>

int main(int argc, char* argv[]) {
    // A command-line send whose caller stopped reading its messages still
    // ends with its own exit status, not killed by the first message.
    std::signal(SIGPIPE, SIG_IGN);
    const CommandLine::Parsed line = Startup::commandLineOf(argc, argv);
    // A signal from here until the send begins ends the program, nothing sent.
    if (line.kind == CommandLine::Kind::Send)
        Startup::takeSendSignals();
    std::vector<DisplayChoice::Connection> displayCheck;
    if (!Startup::chooseDisplay(line, &displayCheck))
        return Startup::ExitNoDisplay;
    QApplication app(argc, argv);
    // Qt has its own connection now: closing the check's first would have
    // reset an X server that had no other client.
    displayCheck.clear();
    return Startup::Main(app);
}
