#pragma once

#include "AgentEvent.h"

#include <QString>

#include <vector>

// The events on disk: one SQLite file (Qt SQL's driver) with one table. Every call returns at
// once: the database never waits for a lock held by another program, and every failure (a
// folder that cannot be written, a file that is not a database, a full disk) comes back as
// false with ErrorString().
class CEventStore
{
public:
    CEventStore();
    ~CEventStore();
    CEventStore(const CEventStore&) = delete;
    CEventStore& operator=(const CEventStore&) = delete;

    // Opens or creates the store at strPath; false leaves it closed.
    bool Open(const QString& strPath);
    void Close();
    bool IsOpen() const;
    QString Path() const { return m_strPath; }
    QString ErrorString() const { return m_strError; }

    // The highest id ever stored, also after older events were removed; 0 for a new store.
    qint64 LastId();
    // Writes the events in one transaction, all of them or none, and then into the main file
    // as far as no reader holds it back, so that a copy of the .db file alone has them.
    bool Append(const std::vector<AgentEvent>& events);
    // Up to nLimit events with an id above nSince, in the order of their ids.
    bool Since(qint64 nSince, int nLimit, std::vector<AgentEvent>& events);
    // Removes events older than nMaxDays days and all but the newest nMaxCount; 0 is no limit.
    bool Trim(int nMaxDays, int nMaxCount, qint64 nNowMs);

private:
    bool Exec(const QString& strStatement);
    bool Fail(const QString& strWhat, const QString& strWhy);

    QString m_strConnection; // this store's own Qt SQL connection name
    QString m_strPath;
    QString m_strError;
};
