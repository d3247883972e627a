#pragma once

#include <functional>

class QPrinter;

// Printing the active editor window on the session's one printer, which
// Printer Setup configures.
QPrinter& sessionPrinter();

// The print dialog: true to go on. `setupOnly` for Printer Setup. Without
// one installed the platform's print dialog is shown.
void setPrintDialogRunner(std::function<bool(QPrinter& printer, bool setupOnly)> runner);

// Prints the active window in black and white or in its block colours, with
// [Settings] PadLeftMargin spaces before every line and, unless PrintHeader
// is "0", a header. An empty window prints nothing. A failure is reported
// after everything is put back.
void printWindow(bool inColour);
void printerSetup();
