#pragma once

// Copies the settings of machine `from` onto machine `to`: every key of
// [Machine<from>] in the file's order except Alias and CommPort (in any
// letter case), values whole, empty ones too. Keys that only `to` has stay;
// nothing is removed. One change of the settings file, none when the source
// has nothing to copy. False when the file could not be written.
bool copyMachineSettings(int from, int to);
