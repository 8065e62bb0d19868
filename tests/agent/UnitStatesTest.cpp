#include "AgentFixture.h"

#include <QElapsedTimer>

namespace {

using State = CUnitPoller::State;

class UnitStatesTest : public CAgentFixture
{
};

TEST_F(UnitStatesTest, ReadingsWhileOnlineNullsOnceLostAndBackAtTheSamePath)
{
    ASSERT_TRUE(StartSim("tx1", {"--hangup-after", "30"}));
    StartAgent(UnitSection("tx1"));
    ASSERT_TRUE(WaitForState("tx1", State::Online));

    HttpReply reply = Http().Get("/api/v1/units/tx1");
    ASSERT_EQ(reply.nStatus, 200);
    QJsonObject unit = reply.Json();
    EXPECT_EQ(unit.value("state").toString(), QStringLiteral("online"));
    EXPECT_EQ(unit.value("model").toString(), QStringLiteral("Bexon Transmitter"));
    EXPECT_DOUBLE_EQ(unit.value("forward_power_w").toDouble(), 15.0);
    EXPECT_DOUBLE_EQ(unit.value("frequency_mhz").toDouble(), 98.5);
    EXPECT_LT(unit.value("last_frame_age_s").toDouble(), 1.0);
    EXPECT_GE(unit.value("frames").toInt(), 1);

    // The simulator hangs up after 30 replies: the miss limit later the unit is lost.
    ASSERT_TRUE(WaitForState("tx1", State::Lost));
    EXPECT_EQ(Unit("tx1").Frames(), 30u);
    EXPECT_GE(Unit("tx1").MissedPolls(), 29u);
    unit = Http().Get("/api/v1/units/tx1").Json();
    EXPECT_EQ(unit.value("state").toString(), QStringLiteral("lost"));
    for (const char* pszKey : {"model", "code", "forward_power_w", "forward_power_text",
                               "pa_temperature_c", "frequency_mhz", "pll_locked", "muted"})
        EXPECT_TRUE(unit.value(pszKey).isNull()) << pszKey;
    EXPECT_GE(unit.value("last_frame_age_s").toDouble(), 2.9);
    EXPECT_EQ(unit.value("frames").toInt(), 30);
    const QByteArray metrics = Http().Get("/metrics").body;
    EXPECT_TRUE(metrics.contains("corvex_link_up{unit=\"tx1\"} 0"));
    EXPECT_TRUE(metrics.contains("corvex_frames_total{unit=\"tx1\"} 30"));
    EXPECT_FALSE(metrics.contains("corvex_forward_power_watts{unit=\"tx1\"}"));
    EXPECT_FALSE(metrics.contains("corvex_unit_info{unit=\"tx1\""));

    // The unit comes back at the same path: the next attempt finds it.
    ASSERT_TRUE(StartSim("tx1"));
    ASSERT_TRUE(WaitForState("tx1", State::Online));
    EXPECT_EQ(EventKinds("tx1"), (QStringList{"link_restored", "link_lost", "link_restored"}));
    const std::vector<AgentEvent> events = Agent().Events().Since(0, 10);
    EXPECT_EQ(events[0].values.value("previous").toString(), QStringLiteral("connecting"));
    EXPECT_EQ(events[2].values.value("previous").toString(), QStringLiteral("lost"));
    EXPECT_EQ(events[1].values.value("port").toString(), Path("tx1"));
}

// Watches when the wait before the next attempt changes; each change marks a failed attempt.
std::vector<qint64> BackoffSteps(CUnitPoller& unit, int nSteps)
{
    std::vector<qint64> times;
    QElapsedTimer clock;
    clock.start();
    int nLast = unit.BackoffMs();
    WaitUntil(
        [&] {
            if (unit.BackoffMs() != nLast) {
                nLast = unit.BackoffMs();
                times.push_back(clock.elapsed());
            }
            return int(times.size()) >= nSteps;
        },
        15000);
    return times;
}

TEST_F(UnitStatesTest, APortThatDoesNotOpenIsRetriedWithAGrowingWait)
{
    StartAgent(UnitSection("tx1"));
    CUnitPoller& unit = Unit("tx1");
    // The first attempt failed at once; the next waits 1 s, the one after 2 s.
    EXPECT_EQ(unit.BackoffMs(), 2000);
    const std::vector<qint64> steps = BackoffSteps(unit, 2);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_GE(steps[0], 900);
    EXPECT_GE(steps[1] - steps[0], 1900);
    EXPECT_EQ(unit.BackoffMs(), 8000);
    EXPECT_EQ(unit.GetState(), State::Connecting);
    EXPECT_TRUE(EventKinds("tx1").isEmpty());
}

TEST_F(UnitStatesTest, ASilentUnitIsReopenedWithTheSameGrowingWait)
{
    ASSERT_TRUE(StartSim("tx1", {"--silent"}));
    StartAgent(UnitSection("tx1", "miss_limit = 5"));
    CUnitPoller& unit = Unit("tx1");
    const std::vector<qint64> steps = BackoffSteps(unit, 3);
    ASSERT_EQ(steps.size(), 3u);
    // Each attempt opens the port and polls 5 ticks; the waits between grow 1 s, 2 s.
    EXPECT_GE(steps[0], 400);
    EXPECT_GE(steps[1] - steps[0], 1400);
    EXPECT_GE(steps[2] - steps[1], 2400);
    EXPECT_EQ(unit.GetState(), State::Connecting);
    EXPECT_EQ(unit.Frames(), 0u);
    EXPECT_GE(unit.MissedPolls(), 15u);
    // Every attempt polled anew on a freshly opened port.
    EXPECT_GE(SimReceived("tx1").count('w'), 3);
}

// A reply the unit never sends costs a second of polling, not the link: unlike the panel, the
// agent polls again after kRepollTicks ticks without an answer.
TEST_F(UnitStatesTest, ALostReplyIsPolledAgainAndTheUnitStaysOnline)
{
    ASSERT_TRUE(StartSim("tx1", {"--drop-every", "5"}));
    StartAgent(UnitSection("tx1"));
    ASSERT_TRUE(WaitForState("tx1", State::Online));
    CUnitPoller& unit = Unit("tx1");
    ASSERT_TRUE(WaitUntil([&] { return unit.Frames() >= 12; }, 10000));
    EXPECT_EQ(unit.GetState(), State::Online);
    EXPECT_GE(unit.MissedPolls(), 2u * CUnitPoller::kRepollTicks);
    EXPECT_EQ(EventKinds("tx1"), QStringList{"link_restored"});
    // One poll in flight: every poll but the repeated ones was answered by a frame.
    const qsizetype nPolls = SimReceived("tx1").count('w');
    EXPECT_LE(quint64(nPolls), unit.Frames() + unit.MissedPolls() / CUnitPoller::kRepollTicks + 2);
}

// Every kind of event, from a unit that changes under the agent: alarms, PLL and mute at the
// first frame, cleared by commands, then the unit replaced by another model at the same path.
TEST_F(UnitStatesTest, EachKindOfEventIsRecorded)
{
    ASSERT_TRUE(StartSim("tx1", {"--status", "0x80", "--alarms", "0xC8"}));
    StartAgent(UnitSection("tx1"),
               QStringLiteral("commands = true\ntoken = %1\n").arg("0123456789abcdef-token"));
    ASSERT_TRUE(WaitForState("tx1", State::Online));
    ASSERT_TRUE(WaitForEvent("tx1", "carrier_muted"));
    EXPECT_EQ(EventKinds("tx1"), (QStringList{"link_restored", "alarm_raised", "alarm_raised",
                                              "alarm_raised", "pll_lock_lost", "carrier_muted"}));

    const QByteArray token("0123456789abcdef-token");
    ASSERT_EQ(
        Http().Post("/api/v1/units/tx1/commands", R"({"command": "reset_alarms"})", token).nStatus,
        202);
    ASSERT_TRUE(WaitForEvent("tx1", "alarm_cleared"));
    ASSERT_TRUE(WaitUntil([&] {
        return Http()
                   .Post("/api/v1/units/tx1/commands", R"({"command": "unmute"})", token)
                   .nStatus == 202;
    }));
    ASSERT_TRUE(WaitForEvent("tx1", "carrier_unmuted"));
    EXPECT_EQ(SimReceived("tx1").replace("w", ""), QByteArray("6f"));

    StopSim("tx1");
    ASSERT_TRUE(WaitForState("tx1", State::Lost));
    ASSERT_TRUE(StartSim("tx1", {"--preset", "amplifier"}));
    ASSERT_TRUE(WaitForEvent("tx1", "pll_lock_regained"));
    QStringList kinds = EventKinds("tx1");
    kinds.removeAll("command");
    EXPECT_EQ(kinds, (QStringList{"link_restored", "alarm_raised", "alarm_raised", "alarm_raised",
                                  "pll_lock_lost", "carrier_muted", "alarm_cleared",
                                  "alarm_cleared", "alarm_cleared", "carrier_unmuted", "link_lost",
                                  "link_restored", "model_changed", "pll_lock_regained"}));

    std::vector<QJsonObject> commands;
    for (const AgentEvent& event : Agent().Events().Since(0, 100)) {
        EXPECT_EQ(event.strUnit, QStringLiteral("tx1"));
        if (event.strKind == QLatin1String("command"))
            commands.push_back(event.values);
    }
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands.front().value("command").toString(), QStringLiteral("reset_alarms"));
    EXPECT_EQ(commands.front().value("source").toString(), QStringLiteral("http"));
    EXPECT_EQ(commands.front().value("client").toString(), QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(commands.front().value("accepted").toBool());
    EXPECT_EQ(commands.back().value("command").toString(), QStringLiteral("unmute"));
    EXPECT_TRUE(commands.back().value("accepted").toBool());
}

} // namespace
