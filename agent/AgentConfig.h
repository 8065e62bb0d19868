#pragma once

#include "ListenAddress.h"

#include <QString>
#include <QStringList>

#include <vector>

// How one unit is reached and shared: a section of the configuration file other than [agent].
struct UnitConfig
{
    QString strName; // the section name
    QString strPort; // a device path, or tcp:HOST:PORT
    int nPollMs = 100;
    int nMissLimit = 29;
    ListenAddress share; // not set: no shared line
    bool bShareCommands = false;

    // The settings that the poller itself uses; a change of any of them restarts it.
    bool SamePolling(const UnitConfig& other) const
    {
        return strPort == other.strPort && nPollMs == other.nPollMs &&
               nMissLimit == other.nMissLimit;
    }
};

// The whole configuration of the agent, read and validated from one INI file before anything
// starts. Every error names the file and the line, and the section and key where it has one.
struct AgentConfig
{
    static constexpr quint16 kDefaultHttpPort = 8470;

    ListenAddress http{QHostAddress(QHostAddress::LocalHost), kDefaultHttpPort};
    QString strToken; // never logged, never stored in events
    bool bCommands = false;
    QString strEventsPath;        // empty: events are kept in memory only
    int nEventsMaxDays = 90;      // 0: no limit by age
    int nEventsMaxCount = 100000; // 0: no limit by count
    // [snmp] agentx: the AgentX master's socket path or tcp:HOST:PORT; empty: no SNMP.
    QString strAgentX;
    std::vector<UnitConfig> units; // in the order of the file

    // Reads and validates strPath; false with one message per problem in errors.
    static bool Load(const QString& strPath, AgentConfig& config, QStringList& errors);

    // The unit of that name, or null.
    const UnitConfig* FindUnit(const QString& strName) const;
};
