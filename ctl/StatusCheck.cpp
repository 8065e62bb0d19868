#include "StatusCheck.h"

#include "ReadingJson.h"

#include <QLocale>

#include <algorithm>

namespace {

// The numeric readings that go into the performance data, in this order, by their JSON keys.
const char* const kPerfKeys[] = {"forward_power_w",   "reflected_power_w", "pa_temperature_c",
                                 "pa_voltage_v",      "aux_voltage_v",     "peak_deviation_khz",
                                 "gain_reduction_db", "frequency_mhz"};

QString StateName(CStatusCheck::State state)
{
    switch (state) {
    case CStatusCheck::State::Ok:
        return QStringLiteral("OK");
    case CStatusCheck::State::Warning:
        return QStringLiteral("WARNING");
    case CStatusCheck::State::Critical:
        return QStringLiteral("CRITICAL");
    case CStatusCheck::State::Unknown:
        break;
    }
    return QStringLiteral("UNKNOWN");
}

QString YesNo(bool b)
{
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace

CStatusCheck::CStatusCheck(const StatusFrame& frame) : m_frame(frame), m_reading(ReadingJson(frame))
{
    const bool bTransmitter = !frame.Unit().bAmplifier;
    const struct
    {
        bool bPresent;
        State state;
        const char* pszProblem;
    } checks[] = {
        {frame.RfFail(), State::Critical, "RF fail"},
        {bTransmitter && frame.PllFail(), State::Critical, "PLL fail"},
        {bTransmitter && frame.ModFail(), State::Critical, "modulation fail"},
        {bTransmitter && frame.CarrierMuted(), State::Warning, "carrier muted"},
        {bTransmitter && !frame.PllLocked(), State::Warning, "PLL not locked"},
    };
    for (const auto& check : checks) {
        if (!check.bPresent)
            continue;
        m_problems << QLatin1String(check.pszProblem);
        m_state = std::max(m_state, check.state);
    }
}

QString CStatusCheck::StatusLine() const
{
    QStringList powers;
    for (const QString& text : {m_frame.ForwardPowerText(), m_frame.ReflectedPowerText()}) {
        if (!text.isEmpty())
            powers << text;
    }
    QString strSummary = QString::fromLatin1(m_frame.Unit().pszName);
    if (!powers.isEmpty())
        strSummary += QStringLiteral(": ") + powers.join(QLatin1String(", "));
    if (!m_problems.isEmpty())
        strSummary = m_problems.join(QLatin1String(", ")) + QStringLiteral(" - ") + strSummary;
    return QStringLiteral("CORVEX %1 - %2 | %3").arg(StateName(m_state), strSummary, PerfData());
}

QString CStatusCheck::Details() const
{
    const StatusFrame& f = m_frame;
    QStringList lines = {
        QStringLiteral("Model: %1 (code %2)")
            .arg(QLatin1String(f.Unit().pszName))
            .arg(int(f.unitType)),
        QString::asprintf("Carrier frequency: %.2f MHz", double(f.Frequency())),
        QStringLiteral("Forward power: %1").arg(f.ForwardPowerText()),
        QStringLiteral("Reflected power: %1").arg(f.ReflectedPowerText()),
        QStringLiteral("P.A. temperature: %1 C").arg(int(f.paTemperature)),
        QStringLiteral("P.A. voltage: %1 V").arg(int(f.paVoltage)),
        QStringLiteral("AUX voltage: %1 V").arg(int(f.auxVoltage)),
        QStringLiteral("Peak deviation: %1 kHz").arg(int(f.peakDeviation)),
        QStringLiteral("Gain reduction: %1 dB").arg(int(f.gainReduction)),
        QStringLiteral("PLL locked: %1").arg(YesNo(f.PllLocked())),
        QStringLiteral("RF fail: %1").arg(YesNo(f.RfFail())),
        QStringLiteral("PLL fail: %1").arg(YesNo(f.PllFail())),
        QStringLiteral("Modulation fail: %1").arg(YesNo(f.ModFail())),
        QStringLiteral("Carrier muted: %1").arg(YesNo(f.CarrierMuted())),
    };
    return lines.join(QLatin1Char('\n'));
}

QString CStatusCheck::FailureLine(State state, const QString& strMessage)
{
    return QStringLiteral("CORVEX %1 - %2").arg(StateName(state), strMessage);
}

QString CStatusCheck::PerfData() const
{
    QStringList fields;
    for (const char* pszKey : kPerfKeys) {
        const QJsonValue value = m_reading.value(QLatin1String(pszKey));
        if (value.isDouble())
            fields << QStringLiteral("%1=%2").arg(
                QLatin1String(pszKey),
                QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest));
    }
    return fields.join(QLatin1Char(' '));
}
