#pragma once

#include <QString>

#include <functional>

// The main window's status line, as every subsystem sees it. The main window
// installs its writer; until then (and in tests without a window) the text is
// only remembered.
void statusbar(const QString& message);
QString lastStatusText();
void setStatusbarWriter(std::function<void(const QString&)> writer);
