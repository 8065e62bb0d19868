#include "Reading.h"

#include "StatusFrame.h"

#include <QJsonValue>

namespace {

// The watts that the unit's row makes of a raw power byte; null for a row without power readings.
QJsonValue PowerWatts(const UnitType& unit, quint8 raw)
{
    switch (unit.power) {
    case UnitType::Power::None:
        return QJsonValue::Null;
    case UnitType::Power::Divide:
        return double(raw) / double(unit.nFactor);
    case UnitType::Power::SignedWatts:
        return int(static_cast<qint8>(raw));
    case UnitType::Power::UnsignedWatts:
        return int(raw);
    case UnitType::Power::Multiply:
        return int(raw) * unit.nFactor;
    }
    return QJsonValue::Null;
}

} // namespace

QJsonObject ReadingObject(const StatusFrame& frame)
{
    const UnitType& unit = frame.Unit();
    return QJsonObject{
        {QStringLiteral("model"), QLatin1String(unit.pszName)},
        {QStringLiteral("code"), int(frame.unitType)},
        {QStringLiteral("forward_power_w"), PowerWatts(unit, frame.forwardPower)},
        {QStringLiteral("reflected_power_w"), PowerWatts(unit, frame.reflectedPower)},
        {QStringLiteral("forward_power_text"), frame.ForwardPowerText()},
        {QStringLiteral("reflected_power_text"), frame.ReflectedPowerText()},
        {QStringLiteral("pa_temperature_c"), int(frame.paTemperature)},
        {QStringLiteral("pa_voltage_v"), int(frame.paVoltage)},
        {QStringLiteral("aux_voltage_v"), int(frame.auxVoltage)},
        {QStringLiteral("peak_deviation_khz"), int(frame.peakDeviation)},
        {QStringLiteral("gain_reduction_db"), int(frame.gainReduction)},
        {QStringLiteral("frequency_mhz"), double(frame.FrequencyCount()) / 10.0},
        {QStringLiteral("pll_locked"), frame.PllLocked()},
        {QStringLiteral("rf_fail"), frame.RfFail()},
        {QStringLiteral("pll_fail"), frame.PllFail()},
        {QStringLiteral("modulation_fail"), frame.ModFail()},
        {QStringLiteral("muted"), frame.CarrierMuted()},
    };
}
