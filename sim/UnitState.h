#pragma once

#include <QtGlobal>

#include <array>

// Everything a simulated unit reports in its 16-byte status frame. Byte-sized readings are
// kept as the raw bytes that go on the line, so a signed reading of -10 is held as 0xF6.
struct UnitState
{
    static constexpr int kFrameSize = 16;
    using Frame = std::array<quint8, kFrameSize>;

    quint16 frequency = 0; // count of tenths of a MHz
    quint8 statusFlags = 0;
    quint8 forwardPower = 0;
    quint8 reflectedPower = 0;
    quint8 peakDeviation = 0;
    quint8 gainReduction = 0;
    quint8 paVoltage = 0;
    quint8 auxVoltage = 0;
    quint8 paTemperature = 0;
    quint8 alarmFlags = 0;
    quint8 unitType = 0;
    quint8 byte0 = 0;
    quint8 byte12 = 0;
    quint8 byte14 = 0;
    quint8 byte15 = 0;

    static constexpr quint8 kPllLocked = 0x01;
    static constexpr quint8 kMuted = 0x80;
    static constexpr quint8 kPllFail = 0x08;
    static constexpr quint8 kRfFail = 0x40;
    static constexpr quint8 kModulationFail = 0x80;
    static constexpr quint8 kLatchedAlarms = kPllFail | kRfFail | kModulationFail;

    // A code-2 transmitter on 98.50 MHz with its PLL locked and no alarms.
    static UnitState Transmitter();
    // A code-54 amplifier on the same carrier.
    static UnitState Amplifier();

    Frame ToFrame() const;
    // Applies one command byte; any other byte, the poll "w" included, changes nothing.
    void Apply(quint8 command);
};
