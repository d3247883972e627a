#pragma once

// The settings-password gate in front of the settings dialogs and caption
// editing: true when no password is set or the user typed it.
bool checkLogin();
