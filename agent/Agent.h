#pragma once

#include "AgentConfig.h"
#include "EventLog.h"
#include "StatusFrame.h"
#include "UnitPoller.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class CAgentSnmp;
class CHttpApi;
class CShareServer;

// The site agent: polls every configured unit from one event loop, turns what matters into
// events, serves the HTTP API, the shared lines and, when configured, SNMP. A new configuration
// (at start and on SIGHUP) is applied whole or not at all: every listener it needs is bound
// before anything changes, units whose line settings did not change keep polling undisturbed,
// and the others are started, restarted or stopped. The SNMP subagent starts with the first
// configuration; as net-snmp serves one subagent per process, a later configuration that
// changes [snmp] is refused: it takes a restart.
class CAgent : public QObject
{
    Q_OBJECT

public:
    explicit CAgent(QObject* pParent = nullptr);
    ~CAgent() override;

    // False, with one message per problem in errors and the agent as it was, when a listener
    // cannot be bound, the SNMP subagent does not start, or [snmp] changed since the start.
    bool Apply(const AgentConfig& config, QStringList& errors);

    const AgentConfig& Config() const { return m_config; }
    // The units in the order of the configuration.
    std::vector<const CUnitPoller*> Units() const;
    CUnitPoller* FindUnit(const QString& strName) const;
    CEventLog& Events() { return m_events; }
    // The bound ports (useful when the configuration asked for port 0); 0 when none.
    quint16 HttpPort() const;
    quint16 SharePort(const QString& strName) const;
    // The SNMP side; null while [snmp] is off.
    const CAgentSnmp* Snmp() const { return m_pSnmp.get(); }

private:
    struct Unit;

    Unit* FindSlot(const QString& strName) const;
    void Watch(CUnitPoller& poller);
    void OnStateChanged(CUnitPoller& poller, CUnitPoller::State from);
    void OnFrame(CUnitPoller& poller);

    AgentConfig m_config;
    CEventLog m_events; // outlives the units and servers that record into it
    std::vector<std::unique_ptr<Unit>> m_units;
    std::unique_ptr<CHttpApi> m_pHttp;
    std::unique_ptr<CAgentSnmp> m_pSnmp; // reads the units and the events
};
