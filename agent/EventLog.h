#pragma once

#include "AgentEvent.h"
#include "EventStore.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <vector>

// The agent's events: numbered, kept in memory (the newest kMemoryEvents) and written to the
// event store in batches from a zero timer, after the tick or request that raised them, so
// that disk work never runs inside a poll. A store that cannot be opened is reported and the
// events stay in memory only; a write that fails (a full disk) is reported and retried, and
// nothing is lost while memory holds the events that wait.
class CEventLog : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMemoryEvents = 10000;
    static constexpr int kMaxQuery = 1000;
    static constexpr int kRetryMs = 5000;

    explicit CEventLog(QObject* pParent = nullptr);
    ~CEventLog() override;

    // Writes what waits, then uses the store at strPath (empty: memory only) with these limits.
    // False (and a warning in the log) when the store does not open; the log goes on in memory.
    bool OpenStore(const QString& strPath, int nMaxDays, int nMaxCount);
    // Writes the events that wait, at once.
    void Flush();

    // Records an event now and returns its id.
    qint64 Add(const QString& strUnit, const QString& strKind, const QJsonObject& values);
    // Up to nLimit (at most kMaxQuery) events with an id above nSince, oldest first: from memory
    // when it holds them, from the store otherwise.
    std::vector<AgentEvent> Since(qint64 nSince, int nLimit);

    // True while events reach the disk: a store is configured, open, and its last write worked.
    bool StoreUp() const { return m_store.IsOpen() && !m_bWriteFailing; }
    QString StorePath() const { return m_strPath; }
    qint64 LastId() const { return m_nLastId; }
    // Events that memory had to drop before the store took them.
    qint64 Lost() const { return m_nLost; }

signals:
    void Added(const AgentEvent& event);

private:
    void OnFlushTimer();

    CEventStore m_store;
    QString m_strPath;
    int m_nMaxDays = 0;
    int m_nMaxCount = 0;
    std::deque<AgentEvent> m_recent; // the newest events, oldest first
    qint64 m_nLastId = 0;
    qint64 m_nStoredId = 0; // every event up to this id is on disk
    qint64 m_nLost = 0;
    bool m_bWriteFailing = false;
    QTimer m_timerFlush;
    QElapsedTimer m_sinceTrim;
};
