#include "EventLog.h"
#include "EventStore.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <csignal>
#include <sys/resource.h>

namespace {

QJsonObject Values(int n)
{
    return QJsonObject{{QStringLiteral("n"), n}};
}

std::vector<qint64> Ids(const std::vector<AgentEvent>& events)
{
    std::vector<qint64> ids;
    for (const AgentEvent& event : events)
        ids.push_back(event.nId);
    return ids;
}

class EventLogTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString DbPath() const { return m_dir.filePath(QStringLiteral("events.db")); }

    QTemporaryDir m_dir;
};

TEST_F(EventLogTest, StoredEventsSurviveARestartAndIdsGoOn)
{
    {
        CEventLog log;
        ASSERT_TRUE(log.OpenStore(DbPath(), 90, 1000));
        EXPECT_TRUE(log.StoreUp());
        EXPECT_EQ(log.Add("tx1", "link_restored", Values(1)), 1);
        EXPECT_EQ(log.Add("tx2", "alarm_raised", Values(2)), 2);
        // Written from a zero timer, after the caller returned to the loop.
        ASSERT_TRUE(WaitUntil([&] {
            CEventStore store;
            std::vector<AgentEvent> stored;
            return store.Open(DbPath()) && store.Since(0, 10, stored) && stored.size() == 2;
        }));
        EXPECT_EQ(log.Add("tx1", "link_lost", Values(3)), 3); // written when the log ends
    }
    CEventLog log;
    ASSERT_TRUE(log.OpenStore(DbPath(), 90, 1000));
    const std::vector<AgentEvent> events = log.Since(0, 10);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].strUnit, QStringLiteral("tx2"));
    EXPECT_EQ(events[1].strKind, QStringLiteral("alarm_raised"));
    EXPECT_EQ(events[1].values, Values(2));
    EXPECT_LT(std::abs(events[1].nTimeMs - QDateTime::currentMSecsSinceEpoch()), 60000);
    EXPECT_EQ(log.Add("tx1", "link_restored", Values(4)), 4);
    EXPECT_EQ(Ids(log.Since(2, 10)), (std::vector<qint64>{3, 4}));
    EXPECT_EQ(Ids(log.Since(0, 2)), (std::vector<qint64>{1, 2}));
    EXPECT_TRUE(log.Since(4, 10).empty());
}

TEST_F(EventLogTest, RetentionKeepsTheNewestByCountAndDropsOldOnesByAge)
{
    {
        CEventLog log;
        ASSERT_TRUE(log.OpenStore(DbPath(), 0, 0));
        for (int i = 1; i <= 12; ++i)
            log.Add("tx1", "command", Values(i));
    }
    {
        CEventLog log;
        ASSERT_TRUE(log.OpenStore(DbPath(), 0, 5));
        EXPECT_EQ(Ids(log.Since(0, 100)), (std::vector<qint64>{8, 9, 10, 11, 12}));
    }

    CEventStore store;
    ASSERT_TRUE(store.Open(DbPath()));
    const qint64 nNow = QDateTime::currentMSecsSinceEpoch();
    const qint64 nDay = 24 * 3600 * 1000;
    ASSERT_TRUE(store.Append(
        {{13, nNow - 10 * nDay, "tx1", "old", {}}, {14, nNow - nDay, "tx1", "recent", {}}}));
    ASSERT_TRUE(store.Trim(5, 0, nNow));
    std::vector<AgentEvent> events;
    ASSERT_TRUE(store.Since(0, 100, events));
    EXPECT_EQ(Ids(events), (std::vector<qint64>{8, 9, 10, 11, 12, 14}));
    // Ids stay unique after everything older went.
    ASSERT_TRUE(store.Trim(0, 0, nNow + 100 * nDay) && store.Trim(1, 0, nNow + 100 * nDay));
    EXPECT_EQ(store.LastId(), 14);
}

TEST_F(EventLogTest, AStoreThatCannotBeOpenedLeavesTheEventsInMemory)
{
    QFile notADir(m_dir.filePath(QStringLiteral("plain-file")));
    ASSERT_TRUE(notADir.open(QIODevice::WriteOnly));
    notADir.close();
    QFile broken(DbPath());
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    const QByteArray garbage = QByteArray("this is not a database ").repeated(200);
    broken.write(garbage);
    broken.close();

    for (const QString& strPath : {notADir.fileName() + QStringLiteral("/events.db"), DbPath()}) {
        SCOPED_TRACE(strPath.toStdString());
        CEventLog log;
        EXPECT_FALSE(log.OpenStore(strPath, 90, 1000));
        EXPECT_FALSE(log.StoreUp());
        EXPECT_EQ(log.Add("tx1", "link_lost", Values(1)), 1);
        EXPECT_EQ(log.Add("tx1", "link_restored", Values(2)), 2);
        WaitUntil([] { return false; }, 50);
        EXPECT_EQ(Ids(log.Since(0, 10)), (std::vector<qint64>{1, 2}));
    }
    // The broken file is the operator's to look at: left as it was.
    ASSERT_TRUE(broken.open(QIODevice::ReadOnly));
    EXPECT_EQ(broken.readAll(), garbage);
}

// A backup that copies the .db file alone, while the agent runs, finds the events written so
// far: they do not wait in the write-ahead log until it has grown to SQLite's checkpoint size.
TEST_F(EventLogTest, ACopyOfTheDatabaseFileAloneHoldsTheWrittenEvents)
{
    CEventLog log;
    ASSERT_TRUE(log.OpenStore(DbPath(), 90, 1000));
    for (int i = 1; i <= 3; ++i)
        log.Add("tx1", "command", Values(i));
    QTemporaryDir backup;
    ASSERT_TRUE(backup.isValid());
    const QString strCopy = backup.filePath(QStringLiteral("events.db"));
    std::vector<AgentEvent> copied;
    EXPECT_TRUE(WaitUntil(
        [&] {
            QFile::remove(strCopy);
            CEventStore store;
            return QFile::copy(DbPath(), strCopy) && store.Open(strCopy) &&
                   store.Since(0, 10, copied) && copied.size() == 3;
        },
        10000));
    EXPECT_EQ(Ids(copied), (std::vector<qint64>{1, 2, 3}));
    EXPECT_TRUE(QFile::exists(DbPath() + QStringLiteral("-wal"))) << "the log is still open";
}

TEST_F(EventLogTest, MemoryKeepsTheNewestEvents)
{
    CEventLog log;
    for (int i = 1; i <= CEventLog::kMemoryEvents + 5; ++i)
        log.Add("tx1", "command", Values(i));
    EXPECT_EQ(Ids(log.Since(0, 1)), (std::vector<qint64>{6}));
    EXPECT_EQ(log.Since(0, 5000).size(), size_t(CEventLog::kMaxQuery));
    EXPECT_EQ(log.LastId(), CEventLog::kMemoryEvents + 5);
}

// The disk fills up under the running log (a file size limit stands in for it): the failure is
// reported, the events wait in memory, and the retry timer writes them once there is room.
TEST_F(EventLogTest, AFullDiskIsReportedAndTheEventsWaitForRoom)
{
    CEventLog log;
    ASSERT_TRUE(log.OpenStore(DbPath(), 90, 100000));
    log.Add("tx1", "link_restored", Values(0));
    ASSERT_TRUE(WaitUntil([&] { return QFileInfo(DbPath() + "-wal").size() > 0; }));

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = rlim_t(QFileInfo(DbPath() + "-wal").size() + 8192);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    const QJsonObject big{{QStringLiteral("text"), QString(200, QLatin1Char('x'))}};
    for (int i = 1; i <= 300; ++i)
        log.Add("tx1", "command", big);
    const bool bReported = WaitUntil([&] { return !log.StoreUp(); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    ASSERT_TRUE(bReported);
    EXPECT_EQ(log.Since(0, 1000).size(), 301u);

    EXPECT_TRUE(WaitUntil([&] { return log.StoreUp(); }, CEventLog::kRetryMs + 5000));
    CEventStore store;
    std::vector<AgentEvent> stored;
    ASSERT_TRUE(store.Open(DbPath()));
    ASSERT_TRUE(store.Since(0, 1000, stored));
    EXPECT_EQ(stored.size(), 301u);
    EXPECT_EQ(log.Lost(), 0);
}

} // namespace
