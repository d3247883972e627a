#pragma once

#include <functional>

// Ends the program as its Quit command does: the main window asks first about
// a running transfer and about every editor window with unsaved changes.
// False when the user kept the program running, or when no main window has
// installed its handler. Dialogs that must end the program (a caption reset,
// a settings restore) call this rather than leaving on their own.
bool quitProgram();
void setQuitProgramHandler(std::function<bool()> handler);
