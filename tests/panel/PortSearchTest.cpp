#include "PortSearch.h"
#include "PortsEnvGuard.h"
#include "Pty.h"
#include "TcpPeer.h"
#include "TcpTransport.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QStringList>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

constexpr int kBaud = 9600;

// Ports of every kind the search meets: a pseudo-terminal, a path that does not exist, a server
// that takes connections, an address that refuses them and one that does not answer.
class PortSearchTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_pty.Open()) << m_pty.ErrorString().toStdString();
        ASSERT_TRUE(m_live.Listen());
        ASSERT_TRUE(m_refusing.Listen());
        m_refusing.CloseListener();
        ASSERT_TRUE(m_silent.Listen(0));
        ASSERT_TRUE(m_silent.Clog());
    }

    QString Entry(char kind) const
    {
        switch (kind) {
        case 'p':
            return m_pty.SlavePath();
        case 'm':
            return QStringLiteral("/nonexistent/corvex-port");
        case 'l':
            return m_live.Entry();
        case 'r':
            return m_refusing.Entry();
        default:
            return m_silent.Entry();
        }
    }

    // Makes the port table from one letter per port (see Entry) and times a search.
    int Search(const char* pszKinds, int nFirst, int nLast, qint64* pElapsedMs = nullptr)
    {
        QStringList entries;
        for (const char* p = pszKinds; *p; ++p)
            entries << Entry(*p);
        m_env.Set(entries.join(u':').toLocal8Bit());
        QElapsedTimer timer;
        timer.start();
        const int nFound = CPortSearch::Find(nFirst, nLast, nFirst <= nLast ? 1 : -1, kBaud).nPort;
        if (pElapsedMs)
            *pElapsedMs = timer.elapsed();
        return nFound;
    }

    CPortsEnvGuard m_env;
    CPty m_pty;
    CTcpPeer m_live;
    CTcpPeer m_refusing;
    CTcpPeer m_silent;
};

TEST_F(PortSearchTest, TheFirstPortInOrderThatOpensWins)
{
    const struct
    {
        const char* pszKinds; // p pty, m missing, l live server, r refusing, s silent
        int nFirst;
        int nLast;
        int nFound;
        bool bWaitsForASilentPort; // a silent port comes before the one found
    } cases[] = {
        {"sp", 0, 49, 2, true},   {"rlp", 0, 49, 2, false}, {"ps", 0, 49, 1, false},
        {"mrsl", 0, 49, 4, true}, {"lsm", 3, 1, 1, true},   {"prs", 2, 3, 0, true},
        {"pl", 3, 49, 0, false},  {"", 0, 49, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pszKinds << " from " << c.nFirst << " to " << c.nLast);
        qint64 nElapsedMs = 0;
        EXPECT_EQ(Search(c.pszKinds, c.nFirst, c.nLast, &nElapsedMs), c.nFound);
        if (c.bWaitsForASilentPort)
            EXPECT_GE(nElapsedMs, CTcpTransport::kConnectTimeoutMs - 100);
        else
            EXPECT_LT(nElapsedMs, CTcpTransport::kConnectTimeoutMs / 2);
    }
    // Nothing stays open: the pseudo-terminal can be held by another program at once.
    QSerialPort holder(m_pty.SlavePath());
    EXPECT_TRUE(holder.open(QIODevice::ReadWrite)) << holder.errorString().toStdString();
}

TEST_F(PortSearchTest, AddressesThatDoNotAnswerCostOneConnectLimitTogether)
{
    const struct
    {
        QByteArray kinds;
        int nFound;
    } cases[] = {{QByteArray(48, 's') + 'p', 49}, {QByteArray(50, 's'), 0}};
    for (const auto& c : cases) {
        qint64 nElapsedMs = 0;
        EXPECT_EQ(Search(c.kinds.constData(), 0, 49, &nElapsedMs), c.nFound);
        std::printf("[ measured ] %d silent tcp: ports searched in %lld ms\n",
                    int(c.kinds.count('s')), static_cast<long long>(nElapsedMs));
        // One after the other they would take 48 or 49 connect limits.
        EXPECT_LT(nElapsedMs, 5 * CTcpTransport::kConnectTimeoutMs);
    }
}

} // namespace
