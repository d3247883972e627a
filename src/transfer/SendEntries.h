#pragma once

#include <QString>

// The ways a send starts from the tool bars, menus and keys. Each leaves the
// comm state idle when it returns.

// Picks one or more files ("Send CNC File To <alias>") and sends them in
// turn. With noWindow (the tool bar and menu) a file goes through the send
// without window, unless it is the one the active editor window holds, which
// is then sent from the window, edits included.
void sendFromDisk(bool noWindow);
// Sends the active editor window.
void sendFromWindow();
// After a tool break: picks the file ("Send After Toolbreak To <alias>"),
// asks for the line to restart from, and sends the file from that line on
// (from the window when it is the one the active window holds).
void safeRestart();
// Sends one file `count` times, keeping the port open between the sends.
void sendRepeat(int count, const QString& fileName);
