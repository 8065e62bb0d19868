#pragma once

#include "StatusFrame.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

// One unit as the SNMP subagent serves it: what the agent knows of the unit at the moment of a
// request. The agent fills it from its own state; the subagent turns it into MIB values.
struct SnmpUnitRow
{
    // The state of the link, numbered as the MIB enumerates it.
    enum class State
    {
        Connecting = 1, // no frame yet since the agent started watching the unit
        Online = 2,     // frames arrive
        Lost = 3        // the unit stopped answering after having been online
    };

    qint32 nIndex = 0; // from Indexes(), 1 and up
    QString strName;   // the unit's section in the configuration
    State state = State::Connecting;
    StatusFrame frame;        // the last frame read; its readings are served only while online
    quint64 nFrames = 0;      // frames read
    quint64 nMissedPolls = 0; // poll periods without a complete frame
    qint64 nFrameAgeMs = -1;  // time since the last frame; -1 before the first

    // The index of each unit, from its name alone, so that a unit keeps its index whatever
    // happens to the others: a 31-bit hash of the name's UTF-8 bytes, 1 to 2147483647. In the
    // unlikely case that two names hash alike, the later name in the list takes the next free
    // number. strNames in the order of the configuration file; the result in the same order.
    static std::vector<qint32> Indexes(const QStringList& strNames);
};
