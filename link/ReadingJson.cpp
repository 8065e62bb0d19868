#include "ReadingJson.h"

#include "StatusFrame.h"

#include <QJsonValue>

#include <optional>

namespace {

QJsonValue Number(std::optional<double> value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

} // namespace

QJsonObject ReadingJson(const StatusFrame& frame)
{
    const UnitType& unit = frame.Unit();
    return QJsonObject{
        {QStringLiteral("model"), QString::fromLatin1(unit.pszName)},
        {QStringLiteral("code"), int(frame.unitType)},
        {QStringLiteral("frequency_mhz"), frame.FrequencyCount() / 10.0},
        {QStringLiteral("forward_power_w"), Number(unit.Watts(frame.forwardPower))},
        {QStringLiteral("reflected_power_w"), Number(unit.Watts(frame.reflectedPower))},
        {QStringLiteral("forward_power_text"), frame.ForwardPowerText()},
        {QStringLiteral("reflected_power_text"), frame.ReflectedPowerText()},
        {QStringLiteral("pa_temperature_c"), int(frame.paTemperature)},
        {QStringLiteral("pa_voltage_v"), int(frame.paVoltage)},
        {QStringLiteral("aux_voltage_v"), int(frame.auxVoltage)},
        {QStringLiteral("peak_deviation_khz"), int(frame.peakDeviation)},
        {QStringLiteral("gain_reduction_db"), int(frame.gainReduction)},
        {QStringLiteral("pll_locked"), frame.PllLocked()},
        {QStringLiteral("rf_fail"), frame.RfFail()},
        {QStringLiteral("pll_fail"), frame.PllFail()},
        {QStringLiteral("modulation_fail"), frame.ModFail()},
        {QStringLiteral("muted"), frame.CarrierMuted()},
    };
}
