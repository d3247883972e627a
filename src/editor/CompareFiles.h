#pragma once

#include <QString>

// The editor's file compare: the active window's file on disk against a
// second file the user picks. It only tells whether the two are the same.

enum class CompareOutcome { Identical, Different, Unreadable };

// Byte-for-byte; Unreadable (with the path in *unreadable) when either file
// cannot be opened, which is never reported as identical.
CompareOutcome compareFiles(const QString& first, const QString& second, QString* unreadable = nullptr);

// The menu command. Different files leave their paths in [Settings]
// FileCompare1 and FileCompare2 and "~" in gDialogResult.
void mnuCompare_Click();
