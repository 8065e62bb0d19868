#pragma once

#include <QString>

// Turns the panel's port numbers (from 1) into devices. On Windows port n is COMn; elsewhere
// it is the n-th serial device sorted by path. When CORVEX_PORTS is set (entries separated by
// ':', possibly none; see CPortEntry for tcp:HOST:PORT), that list is the table instead; it is
// read at every call.
class CPortTable
{
public:
    static int Count();
    // The entry of port nPort (a device path or tcp:HOST:PORT); empty for 0, negative numbers and
    // numbers past the end.
    static QString DevicePath(int nPort);
    // The platform's name of the device ("ttyUSB0", "COM3", "host:4001"); empty when there is no
    // such port.
    static QString DisplayName(int nPort);
};
