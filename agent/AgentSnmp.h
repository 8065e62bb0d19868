#pragma once

#include "CorvexMib.h"
#include "SnmpSubagent.h"
#include "SnmpUnitRow.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class CAgent;
struct AgentEvent;

// The agent's units over SNMP: an AgentX subagent of the station's snmpd that answers each
// request from what the agent's pollers hold in memory, and turns the agent's events into the
// MIB's notifications as they are recorded. A unit's row index comes from its name, so that it
// stays the same across restarts and reloads.
class CAgentSnmp : public QObject
{
    Q_OBJECT

public:
    // Sends a notification for each event that agent.Events() records from now on.
    CAgentSnmp(CAgent& agent, const QString& strMaster, QObject* pParent = nullptr);

    // Starts the subagent (an absent master is no failure); false with the reason otherwise.
    bool Start(QString& strError) { return m_subagent.Start(strError); }
    bool IsConnected() const { return m_subagent.IsConnected(); }

    // The agent's units as the table serves them, in the order of the configuration.
    std::vector<SnmpUnitRow> Rows() const;

    // The notification that an event of the agent is sent as; nothing for events that have
    // none (a model change, the carrier's mute, commands).
    static std::optional<CorvexMib::Notification> NotificationFor(const AgentEvent& event);

private:
    void OnEvent(const AgentEvent& event);

    const CAgent& m_agent;
    CSnmpSubagent m_subagent;
};
