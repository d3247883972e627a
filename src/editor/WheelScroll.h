#pragma once

class EditControl;

// The mouse wheel scrolls the focused editor one line more per full notch
// (120 units; a touchpad's small deltas are summed), on top of the control's
// own scrolling. One hook for the whole program: the editor that gains the
// focus takes it over, hooking the same editor again changes nothing, and a
// zero or sideways turn adds nothing.
void hookWheel(EditControl* editor);
void unhookWheel();
EditControl* wheelHookedEditor(); // nullptr when none is hooked
