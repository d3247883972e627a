#pragma once

// Routes msgBox and inputBox to real dialogs. The program installs this at
// start-up; tests install their own script instead.
void installMessageBoxUi();
