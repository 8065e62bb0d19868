#pragma once

#include <QString>

// Finds the first port of the port table, in the order asked for, that opens. Serial ports are
// tried one after the other, as each answers at once. Connections to serial-device servers are
// all started together and each is waited for in its turn, so that addresses that do not answer
// cost one connect limit for the whole search instead of one each, and a port still wins only
// when every port before it has failed.
class CPortSearch
{
public:
    struct Result
    {
        int nPort = 0; // the port found, or 0
        // The first port met that the user may not open, and the system's reason; empty when
        // there was none.
        QString strDeniedPath;
        QString strDeniedReason;
    };

    // Searches from nFirst to nLast (inclusive) in steps of nStep (1 or -1); a range that is
    // empty in that direction tries nothing. Nothing stays open.
    static Result Find(int nFirst, int nLast, int nStep, int nBaud);
};
