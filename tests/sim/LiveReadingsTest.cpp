#include "LiveReadings.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

namespace {

// The readings that move, as the panel reads them (signed where the frame's byte is signed).
constexpr int kMoving = 7;
using Readings = std::array<int, kMoving>;

Readings Of(const UnitState& s)
{
    return {s.forwardPower,     s.reflectedPower,    qint8(s.peakDeviation), qint8(s.gainReduction),
            qint8(s.paVoltage), qint8(s.auxVoltage), qint8(s.paTemperature)};
}

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
// ones, one step at a time close to the setting; what a unit does not measure stays as set.
TEST(LiveReadings, EveryReadingMovesWithinItsRangeOnEveryReply)
{
    const struct
    {
        const char* pszName;
        int nLowest, nHighest;
        int nLargestStep; // 0: any
    } limits[kMoving] = {
        {"forward power", 147, 153, 1}, {"reflected power", 2, 4, 1}, {"deviation", 0, 100, 0},
        {"gain reduction", 0, 24, 0},   {"P.A. voltage", 27, 29, 1},  {"AUX voltage", 14, 16, 1},
        {"temperature", 42, 48, 1},
    };
    const UnitState set = UnitState::Transmitter();
    CLiveReadings live(1);
    Readings last = Of(set);
    int nPeaksOver75 = 0;
    for (int i = 0; i < 10000; ++i) {
        const UnitState now = live.Next(set);
        const Readings r = Of(now);
        for (int n = 0; n < kMoving; ++n) {
            const bool bStepOk =
                limits[n].nLargestStep == 0 || std::abs(r[n] - last[n]) <= limits[n].nLargestStep;
            if (r[n] == last[n] || r[n] < limits[n].nLowest || r[n] > limits[n].nHighest ||
                !bStepOk)
                FAIL() << limits[n].pszName << " at reply " << i << ": " << last[n] << " -> "
                       << r[n];
        }
        ASSERT_EQ(now.frequency, set.frequency);
        ASSERT_EQ(now.statusFlags, set.statusFlags);
        ASSERT_EQ(now.alarmFlags, set.alarmFlags);
        ASSERT_EQ(now.unitType, set.unitType);
        nPeaksOver75 += r[2] > 75;
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
