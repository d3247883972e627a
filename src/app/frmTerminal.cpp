#include "frmTerminal.h"

#include "ProgramPaths.h"

frmTerminal::frmTerminal(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmTerminal"));
    setWindowTitle(ProgramPaths::appTitle());
    resize(900, 650);
}
