#include "AgentFixture.h"
#include "LoopHeartbeat.h"
#include "Ser2netProcess.h"
#include "TcpPeer.h"

// Units behind serial-device servers (tcp:HOST:PORT): the system's ser2net in front of the
// simulator, and servers played by the test that refuse, accept and stay silent, or never
// answer a connect.
namespace {

using State = CUnitPoller::State;

class TcpUnitTest : public CAgentFixture
{
protected:
    void SetUp() override
    {
        CAgentFixture::SetUp();
        if (CSer2netProcess::Program().isEmpty())
            GTEST_SKIP() << "ser2net is not installed (scripts/install-deps installs it)";
    }

    // Starts the simulator tx1 and ser2net in front of its line.
    void StartUnitBehindSer2net(const QStringList& simOptions = {})
    {
        ASSERT_TRUE(StartSim("tx1", simOptions));
        ASSERT_TRUE(m_ser2net.Start(Path("tx1"))) << m_ser2net.ErrorString().toStdString();
    }

    QJsonObject UnitJson() { return Http().Get("/api/v1/units/tx1").Json(); }

    CSer2netProcess m_ser2net;
};

TEST_F(TcpUnitTest, ReadingsThroughSer2netNullsWhileTheServerIsGoneAndBackWhenItReturns)
{
    ASSERT_NO_FATAL_FAILURE(StartUnitBehindSer2net({"--forward", "101", "--frequency", "1017"}));
    StartAgent(UnitSectionOn("tx1", m_ser2net.Entry()));
    ASSERT_TRUE(WaitForState("tx1", State::Online));
    QJsonObject unit = UnitJson();
    EXPECT_EQ(unit.value("state").toString(), QStringLiteral("online"));
    EXPECT_EQ(unit.value("port").toString(), m_ser2net.Entry());
    EXPECT_EQ(unit.value("model").toString(), QStringLiteral("Bexon Transmitter"));
    EXPECT_DOUBLE_EQ(unit.value("forward_power_w").toDouble(), 10.1);
    EXPECT_DOUBLE_EQ(unit.value("frequency_mhz").toDouble(), 101.7);
    EXPECT_TRUE(Http()
                    .Get("/metrics")
                    .body.contains("corvex_carrier_frequency_hertz{unit=\"tx1\"} 101700000\n"));

    // The server goes away: its connection ends, and the unit is lost at the miss limit.
    const quint16 nServerPort = m_ser2net.Port();
    m_ser2net.Stop();
    ASSERT_TRUE(WaitForState("tx1", State::Lost));
    unit = UnitJson();
    for (const char* pszKey : {"model", "forward_power_w", "frequency_mhz", "pll_locked"})
        EXPECT_TRUE(unit.value(pszKey).isNull()) << pszKey;
    EXPECT_TRUE(Http().Get("/metrics").body.contains("corvex_link_up{unit=\"tx1\"} 0\n"));

    // Meanwhile every connect is refused and the wait between attempts grows.
    ASSERT_TRUE(WaitUntil([&] { return Unit("tx1").BackoffMs() >= 4000; }, 10000));
    EXPECT_EQ(Unit("tx1").GetState(), State::Lost);

    ASSERT_TRUE(m_ser2net.Start(Path("tx1"), nServerPort)) << m_ser2net.ErrorString().toStdString();
    ASSERT_TRUE(WaitForState("tx1", State::Online, 20000));
    EXPECT_DOUBLE_EQ(UnitJson().value("forward_power_w").toDouble(), 10.1);
    EXPECT_EQ(EventKinds("tx1"), (QStringList{"link_restored", "link_lost", "link_restored"}));
}

// The unit hangs up behind a server that stays: the agent loses it, and finds it again once a
// unit appears at the same device.
TEST_F(TcpUnitTest, AUnitThatHangsUpBehindTheServerIsLostAndFoundAgain)
{
    ASSERT_NO_FATAL_FAILURE(StartUnitBehindSer2net({"--hangup-after", "20"}));
    StartAgent(UnitSectionOn("tx1", m_ser2net.Entry(), "miss_limit = 10"));
    ASSERT_TRUE(WaitForState("tx1", State::Online));
    ASSERT_TRUE(WaitForState("tx1", State::Lost));
    EXPECT_EQ(Unit("tx1").Frames(), 20u);
    EXPECT_TRUE(UnitJson().value("forward_power_w").isNull());

    ASSERT_TRUE(StartSim("tx1", {"--preset", "amplifier"}));
    ASSERT_TRUE(WaitForState("tx1", State::Online, 20000));
    EXPECT_EQ(UnitJson().value("model").toString(), QStringLiteral("Ilvar Amplifier"));
    EXPECT_EQ(EventKinds("tx1"),
              (QStringList{"link_restored", "link_lost", "link_restored", "model_changed"}));
}

TEST_F(TcpUnitTest, ASilentUnitBehindTheServerStaysConnectingAndIsPolledAnew)
{
    ASSERT_NO_FATAL_FAILURE(StartUnitBehindSer2net({"--silent"}));
    StartAgent(UnitSectionOn("tx1", m_ser2net.Entry(), "miss_limit = 5"));
    ASSERT_TRUE(WaitUntil([&] { return Unit("tx1").BackoffMs() >= 4000; }, 10000));
    EXPECT_EQ(Unit("tx1").GetState(), State::Connecting);
    EXPECT_TRUE(UnitJson().value("model").isNull());
    // Each attempt reached the unit with a poll of its own.
    EXPECT_GE(SimReceived("tx1").count('w'), 2);
    EXPECT_TRUE(EventKinds("tx1").isEmpty());
}

// Servers that never give a frame: each attempt fails (at once, at the miss limit, or at the
// connect limit), the wait between attempts grows, and none of it holds up the event loop or
// the HTTP answers.
TEST_F(TcpUnitTest, ServersThatGiveNoFrameAreRetriedWithoutHoldingUpTheLoop)
{
    enum class Server
    {
        Refuses,
        AcceptsAndStaysSilent,
        NeverAnswers
    };
    const struct
    {
        Server server;
        const char* pszWhat;
    } cases[] = {
        {Server::Refuses, "refuses"},
        {Server::AcceptsAndStaysSilent, "accepts and stays silent"},
        {Server::NeverAnswers, "never answers a connect"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        CTcpPeer peer;
        ASSERT_TRUE(peer.Listen(c.server == Server::NeverAnswers ? 0 : 8));
        if (c.server == Server::Refuses)
            peer.CloseListener();
        if (c.server == Server::NeverAnswers) {
            ASSERT_TRUE(peer.Clog());
        }
        StartAgent(UnitSectionOn("tx1", peer.Entry(), "miss_limit = 5"));

        CLoopHeartbeat heartbeat;
        qint64 nSlowestMs = 0;
        // Two failed attempts: the wait has doubled twice.
        ASSERT_TRUE(WaitUntil(
            [&] {
                QElapsedTimer request;
                request.start();
                EXPECT_EQ(Http().Get("/metrics").nStatus, 200);
                nSlowestMs = std::max(nSlowestMs, request.elapsed());
                return Unit("tx1").BackoffMs() >= 4000;
            },
            15000));
        EXPECT_EQ(Unit("tx1").GetState(), State::Connecting);
        EXPECT_EQ(Unit("tx1").Frames(), 0u);
        // A connect that waited on the loop would show here as a gap of a whole second.
        EXPECT_LT(heartbeat.LongestGapMs(), 900);
        EXPECT_LT(nSlowestMs, 900);
        if (c.server == Server::AcceptsAndStaysSilent) {
            ASSERT_TRUE(peer.Accept());
            EXPECT_TRUE(peer.Read().startsWith('w'));
        }
    }
}

} // namespace
