#pragma once

class QDialog;

// Keeps a dialog at the size it shows with. A window manager draws a resize
// handle along the bottom edge of every window it may resize, which on a
// dialog laid out for one size looks like a frame cut off. A dialog sized by
// hand keeps that size; one left to its layout follows the layout's size
// (the print dialog grows with its options).
void keepDialogSize(QDialog* dialog);

// Gives a dialog left to its layout its size at once, once it is built: its
// window is then made at the size it shows with, not made at a default size
// and changed as it goes to the screen, which a window manager may take for
// a window to place at the screen's corner.
void settleDialogSize(QDialog* dialog);
