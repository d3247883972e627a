#pragma once

#include <QString>

// What a command whose subsystem is not part of this build says when used.
void commandNotAvailable(const QString& command);
