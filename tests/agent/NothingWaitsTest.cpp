#include "AgentFixture.h"
#include "LoopHeartbeat.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using State = CUnitPoller::State;

class NothingWaitsTest : public CAgentFixture
{
};

// Ten units on one loop; one line stops taking output (its flow held, as a serial server that
// stops reading would hold it). The other nine keep their ten frames a second, /metrics keeps
// answering, and the loop never sleeps through a wait on the stalled line.
TEST_F(NothingWaitsTest, AStalledLineDelaysNoOtherUnitAndNoRequest)
{
    constexpr int kUnits = 10;
    const QString strStalled = QStringLiteral("u9");
    QString strUnits;
    for (int i = 0; i < kUnits; ++i) {
        const QString strName = QStringLiteral("u%1").arg(i);
        ASSERT_TRUE(StartSim(strName));
        strUnits += UnitSection(strName);
    }
    StartAgent(strUnits, QStringLiteral("commands = true\ntoken = 0123456789abcdef0123\n"));
    for (int i = 0; i < kUnits; ++i)
        ASSERT_TRUE(WaitForState(QStringLiteral("u%1").arg(i), State::Online));

    const int fdStall = ::open(Path(strStalled).toLocal8Bit().constData(),
                               O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fdStall, 0);
    ASSERT_EQ(::tcflow(fdStall, TCOOFF), 0);

    CLoopHeartbeat heartbeat;

    // A command to the stalled unit, still online, is refused at once: its line takes no byte,
    // and a byte held back to go out later would reach the unit when nobody expects it.
    QElapsedTimer clock;
    clock.start();
    const HttpReply refused = Http().Post("/api/v1/units/u9/commands",
                                          R"({"command": "reset_alarms"})", "0123456789abcdef0123");
    EXPECT_EQ(refused.nStatus, 409);
    EXPECT_EQ(refused.Json().value("error").toString(),
              QStringLiteral("the line did not take the byte"));
    EXPECT_LT(clock.elapsed(), 900);

    std::vector<quint64> framesBefore;
    for (int i = 0; i < kUnits - 1; ++i)
        framesBefore.push_back(Unit(QStringLiteral("u%1").arg(i)).Frames());
    clock.restart();
    constexpr int kSeconds = 5;
    qint64 nSlowestScrapeMs = 0;
    for (int s = 0; s < kSeconds; ++s) {
        WaitUntil([&] { return clock.elapsed() >= (s + 1) * 1000; }, 2000);
        QElapsedTimer scrape;
        scrape.start();
        const HttpReply metrics = Http().Get("/metrics");
        nSlowestScrapeMs = std::max(nSlowestScrapeMs, scrape.elapsed());
        EXPECT_EQ(metrics.nStatus, 200) << s;
        EXPECT_TRUE(metrics.body.contains("corvex_link_up{unit=\"u0\"} 1")) << s;
    }
    const double dSeconds = double(clock.elapsed()) / 1000.0;

    for (int i = 0; i < kUnits - 1; ++i) {
        const CUnitPoller& unit = Unit(QStringLiteral("u%1").arg(i));
        const double dRate = double(unit.Frames() - framesBefore[size_t(i)]) / dSeconds;
        EXPECT_GE(dRate, 8.0) << "u" << i;
        EXPECT_LE(dRate, 10.5) << "u" << i;
        EXPECT_EQ(unit.GetState(), State::Online) << "u" << i;
    }
    EXPECT_NE(Unit(strStalled).GetState(), State::Online);
    // A write that waited for the stalled line (1000 ms a byte on the panel) would show here.
    EXPECT_LT(heartbeat.LongestGapMs(), 900);
    EXPECT_LT(nSlowestScrapeMs, 900);

    // The agent ends with the line still stalled: closing it does not wait either.
    clock.restart();
    TearDown();
    EXPECT_LT(clock.elapsed(), 10000);
    ::close(fdStall);
}

} // namespace
