#pragma once

#include "PortConfig.h"

#include <QStringList>

// Says the current machine's impossible settings (impossibleMachineSettings)
// that `named` does not hold yet, and adds them to it: each is named once for
// as long as `named` lives.
void nameImpossibleMachineSettings(QStringList& named);
