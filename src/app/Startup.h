#pragma once

class QApplication;

namespace Startup {
// Prepares the shared values, then shows the main window or runs the command line.
int Main(QApplication& app);
} // namespace Startup
