#include "AgentSnmp.h"

#include "Agent.h"
#include "AgentEvent.h"
#include "UnitPoller.h"

namespace {

using CorvexMib::Notification;

SnmpUnitRow::State RowState(CUnitPoller::State state)
{
    switch (state) {
    case CUnitPoller::State::Connecting:
        return SnmpUnitRow::State::Connecting;
    case CUnitPoller::State::Online:
        return SnmpUnitRow::State::Online;
    case CUnitPoller::State::Lost:
        return SnmpUnitRow::State::Lost;
    }
    return SnmpUnitRow::State::Connecting;
}

// Each event kind that has a notification; alarms by the lamp named in the event's values.
const struct
{
    const char* pszKind;
    const char* pszAlarm; // null: any
    Notification notification;
} kNotifications[] = {
    {"link_lost", nullptr, Notification::LinkLost},
    {"link_restored", nullptr, Notification::LinkRestored},
    {"alarm_raised", "rf_fail", Notification::RfFailRaised},
    {"alarm_cleared", "rf_fail", Notification::RfFailCleared},
    {"alarm_raised", "pll_fail", Notification::PllFailRaised},
    {"alarm_cleared", "pll_fail", Notification::PllFailCleared},
    {"alarm_raised", "modulation_fail", Notification::ModulationFailRaised},
    {"alarm_cleared", "modulation_fail", Notification::ModulationFailCleared},
    {"pll_lock_lost", nullptr, Notification::PllLockLost},
    {"pll_lock_regained", nullptr, Notification::PllLockRegained},
};

} // namespace

CAgentSnmp::CAgentSnmp(CAgent& agent, const QString& strMaster, QObject* pParent)
    : QObject(pParent), m_agent(agent), m_subagent(strMaster, [this] { return Rows(); })
{
    connect(&agent.Events(), &CEventLog::Added, this, &CAgentSnmp::OnEvent);
}

std::vector<SnmpUnitRow> CAgentSnmp::Rows() const
{
    const std::vector<const CUnitPoller*> units = m_agent.Units();
    QStringList names;
    for (const CUnitPoller* pUnit : units)
        names.append(pUnit->Name());
    const std::vector<qint32> indexes = SnmpUnitRow::Indexes(names);

    std::vector<SnmpUnitRow> rows;
    rows.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        const CUnitPoller& unit = *units[i];
        SnmpUnitRow row;
        row.nIndex = indexes[i];
        row.strName = unit.Name();
        row.state = RowState(unit.GetState());
        row.frame = unit.Frame();
        row.nFrames = unit.Frames();
        row.nMissedPolls = unit.MissedPolls();
        row.nFrameAgeMs = unit.FrameAgeMs();
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<Notification> CAgentSnmp::NotificationFor(const AgentEvent& event)
{
    const QString strAlarm = event.values.value(QStringLiteral("alarm")).toString();
    for (const auto& entry : kNotifications) {
        if (event.strKind == QLatin1String(entry.pszKind) &&
            (!entry.pszAlarm || strAlarm == QLatin1String(entry.pszAlarm)))
            return entry.notification;
    }
    return std::nullopt;
}

void CAgentSnmp::OnEvent(const AgentEvent& event)
{
    const std::optional<Notification> notification = NotificationFor(event);
    if (!notification)
        return;
    for (const SnmpUnitRow& row : Rows()) {
        if (row.strName == event.strUnit) {
            m_subagent.Notify(*notification, row);
            return;
        }
    }
}
