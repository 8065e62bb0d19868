#include "EventStore.h"

#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace {

constexpr char kDriver[] = "QSQLITE";

// The database's own words ("database or disk is full") where it has them.
QString Why(const QSqlError& error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

QString NewConnectionName()
{
    static std::atomic<int> s_nStores{0};
    return QStringLiteral("corvex-events-%1").arg(++s_nStores);
}

} // namespace

CEventStore::CEventStore() : m_strConnection(NewConnectionName()) {}

CEventStore::~CEventStore()
{
    Close();
}

bool CEventStore::Open(const QString& strPath)
{
    Close();
    m_strPath = strPath;
    if (!QSqlDatabase::isDriverAvailable(QLatin1String(kDriver)))
        return Fail(QStringLiteral("open"), QStringLiteral("Qt's SQLite driver is not installed"));
    bool bOpen = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(kDriver), m_strConnection);
        db.setDatabaseName(strPath);
        // Qt's driver waits up to 5 s for a lock by default; the agent's loop must never wait.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        bOpen = db.open() || Fail(QStringLiteral("open"), Why(db.lastError()));
    }
    // The write-ahead log with normal syncing makes a commit an append without an fsync; a
    // crash loses at most the last commits, never the file.
    const bool bReady =
        bOpen && Exec(QStringLiteral("PRAGMA journal_mode=WAL")) &&
        Exec(QStringLiteral("PRAGMA synchronous=NORMAL")) &&
        Exec(QStringLiteral("CREATE TABLE IF NOT EXISTS events (id INTEGER PRIMARY KEY "
                            "AUTOINCREMENT, time_ms INTEGER NOT NULL, unit TEXT NOT NULL, "
                            "kind TEXT NOT NULL, data TEXT NOT NULL)")) &&
        Exec(QStringLiteral("CREATE INDEX IF NOT EXISTS events_time ON events (time_ms)"));
    if (!bReady) {
        const QString strError = m_strError;
        Close();
        m_strError = strError;
        return false;
    }
    m_strError.clear();
    return true;
}

void CEventStore::Close()
{
    if (!QSqlDatabase::contains(m_strConnection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_strConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_strConnection);
}

bool CEventStore::IsOpen() const
{
    return QSqlDatabase::contains(m_strConnection) &&
           QSqlDatabase::database(m_strConnection, false).isOpen();
}

qint64 CEventStore::LastId()
{
    if (!IsOpen())
        return 0;
    QSqlQuery query(QSqlDatabase::database(m_strConnection, false));
    if (!query.exec(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'events'"))) {
        Fail(QStringLiteral("read"), Why(query.lastError()));
        return 0;
    }
    return query.next() ? query.value(0).toLongLong() : 0;
}

bool CEventStore::Append(const std::vector<AgentEvent>& events)
{
    if (!IsOpen())
        return Fail(QStringLiteral("write"), QStringLiteral("the store is not open"));
    QSqlDatabase db = QSqlDatabase::database(m_strConnection, false);
    if (!db.transaction())
        return Fail(QStringLiteral("write"), Why(db.lastError()));
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT INTO events (id, time_ms, unit, kind, data) VALUES (?, ?, ?, ?, ?)"));
    for (const AgentEvent& event : events) {
        query.addBindValue(event.nId);
        query.addBindValue(event.nTimeMs);
        query.addBindValue(event.strUnit);
        query.addBindValue(event.strKind);
        query.addBindValue(
            QString::fromUtf8(QJsonDocument(event.values).toJson(QJsonDocument::Compact)));
        if (!query.exec()) {
            const QString strWhy = Why(query.lastError());
            db.rollback();
            return Fail(QStringLiteral("write"), strWhy);
        }
    }
    if (!db.commit()) {
        const QString strWhy = Why(db.lastError());
        db.rollback();
        return Fail(QStringLiteral("write"), strWhy);
    }
    // SQLite moves the log into the main file only at about 4 MB; until then a copy of the .db
    // file alone would hold none of the events. A passive checkpoint waits for no reader.
    QSqlQuery checkpoint(db);
    checkpoint.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    return true;
}

bool CEventStore::Since(qint64 nSince, int nLimit, std::vector<AgentEvent>& events)
{
    events.clear();
    if (!IsOpen())
        return Fail(QStringLiteral("read"), QStringLiteral("the store is not open"));
    QSqlQuery query(QSqlDatabase::database(m_strConnection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT id, time_ms, unit, kind, data FROM events WHERE id > ? "
                                 "ORDER BY id LIMIT ?"));
    query.addBindValue(nSince);
    query.addBindValue(nLimit);
    if (!query.exec())
        return Fail(QStringLiteral("read"), Why(query.lastError()));
    while (query.next()) {
        events.push_back({query.value(0).toLongLong(), query.value(1).toLongLong(),
                          query.value(2).toString(), query.value(3).toString(),
                          QJsonDocument::fromJson(query.value(4).toString().toUtf8()).object()});
    }
    return true;
}

bool CEventStore::Trim(int nMaxDays, int nMaxCount, qint64 nNowMs)
{
    if (!IsOpen())
        return Fail(QStringLiteral("trim"), QStringLiteral("the store is not open"));
    QSqlQuery query(QSqlDatabase::database(m_strConnection, false));
    if (nMaxDays > 0) {
        query.prepare(QStringLiteral("DELETE FROM events WHERE time_ms < ?"));
        query.addBindValue(nNowMs - qint64(nMaxDays) * 24 * 3600 * 1000);
        if (!query.exec())
            return Fail(QStringLiteral("trim"), Why(query.lastError()));
    }
    if (nMaxCount > 0) {
        query.prepare(
            QStringLiteral("DELETE FROM events WHERE id <= (SELECT MAX(id) FROM events) - ?"));
        query.addBindValue(nMaxCount);
        if (!query.exec())
            return Fail(QStringLiteral("trim"), Why(query.lastError()));
    }
    return true;
}

bool CEventStore::Exec(const QString& strStatement)
{
    QSqlQuery query(QSqlDatabase::database(m_strConnection, false));
    if (!query.exec(strStatement))
        return Fail(QStringLiteral("prepare"), Why(query.lastError()));
    return true;
}

bool CEventStore::Fail(const QString& strWhat, const QString& strWhy)
{
    m_strError = QStringLiteral("%1: cannot %2: %3").arg(m_strPath, strWhat, strWhy);
    return false;
}
