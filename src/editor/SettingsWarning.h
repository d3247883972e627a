#pragma once

#include <QString>

// Makes the settings write probe (chkCanWIni) warn through the warning tip
// window. The program installs it once at start-up.
void installSettingsWarningTip();
