#pragma once

#include <QString>

// Makes the settings write probe (chkCanWIni) warn through the warning tip
// window with this explanatory text. The main window calls it once at start-up.
void installSettingsWarningTip(const QString& text);
