#pragma once

// Copies the settings of machine `from` onto machine `to`: every key of
// [Machine<from>] in the file's order except the machine's own (Alias,
// CommPort, and its history: lastline, lastfilesent and the recent lists
// RecentSentFile1-4, RecentReceiveFile1-4, RecentFile1-4), in any letter
// case; values whole, empty ones too. Keys that only `to` has stay; nothing
// is removed. One change of the settings file, none when the source has
// nothing to copy. False when the file could not be written.
bool copyMachineSettings(int from, int to);
