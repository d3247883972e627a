#pragma once

#include <QString>
#include <Qt>

class QKeyEvent;

// Help pages are the .htm files named after each form in the program folder's
// "help" folder.

// Opens the general page "help.help.htm" of the program folder when there is
// one, else help/<topic>; when no page can be shown it says so, naming the
// pages it looked for, so F1 or Help never does nothing.
void showHelpOrSay(const QString& topic);

// The F1 handler of every dialog: F1 with no Shift, Ctrl or Alt held opens
// "<formName>.htm". True when the key was F1 and so handled.
bool formHelpKey(const QString& formName, int key, Qt::KeyboardModifiers modifiers);
bool formHelpKey(const QString& formName, const QKeyEvent* event);
