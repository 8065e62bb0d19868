#include "EventLog.h"

#include <QDateTime>
#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcEvents, "corvex.agent.events", QtInfoMsg)

namespace {

constexpr qint64 kTrimEveryMs = 60 * 1000;

} // namespace

CEventLog::CEventLog(QObject* pParent) : QObject(pParent)
{
    m_timerFlush.setSingleShot(true);
    connect(&m_timerFlush, &QTimer::timeout, this, &CEventLog::OnFlushTimer);
}

CEventLog::~CEventLog()
{
    Flush();
}

bool CEventLog::OpenStore(const QString& strPath, int nMaxDays, int nMaxCount)
{
    m_nMaxDays = nMaxDays;
    m_nMaxCount = nMaxCount;
    if (strPath == m_strPath && (strPath.isEmpty() || m_store.IsOpen()))
        return true;
    Flush();
    m_store.Close();
    m_strPath = strPath;
    m_bWriteFailing = false;
    if (strPath.isEmpty()) {
        qCInfo(lcEvents) << "events are kept in memory only (no events path configured)";
        return true;
    }
    if (!m_store.Open(strPath)) {
        qCWarning(lcEvents).noquote()
            << m_store.ErrorString() << "- events are kept in memory only, the newest"
            << kMemoryEvents;
        return false;
    }
    // Ids go on from the highest ever stored, so that a client reading "since" misses nothing;
    // events that only memory holds move up with them and are written next.
    const qint64 nStoreLast = m_store.LastId();
    if (nStoreLast > m_nLastId) {
        const qint64 nShift = nStoreLast - m_nLastId;
        for (AgentEvent& event : m_recent)
            event.nId += nShift;
        m_nLastId += nShift;
        m_nStoredId += nShift;
    }
    m_nStoredId = std::max(m_nStoredId, nStoreLast);
    m_store.Trim(m_nMaxDays, m_nMaxCount, QDateTime::currentMSecsSinceEpoch());
    m_sinceTrim.start();
    qCInfo(lcEvents).noquote() << "events are stored in" << strPath << "- last id" << nStoreLast;
    if (m_nLastId > m_nStoredId)
        m_timerFlush.start(0);
    return true;
}

qint64 CEventLog::Add(const QString& strUnit, const QString& strKind, const QJsonObject& values)
{
    AgentEvent event{++m_nLastId, QDateTime::currentMSecsSinceEpoch(), strUnit, strKind, values};
    if (int(m_recent.size()) >= kMemoryEvents) {
        if (m_recent.front().nId > m_nStoredId && !m_strPath.isEmpty()) {
            if (m_nLost++ == 0)
                qCWarning(lcEvents) << "memory is full: events that the store did not take are "
                                       "being dropped";
            m_nStoredId = m_recent.front().nId;
        }
        m_recent.pop_front();
    }
    m_recent.push_back(event);
    if (m_store.IsOpen() && !m_bWriteFailing && !m_timerFlush.isActive())
        m_timerFlush.start(0);
    emit Added(m_recent.back());
    return event.nId;
}

std::vector<AgentEvent> CEventLog::Since(qint64 nSince, int nLimit)
{
    nLimit = std::clamp(nLimit, 0, kMaxQuery);
    std::vector<AgentEvent> events;
    const bool bInMemory = !m_recent.empty() && nSince >= m_recent.front().nId - 1;
    if (!bInMemory && m_store.IsOpen() && m_store.Since(nSince, nLimit, events) && !events.empty())
        nSince = events.back().nId;
    for (const AgentEvent& event : m_recent) {
        if (int(events.size()) >= nLimit)
            break;
        if (event.nId > nSince)
            events.push_back(event);
    }
    return events;
}

void CEventLog::Flush()
{
    if (!m_store.IsOpen() || m_nLastId <= m_nStoredId)
        return;
    std::vector<AgentEvent> batch;
    for (const AgentEvent& event : m_recent) {
        if (event.nId > m_nStoredId)
            batch.push_back(event);
    }
    if (!m_store.Append(batch)) {
        if (!m_bWriteFailing)
            qCWarning(lcEvents).noquote()
                << m_store.ErrorString() << "- events wait in memory, retried every"
                << kRetryMs / 1000 << "s";
        m_bWriteFailing = true;
        m_timerFlush.start(kRetryMs);
        return;
    }
    if (m_bWriteFailing)
        qCInfo(lcEvents).noquote() << "events reach" << m_strPath << "again";
    m_bWriteFailing = false;
    m_nStoredId = m_nLastId;
    if (m_sinceTrim.hasExpired(kTrimEveryMs)) {
        m_store.Trim(m_nMaxDays, m_nMaxCount, QDateTime::currentMSecsSinceEpoch());
        m_sinceTrim.start();
    }
}

void CEventLog::OnFlushTimer()
{
    Flush();
}
