#include "Startup.h"

#include "IniStorage.h"
#include "MessageBoxUi.h"
#include "ProgramPaths.h"
#include "SettingsGlobals.h"
#include "frmTerminal.h"

#include <QApplication>

namespace Startup {

int Main(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("feedline"));
    gVersionSuffix = QStringLiteral(" [Ver %1.%2.%3.99e]")
                         .arg(FEEDLINE_VERSION_MAJOR)
                         .arg(FEEDLINE_VERSION_MINOR)
                         .arg(FEEDLINE_VERSION_PATCH);
    initSettingsPath();
    installMessageBoxUi();
    frmTerminal window;
    window.show();
    return app.exec();
}

} // namespace Startup
