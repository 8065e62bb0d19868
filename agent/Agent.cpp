#include "Agent.h"

#include "AgentSnmp.h"
#include "FrameChanges.h"
#include "HttpApi.h"
#include "HttpListener.h"
#include "ShareServer.h"
#include "UnitPoller.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcAgent, "corvex.agent", QtInfoMsg)

struct CAgent::Unit
{
    UnitConfig config;
    std::unique_ptr<CUnitPoller> pPoller;
    std::unique_ptr<CShareServer> pShare; // declared after the poller it refers to
    // The last frame seen of this unit, kept across restarts of its poller, so that a new port
    // does not report the same alarms again.
    std::optional<StatusFrame> seen;
};

CAgent::CAgent(QObject* pParent) : QObject(pParent) {}

CAgent::~CAgent()
{
    m_pSnmp.reset();
    m_pHttp.reset();
    m_units.clear();
}

bool CAgent::Apply(const AgentConfig& config, QStringList& errors)
{
    errors.clear();
    // First bind whatever is new; until everything is bound nothing changes.
    std::unique_ptr<CHttpListener> pHttpListener;
    if (!m_pHttp || config.http != m_config.http) {
        pHttpListener = std::make_unique<CHttpListener>();
        if (!pHttpListener->listen(config.http.address, config.http.nPort))
            errors.append(QStringLiteral("[agent] http %1: %2")
                              .arg(config.http.ToString(), pHttpListener->errorString()));
    }

    struct Plan
    {
        const UnitConfig* pConfig = nullptr;
        bool bKeepPoller = false;
        bool bKeepShare = false;
        CShareServer* pTakeFrom = nullptr; // an old shared line on the same address
        std::unique_ptr<QTcpServer> pListener;
    };
    std::vector<Plan> plans;
    for (const UnitConfig& unit : config.units) {
        Plan plan;
        plan.pConfig = &unit;
        const Unit* pOld = FindSlot(unit.strName);
        plan.bKeepPoller = pOld && pOld->config.SamePolling(unit);
        plan.bKeepShare = plan.bKeepPoller && pOld->config.share == unit.share &&
                          pOld->config.bShareCommands == unit.bShareCommands;
        if (unit.share.IsSet() && !plan.bKeepShare) {
            for (const auto& pSlot : m_units) {
                if (pSlot->pShare && unit.share.nPort != 0 && pSlot->config.share == unit.share)
                    plan.pTakeFrom = pSlot->pShare.get();
            }
            if (!plan.pTakeFrom) {
                plan.pListener = std::make_unique<QTcpServer>();
                if (!plan.pListener->listen(unit.share.address, unit.share.nPort))
                    errors.append(QStringLiteral("[%1] share %2: %3")
                                      .arg(unit.strName, unit.share.ToString(),
                                           plan.pListener->errorString()));
            }
        }
        plans.push_back(std::move(plan));
    }
    // net-snmp serves one subagent per process: it starts with the first configuration.
    const bool bRunning = m_pHttp != nullptr;
    if (bRunning && config.strAgentX != m_config.strAgentX) {
        const auto setting = [](const QString& strAgentX) {
            return strAgentX.isEmpty() ? QStringLiteral("off") : strAgentX;
        };
        errors.append(QStringLiteral("[snmp] agentx: the change from %1 to %2 takes a restart of "
                                     "the agent (net-snmp serves one subagent per process)")
                          .arg(setting(m_config.strAgentX), setting(config.strAgentX)));
    }
    if (!errors.isEmpty())
        return false;

    // Last of the things that can fail, as a subagent that has started cannot be taken back.
    if (!bRunning && !config.strAgentX.isEmpty()) {
        auto pSnmp = std::make_unique<CAgentSnmp>(*this, config.strAgentX);
        QString strError;
        if (!pSnmp->Start(strError)) {
            errors.append(QStringLiteral("[snmp] agentx %1: %2").arg(config.strAgentX, strError));
            return false;
        }
        m_pSnmp = std::move(pSnmp);
        qCInfo(lcAgent).noquote()
            << QStringLiteral("SNMP: AgentX subagent of the master at %1").arg(config.strAgentX);
    }

    m_events.OpenStore(config.strEventsPath, config.nEventsMaxDays, config.nEventsMaxCount);
    for (Plan& plan : plans) {
        if (plan.pTakeFrom)
            plan.pListener = plan.pTakeFrom->TakeListener();
    }

    std::vector<std::unique_ptr<Unit>> units;
    std::vector<CUnitPoller*> started;
    for (Plan& plan : plans) {
        const UnitConfig& unit = *plan.pConfig;
        std::unique_ptr<Unit> pUnit;
        for (auto it = m_units.begin(); it != m_units.end(); ++it) {
            if ((*it)->config.strName == unit.strName) {
                pUnit = std::move(*it);
                m_units.erase(it);
                break;
            }
        }
        if (!pUnit)
            pUnit = std::make_unique<Unit>();
        if (!plan.bKeepShare)
            pUnit->pShare.reset();
        if (!plan.bKeepPoller) {
            pUnit->pPoller = std::make_unique<CUnitPoller>(unit);
            Watch(*pUnit->pPoller);
            started.push_back(pUnit->pPoller.get());
        }
        if (plan.pListener) {
            pUnit->pShare = std::make_unique<CShareServer>(
                *pUnit->pPoller, std::move(plan.pListener), unit.bShareCommands, m_events);
            qCInfo(lcAgent).noquote() << QStringLiteral("unit %1: shared line on %2 (commands %3)")
                                             .arg(unit.strName, unit.share.ToString(),
                                                  unit.bShareCommands ? QStringLiteral("forwarded")
                                                                      : QStringLiteral("refused"));
        }
        pUnit->config = unit;
        units.push_back(std::move(pUnit));
    }
    for (const auto& pGone : m_units)
        qCInfo(lcAgent).noquote() << QStringLiteral("unit %1: removed").arg(pGone->config.strName);
    m_units = std::move(units);

    if (pHttpListener) {
        m_pHttp.reset();
        m_pHttp = std::make_unique<CHttpApi>(*this, std::move(pHttpListener));
        qCInfo(lcAgent).noquote() << QStringLiteral("HTTP on %1:%2")
                                         .arg(config.http.address.toString())
                                         .arg(m_pHttp->Port());
    }
    m_config = config;
    if (m_config.bCommands)
        qCInfo(lcAgent) << "commands are accepted with the configured token";
    for (CUnitPoller* pPoller : started)
        pPoller->Start();
    return true;
}

std::vector<const CUnitPoller*> CAgent::Units() const
{
    std::vector<const CUnitPoller*> units;
    for (const auto& pUnit : m_units)
        units.push_back(pUnit->pPoller.get());
    return units;
}

CUnitPoller* CAgent::FindUnit(const QString& strName) const
{
    const Unit* pUnit = FindSlot(strName);
    return pUnit ? pUnit->pPoller.get() : nullptr;
}

quint16 CAgent::HttpPort() const
{
    return m_pHttp ? m_pHttp->Port() : 0;
}

quint16 CAgent::SharePort(const QString& strName) const
{
    const Unit* pUnit = FindSlot(strName);
    return pUnit && pUnit->pShare ? pUnit->pShare->Port() : 0;
}

CAgent::Unit* CAgent::FindSlot(const QString& strName) const
{
    for (const auto& pUnit : m_units) {
        if (pUnit->config.strName == strName)
            return pUnit.get();
    }
    return nullptr;
}

void CAgent::Watch(CUnitPoller& poller)
{
    connect(&poller, &CUnitPoller::StateChanged, this,
            [this, &poller](CUnitPoller::State from) { OnStateChanged(poller, from); });
    connect(&poller, &CUnitPoller::FrameRead, this, [this, &poller] { OnFrame(poller); });
    connect(&poller, &CUnitPoller::CommandDone, this,
            [this, &poller](const QString& strCommand, const QString& strSource,
                            const QString& strClient, const QString& strRefused) {
                m_events.Add(
                    poller.Name(), QStringLiteral("command"),
                    AgentEvent::CommandValues(strCommand, strSource, strClient, strRefused));
            });
}

void CAgent::OnStateChanged(CUnitPoller& poller, CUnitPoller::State from)
{
    switch (poller.GetState()) {
    case CUnitPoller::State::Online:
        m_events.Add(poller.Name(), QStringLiteral("link_restored"),
                     QJsonObject{{QStringLiteral("port"), poller.Config().strPort},
                                 {QStringLiteral("previous"), CUnitPoller::StateName(from)},
                                 {QStringLiteral("model"), poller.Frame().Unit().pszName},
                                 {QStringLiteral("code"), int(poller.Frame().unitType)}});
        break;
    case CUnitPoller::State::Lost:
        m_events.Add(poller.Name(), QStringLiteral("link_lost"),
                     QJsonObject{{QStringLiteral("port"), poller.Config().strPort},
                                 {QStringLiteral("missed_polls"), poller.Config().nMissLimit}});
        break;
    case CUnitPoller::State::Connecting:
        break;
    }
}

void CAgent::OnFrame(CUnitPoller& poller)
{
    Unit* pUnit = FindSlot(poller.Name());
    if (!pUnit)
        return;
    const StatusFrame& frame = poller.Frame();
    for (const FrameChange& change : FrameChanges(pUnit->seen ? &*pUnit->seen : nullptr, frame))
        m_events.Add(poller.Name(), change.strKind, change.values);
    pUnit->seen = frame;
}
