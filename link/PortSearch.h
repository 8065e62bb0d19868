#pragma once

// Finds the first port of the port table, in the order asked for, that opens. Serial ports are
// tried one after the other, as each answers at once. Connections to serial-device servers are
// all started together and each is waited for in its turn, so that addresses that do not answer
// cost one connect limit for the whole search instead of one each, and a port still wins only
// when every port before it has failed.
class CPortSearch
{
public:
    // The first port from nFirst towards nLast (inclusive, either direction) that opens at
    // nBaud, or 0. Nothing stays open.
    static int FindFirst(int nFirst, int nLast, int nBaud);
};
