#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Opens a document, folder or web address with the desktop's program for it,
// as the shell's "open" did. Tests install their own opener so that nothing
// is launched.

// False when the desktop has no program for it.
bool shellOpen(const QString& target);

using ShellOpener = std::function<bool(const QUrl&)>;
// Replaces the opener (an empty one restores the desktop's); returns the previous one.
ShellOpener setShellOpener(ShellOpener opener);
