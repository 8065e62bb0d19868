#include "UnitState.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace {

UnitState Distinct()
{
    UnitState s;
    s.byte0 = 0xA0;
    s.frequency = 0x1234;
    s.statusFlags = 0x81;
    s.forwardPower = 0x44;
    s.reflectedPower = 0x55;
    s.peakDeviation = 0xF6;
    s.gainReduction = 0x77;
    s.paVoltage = 0x88;
    s.auxVoltage = 0x99;
    s.paTemperature = 0xAA;
    s.alarmFlags = 0xBB;
    s.byte12 = 0xCC;
    s.unitType = 0xDD;
    s.byte14 = 0xEE;
    s.byte15 = 0xFF;
    return s;
}

} // namespace

TEST(UnitState, FramePutsEachFieldAtItsOffset)
{
    const UnitState::Frame expected = {0xA0, 0x12, 0x34, 0x81, 0x44, 0x55, 0xF6, 0x77,
                                       0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_EQ(Distinct().ToFrame(), expected);
}

TEST(UnitState, PresetsArePlausibleUnits)
{
    const UnitState::Frame transmitter = {0,  0x03, 0xD9, 0x01, 150, 3, 60, 6,
                                          28, 15,   45,   0,    0,   2, 0,  0};
    EXPECT_EQ(UnitState::Transmitter().ToFrame(), transmitter);
    const UnitState::Frame amplifier = {0,  0x03, 0xD9, 0x01, 200, 4,  0, 0,
                                        48, 15,   40,   0,    0,   54, 0, 0};
    EXPECT_EQ(UnitState::Amplifier().ToFrame(), amplifier);
}

TEST(UnitState, CommandsChangeTheirFieldOnly)
{
    struct Case
    {
        quint8 command;
        int offset;
        quint8 before;
        quint8 after;
    };
    const Case cases[] = {
        {'1', 2, 0x34, 0x35},  {'2', 2, 0x34, 0x33},  {'3', 4, 0x44, 0x45},  {'4', 4, 0x44, 0x43},
        {'o', 3, 0x01, 0x81},  {'o', 3, 0x81, 0x81},  {'f', 3, 0x81, 0x01},  {'f', 3, 0x01, 0x01},
        {'6', 11, 0xFF, 0x37}, {'6', 11, 0xC8, 0x00}, {'6', 11, 0x37, 0x37},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "command " << char(c.command) << " on " << int(c.before));
        UnitState state = Distinct();
        state.statusFlags = c.offset == 3 ? c.before : state.statusFlags;
        state.alarmFlags = c.offset == 11 ? c.before : state.alarmFlags;
        UnitState::Frame expected = state.ToFrame();
        expected[size_t(c.offset)] = c.after;
        state.Apply(c.command);
        EXPECT_EQ(state.ToFrame(), expected);
    }
}

TEST(UnitState, FrequencyAndPowerStopAtTheEndsOfTheirRange)
{
    UnitState state;
    state.frequency = 0xFFFF;
    state.forwardPower = 0xFF;
    state.Apply('1');
    state.Apply('3');
    EXPECT_EQ(state.frequency, 0xFFFF);
    EXPECT_EQ(state.forwardPower, 0xFF);

    state.frequency = 0;
    state.forwardPower = 0;
    state.Apply('2');
    state.Apply('4');
    EXPECT_EQ(state.frequency, 0);
    EXPECT_EQ(state.forwardPower, 0);

    state.frequency = 0x00FF;
    state.Apply('1');
    EXPECT_EQ(state.frequency, 0x0100) << "the carry reaches the high byte";
}

TEST(UnitState, EveryOtherByteChangesNothing)
{
    const QByteArray commands("1234of6");
    for (int b = 0; b < 256; ++b) {
        if (commands.contains(char(b)))
            continue;
        UnitState state = Distinct();
        state.Apply(quint8(b));
        EXPECT_EQ(state.ToFrame(), Distinct().ToFrame()) << "byte " << b;
    }
}
