#include "LiveReadings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// The readings that move, as the panel reads them (signed where the frame's byte is signed).
struct Readings
{
    int nForward, nReflected, nDeviation, nGainReduction, nPaVoltage, nAuxVoltage, nTemperature;

    static Readings Of(const UnitState& s)
    {
        return {s.forwardPower,         s.reflectedPower,   qint8(s.peakDeviation),
                qint8(s.gainReduction), qint8(s.paVoltage), qint8(s.auxVoltage),
                qint8(s.paTemperature)};
    }
};

std::vector<UnitState::Frame> Replies(quint32 nSeed, int nReplies, const UnitState& set)
{
    CLiveReadings live(nSeed);
    std::vector<UnitState::Frame> frames;
    for (int i = 0; i < nReplies; ++i)
        frames.push_back(live.Next(set).ToFrame());
    return frames;
}

} // namespace

TEST(LiveReadings, TheSeedDecidesTheSequence)
{
    const UnitState set = UnitState::Transmitter();
    EXPECT_EQ(Replies(7, 200, set), Replies(7, 200, set));
    EXPECT_NE(Replies(7, 200, set), Replies(8, 200, set));
}

// Every moving reading changes on every reply, within its display's range and, for the drifting
// ones, close to the setting; what a unit does not measure stays as set.
TEST(LiveReadings, EveryReadingMovesWithinItsRangeOnEveryReply)
{
    const UnitState set = UnitState::Transmitter();
    CLiveReadings live(1);
    Readings last = Readings::Of(set);
    int nPeaksOver75 = 0;
    for (int i = 0; i < 10000; ++i) {
        const UnitState now = live.Next(set);
        const Readings r = Readings::Of(now);
        SCOPED_TRACE(i);
        ASSERT_NE(r.nForward, last.nForward);
        ASSERT_NE(r.nReflected, last.nReflected);
        ASSERT_NE(r.nDeviation, last.nDeviation);
        ASSERT_NE(r.nGainReduction, last.nGainReduction);
        ASSERT_NE(r.nPaVoltage, last.nPaVoltage);
        ASSERT_NE(r.nAuxVoltage, last.nAuxVoltage);
        ASSERT_NE(r.nTemperature, last.nTemperature);
        ASSERT_LE(std::abs(r.nForward - 150), 3);
        ASSERT_LE(std::abs(r.nForward - last.nForward), 1);
        ASSERT_LE(std::abs(r.nReflected - 3), 1);
        ASSERT_TRUE(r.nDeviation >= 0 && r.nDeviation <= 100) << r.nDeviation;
        ASSERT_TRUE(r.nGainReduction >= 0 && r.nGainReduction <= 24) << r.nGainReduction;
        ASSERT_LE(std::abs(r.nPaVoltage - 28), 1);
        ASSERT_LE(std::abs(r.nAuxVoltage - 15), 1);
        ASSERT_LE(std::abs(r.nTemperature - 45), 3);
        ASSERT_LE(std::abs(r.nTemperature - last.nTemperature), 1);
        ASSERT_EQ(now.frequency, set.frequency);
        ASSERT_EQ(now.statusFlags, set.statusFlags);
        ASSERT_EQ(now.alarmFlags, set.alarmFlags);
        ASSERT_EQ(now.unitType, set.unitType);
        nPeaksOver75 += r.nDeviation > 75;
        last = r;
    }
    // Audio now and then passes 75 kHz into the red bar, but mostly stays below.
    EXPECT_GT(nPeaksOver75, 100);
    EXPECT_LT(nPeaksOver75, 5000);
}

// A command that changes a setting shows in the next reply: the drift goes on about the new one.
TEST(LiveReadings, DriftFollowsTheSettings)
{
    UnitState set = UnitState::Transmitter();
    CLiveReadings live(3);
    for (int i = 0; i < 20; ++i)
        live.Next(set);
    set.forwardPower = 200;
    for (int i = 0; i < 50; ++i)
        EXPECT_LE(std::abs(int(live.Next(set).forwardPower) - 200), 4) << i;
}

TEST(LiveReadings, AUnitWithoutDeviationReportsNoAudio)
{
    const UnitState set = UnitState::Amplifier();
    CLiveReadings live(5);
    for (int i = 0; i < 1000; ++i) {
        const UnitState now = live.Next(set);
        ASSERT_EQ(now.peakDeviation, 0);
        ASSERT_EQ(now.gainReduction, 0);
    }
}
