#include "ComLink.h"
#include "LinkTestSupport.h"
#include "Protocol.h"
#include "TcpPeer.h"
#include "TcpTransport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr int kBaud = 9600;

// A link on a tcp: entry whose server side the test plays.
class TcpLinkTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_peer.Listen()); }

    // Opens the link on the peer and takes the server side of the connection.
    void OpenAndAccept()
    {
        ASSERT_EQ(m_link.Open(m_peer.Entry(), kBaud), 1) << m_link.ErrorString().toStdString();
        ASSERT_TRUE(m_peer.Accept());
    }

    // Waits until the link counts nWaiting bytes; with bSpin false no event is processed.
    bool WaitForWaiting(int nWaiting, bool bSpin = false)
    {
        return WaitUntil([&] { return m_link.BytesWaiting() == nWaiting; }, 3000, bSpin);
    }

    QByteArray ReadAll(int nMaxLength)
    {
        QByteArray data(nMaxLength, '\0');
        data.resize(m_link.Read(reinterpret_cast<quint8*>(data.data()), nMaxLength));
        return data;
    }

    CTcpPeer m_peer;
    CComLink m_link;
};

TEST_F(TcpLinkTest, CarriesBytesBothWaysAsASerialLineDoes)
{
    OpenAndAccept();
    EXPECT_TRUE(m_link.IsOpen());
    EXPECT_TRUE(m_link.ErrorString().isEmpty());
    const quint8 commands[] = {Command::Poll, Command::PowerUp, Command::Mute};
    EXPECT_EQ(m_link.Write(commands, 3), 3);
    EXPECT_EQ(m_peer.Read(), QByteArray("w3o"));

    const QByteArray sent("0123456789ABCDEFGHIJ");
    ASSERT_TRUE(m_peer.Write(sent));
    // Not one event is processed here: the count must include what only the system holds.
    ASSERT_TRUE(WaitForWaiting(20)) << m_link.BytesWaiting();
    EXPECT_EQ(ReadAll(kStatusFrameSize), sent.left(16));
    EXPECT_EQ(m_link.BytesWaiting(), 4);
    EXPECT_EQ(ReadAll(kStatusFrameSize), sent.mid(16));
    EXPECT_EQ(m_link.BytesWaiting(), 0);
    EXPECT_EQ(ReadAll(4), QByteArray());

    EXPECT_EQ(m_link.Close(), 1);
    EXPECT_FALSE(m_link.IsOpen());
    EXPECT_EQ(m_link.Write(commands, 1), 0);
    EXPECT_EQ(m_peer.Read(1000), QByteArray()); // the server sees the connection end
}

TEST_F(TcpLinkTest, BytesFetchedByTheEventLoopAndBytesInTheSystemReadInOrder)
{
    OpenAndAccept();
    ASSERT_TRUE(m_peer.Write("first-"));
    ASSERT_TRUE(WaitForWaiting(6, true));
    WaitUntil([] { return false; }, 20); // let Qt fetch these before more arrive
    ASSERT_TRUE(m_peer.Write("second"));
    ASSERT_TRUE(WaitForWaiting(12));
    EXPECT_EQ(ReadAll(12), QByteArray("first-second"));
}

TEST_F(TcpLinkTest, ReadBetweenReadinessAndNotificationKeepsTheConnection)
{
    OpenAndAccept();
    ASSERT_TRUE(m_peer.Write(QByteArray(kStatusFrameSize, 'x')));
    ASSERT_TRUE(WaitForWaiting(kStatusFrameSize));
    // The loop sees the socket readable, then this zero timer drains it before Qt's own
    // notification runs, as the panel's timer may.
    int nRead = 0;
    QTimer::singleShot(0, [&] { nRead = int(ReadAll(kStatusFrameSize).size()); });
    WaitUntil([] { return false; }, 50);
    EXPECT_EQ(nRead, kStatusFrameSize);
    ASSERT_TRUE(m_peer.Write("y"));
    EXPECT_TRUE(WaitForWaiting(1, true));
    EXPECT_EQ(m_link.Write(&Command::Poll, 1), 1);
    EXPECT_EQ(m_peer.Read(), QByteArray("w"));
}

TEST_F(TcpLinkTest, MoreThanAQueueOfBytesArrivesWholeAndInOrder)
{
    OpenAndAccept();
    QByteArray sent;
    for (int i = 0; i < 16 * CLinkTransport::kInputQueueSize; ++i)
        sent.append(char('a' + i % 23));
    ASSERT_TRUE(m_peer.Write(sent));
    QByteArray received;
    WaitUntil(
        [&] {
            received += ReadAll(1000);
            return received.size() >= sent.size();
        },
        10000);
    EXPECT_EQ(received, sent);
}

TEST_F(TcpLinkTest, AServerThatAcceptsAndNeverAnswersLeavesTheLinkOpenAndEmpty)
{
    OpenAndAccept();
    EXPECT_EQ(m_link.Write(&Command::Poll, 1), 1);
    EXPECT_EQ(m_peer.Read(), QByteArray("w"));
    EXPECT_FALSE(WaitUntil([&] { return m_link.BytesWaiting() != 0; }, 300));
    EXPECT_TRUE(m_link.IsOpen());
}

// The server closes the connection in the middle of a frame.
class TcpServerClosesTest : public TcpLinkTest, public testing::WithParamInterface<FirstToNotice>
{
};

TEST_P(TcpServerClosesTest, WhatArrivedStaysReadableThenNothingUntilClose)
{
    OpenAndAccept();
    const QByteArray half("01234567");
    ASSERT_TRUE(m_peer.Write(half));
    ASSERT_TRUE(WaitForWaiting(8));
    m_peer.CloseConnection();
    switch (GetParam()) {
    case FirstToNotice::BytesWaiting:
        EXPECT_FALSE(WaitUntil([&] { return m_link.BytesWaiting() != 8; }, 100, false));
        break;
    case FirstToNotice::Write:
        EXPECT_TRUE(WaitUntil([&] { return m_link.Write(&Command::Poll, 1) == 0; }, 1000, false));
        break;
    case FirstToNotice::EventLoop:
        WaitUntil([] { return false; }, 200);
        break;
    }

    EXPECT_EQ(m_link.BytesWaiting(), 8);
    EXPECT_EQ(ReadAll(kStatusFrameSize), half);
    EXPECT_EQ(m_link.BytesWaiting(), 0);
    EXPECT_EQ(m_link.Write(&Command::Poll, 1), 0);
    EXPECT_TRUE(m_link.IsOpen());
    EXPECT_EQ(m_link.Open(m_peer.Entry(), kBaud), 1); // still the same, gone, connection
    EXPECT_EQ(m_link.BytesWaiting(), 0);

    EXPECT_EQ(m_link.Close(), 1);
    OpenAndAccept();
    EXPECT_EQ(m_link.Write(&Command::Poll, 1), 1);
    EXPECT_EQ(m_peer.Read(), QByteArray("w"));
}

INSTANTIATE_TEST_SUITE_P(Closes, TcpServerClosesTest, EveryFirstToNotice(), FirstToNoticeName);

// Addresses that do not open: one that refuses, one that never answers a connect.
class TcpLinkOpenTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_refusing.Listen());
        m_refusing.CloseListener();
        ASSERT_TRUE(m_silent.Listen(0));
        ASSERT_TRUE(m_silent.Clog());
    }

    CTcpPeer m_refusing;
    CTcpPeer m_silent;
};

TEST_F(TcpLinkOpenTest, FailedOpensSayWhyWithinTheConnectLimit)
{
    const struct
    {
        QString strEntry;
        const char* pszReason;
        int nMinMs; // a dead address takes the whole connect limit
    } cases[] = {
        {m_refusing.Entry(), "refused", 0},
        {m_silent.Entry(), "no answer within 1000 ms", CTcpTransport::kConnectTimeoutMs - 100},
        {QStringLiteral("tcp:127.0.0.1"), "no port", 0},
        {QStringLiteral("tcp:127.0.0.1:70000"), "not a number from 1 to 65535", 0},
        {QStringLiteral("tcp:[::1:4001"), "no closing bracket", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strEntry.toStdString());
        CComLink link;
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(link.Open(c.strEntry, kBaud), 0);
        const qint64 nElapsedMs = timer.elapsed();
        EXPECT_GE(nElapsedMs, c.nMinMs);
        EXPECT_LT(nElapsedMs, CTcpTransport::kConnectTimeoutMs + 1000); // generous
        EXPECT_TRUE(link.ErrorString().contains(QLatin1String(c.pszReason)))
            << link.ErrorString().toStdString();
        EXPECT_FALSE(link.IsOpen());
        EXPECT_EQ(link.BytesWaiting(), 0);
        EXPECT_EQ(link.Write(&Command::Poll, 1), 0);
        EXPECT_EQ(link.Close(), 1);
    }
}

// A program that serves many lines begins an open and carries on; the loop ends the opening
// by itself, and FinishOpen() then returns at once with the result.
TEST_F(TcpLinkOpenTest, ABegunOpenEndsInTheEventLoopWithoutAWait)
{
    CTcpPeer accepting;
    ASSERT_TRUE(accepting.Listen());

    const struct
    {
        QString strEntry;
        int nResult;
        const char* pszReason;
        int nMinMs;
    } cases[] = {
        {accepting.Entry(), 1, "", 0},
        {m_refusing.Entry(), 0, "refused", 0},
        {m_silent.Entry(), 0, "no answer within 1000 ms", CTcpTransport::kConnectTimeoutMs - 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strEntry.toStdString());
        CComLink link;
        QElapsedTimer timer;
        timer.start();
        ASSERT_EQ(link.BeginOpen(c.strEntry, kBaud), 1);
        EXPECT_LT(timer.elapsed(), 500); // generous; a wait would take the connect limit
        EXPECT_TRUE(link.IsOpening());
        EXPECT_FALSE(link.IsOpen());
        EXPECT_EQ(link.Write(&Command::Poll, 1), 0);

        ASSERT_TRUE(WaitUntil([&] { return !link.IsOpening(); }, 5000));
        EXPECT_GE(timer.elapsed(), c.nMinMs);
        QElapsedTimer finish;
        finish.start();
        EXPECT_EQ(link.FinishOpen(), c.nResult);
        EXPECT_LT(finish.elapsed(), 100);
        EXPECT_TRUE(link.ErrorString().contains(QLatin1String(c.pszReason)))
            << link.ErrorString().toStdString();
        EXPECT_EQ(link.IsOpen(), c.nResult == 1);
    }
}

TEST_F(TcpLinkOpenTest, PortNumbersReachTcpEntriesThroughTheTable)
{
    CTcpPeer peer;
    ASSERT_TRUE(peer.Listen());
    CPortsEnvGuard env;
    env.Set(("/nonexistent/corvex-port:" + peer.Entry()).toLocal8Bit());
    CComLink link;
    EXPECT_EQ(link.Open(1, kBaud), 0);
    EXPECT_FALSE(link.ErrorString().isEmpty());
    EXPECT_EQ(link.Open(3, kBaud), 0);
    EXPECT_EQ(link.ErrorString(), QStringLiteral("there is no port 3"));
    ASSERT_EQ(link.Open(2, kBaud), 1) << link.ErrorString().toStdString();
    ASSERT_TRUE(peer.Accept());
    EXPECT_EQ(link.Write(&Command::Poll, 1), 1);
    EXPECT_EQ(peer.Read(), QByteArray("w"));
}

} // namespace
