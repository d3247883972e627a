#pragma once

#include <QString>

// One snapshot of the port for the breakout lights and the status bar.
struct PortLines {
    bool known = false; // false: the lines could not be read (shown red)
    bool open = false;
    bool cts = false, rts = false, dsr = false, dtr = false, cd = false, ri = false;
    QString portName;   // "Com5"
    QString device;     // "/dev/ttyUSB0"
    QString settings;   // "9600,E,7,2"
    int inBufferSize = 0, outBufferSize = 0;
    QString error;      // the last open or port error, empty when none
};
