#include "UnitState.h"

namespace {

quint8 StepUp(quint8 value)
{
    return value == 0xFF ? value : static_cast<quint8>(value + 1);
}

quint8 StepDown(quint8 value)
{
    return value == 0 ? value : static_cast<quint8>(value - 1);
}

} // namespace

UnitState UnitState::Transmitter()
{
    UnitState s;
    s.frequency = 985;
    s.statusFlags = kPllLocked;
    s.forwardPower = 150;
    s.reflectedPower = 3;
    s.peakDeviation = 60;
    s.gainReduction = 6;
    s.paVoltage = 28;
    s.auxVoltage = 15;
    s.paTemperature = 45;
    s.unitType = 2;
    return s;
}

UnitState UnitState::Amplifier()
{
    UnitState s;
    s.frequency = 985;
    s.statusFlags = kPllLocked;
    s.forwardPower = 200;
    s.reflectedPower = 4;
    s.paVoltage = 48;
    s.auxVoltage = 15;
    s.paTemperature = 40;
    s.unitType = 54;
    return s;
}

UnitState::Frame UnitState::ToFrame() const
{
    return {byte0,
            static_cast<quint8>(frequency >> 8),
            static_cast<quint8>(frequency & 0xFF),
            statusFlags,
            forwardPower,
            reflectedPower,
            peakDeviation,
            gainReduction,
            paVoltage,
            auxVoltage,
            paTemperature,
            alarmFlags,
            byte12,
            unitType,
            byte14,
            byte15};
}

void UnitState::Apply(quint8 command)
{
    // Frequency and power stop at the ends of their ranges, as a unit's controls would.
    switch (command) {
    case '1':
        if (frequency < 0xFFFF)
            ++frequency;
        break;
    case '2':
        if (frequency > 0)
            --frequency;
        break;
    case '3':
        forwardPower = StepUp(forwardPower);
        break;
    case '4':
        forwardPower = StepDown(forwardPower);
        break;
    case 'o':
        statusFlags |= kMuted;
        break;
    case 'f':
        statusFlags &= static_cast<quint8>(~kMuted);
        break;
    case '6':
        alarmFlags &= static_cast<quint8>(~kLatchedAlarms);
        break;
    default:
        break;
    }
}
