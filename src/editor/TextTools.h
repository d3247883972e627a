#pragma once

#include "NcTextRules.h"

#include <QString>

#include <functional>

class EditControl;

// What a text tool shows while it runs; the main window fills it in.
struct ToolPanel {
    std::function<void(double percent)> progress; // the tools-progress bar
    std::function<void(const QString&)> caption;  // its caption
};

// The whole-window passes. Each reads the window's lines, yields at its
// progress points (Esc and the panel's Cancel set gCancelOperation there),
// and replaces the text in one undo step with the caret back on its line.
// The result is built in a file of its own first: when it cannot be written
// the window stays as it was and the user is told. A cancelled pass, an empty
// or read-only window: nothing changes. Lines keep the text's own line end.
void processNCText(EditControl* editor, int mode, const SeqArguments& args = {}, const ToolPanel& panel = {});
void reformatNCText(EditControl* editor, const ToolPanel& panel = {});

// Whole-window case changes, one undo step; nothing on a read-only window.
void capitaliseWindow(EditControl* editor);
void reverseCapsWindow(EditControl* editor);

// Closes this program's windows titled "Find" (1), "Replace" (0) or both (-1).
void destroyFindReplaceWindows(int which);
