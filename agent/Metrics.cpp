#include "Metrics.h"

#include "ReadingJson.h"
#include "UnitPoller.h"

#include <QJsonObject>
#include <QString>

#include <charconv>
#include <cmath>
#include <iterator>
#include <map>

namespace {

struct ReadingMetric
{
    const char* pszKey; // in the reading object
    const char* pszName;
    const char* pszHelp;
    double dScale; // from the reading object's unit to the metric's base unit
};

const ReadingMetric kReadings[] = {
    {"forward_power_w", "corvex_forward_power_watts", "Forward RF power.", 1},
    {"reflected_power_w", "corvex_reflected_power_watts", "Reflected RF power.", 1},
    {"pa_temperature_c", "corvex_pa_temperature_celsius", "P.A. temperature.", 1},
    {"pa_voltage_v", "corvex_pa_voltage_volts", "P.A. supply voltage.", 1},
    {"aux_voltage_v", "corvex_aux_voltage_volts", "Auxiliary supply voltage.", 1},
    {"peak_deviation_khz", "corvex_peak_deviation_hertz", "Audio peak deviation.", 1000},
    {"gain_reduction_db", "corvex_gain_reduction_decibels", "Gain reduction.", 1},
    {"frequency_mhz", "corvex_carrier_frequency_hertz", "Carrier frequency.", 1e6},
    {"pll_locked", "corvex_pll_locked", "1 while the PLL is locked.", 1},
    {"rf_fail", "corvex_rf_fail_alarm", "1 while the RF fail alarm is raised.", 1},
    {"pll_fail", "corvex_pll_fail_alarm", "1 while the PLL fail alarm is raised.", 1},
    {"modulation_fail", "corvex_modulation_fail_alarm",
     "1 while the modulation fail alarm is raised.", 1},
    {"muted", "corvex_carrier_muted", "1 while the carrier is muted.", 1},
};

QByteArray LabelValue(const QString& strValue)
{
    QByteArray value = strValue.toUtf8();
    value.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
    return value;
}

class CWriter
{
public:
    // Room for the whole text at once: about 800 bytes a unit.
    explicit CWriter(size_t nUnits) { m_text.reserve(qsizetype(nUnits) * 1024 + 4096); }

    void Family(const char* pszName, const char* pszType, const char* pszHelp)
    {
        m_text.append("# HELP ").append(pszName).append(' ').append(pszHelp);
        m_text.append("\n# TYPE ").append(pszName).append(' ').append(pszType).append('\n');
    }
    void Sample(const char* pszName, const QByteArray& labels, double dValue)
    {
        m_text.append(pszName);
        if (!labels.isEmpty())
            m_text.append('{').append(labels).append('}');
        m_text.append(' ');
        AppendNumber(dValue);
        m_text.append('\n');
    }
    QByteArray Text() const { return m_text; }

private:
    // Whole numbers in full (a frame counter of a million is 1000000, not 1e+06), others as the
    // shortest text that reads back as the value; no temporary string per sample.
    void AppendNumber(double dValue)
    {
        // Scaling must not turn 98.7 MHz into 98700000.00000001 Hz.
        const double dRounded = std::round(dValue * 1000.0) / 1000.0;
        char buffer[32];
        const std::to_chars_result result =
            std::abs(dRounded) < 1e15 && dRounded == std::trunc(dRounded)
                ? std::to_chars(std::begin(buffer), std::end(buffer), qint64(dRounded))
                : std::to_chars(std::begin(buffer), std::end(buffer), dRounded);
        m_text.append(buffer, result.ptr - buffer);
    }

    QByteArray m_text;
};

} // namespace

QByteArray MetricsText(const std::vector<const CUnitPoller*>& units, bool bEventStoreUp,
                       const char* pszVersion)
{
    // Each unit's label once per scrape, not once per sample.
    std::map<const CUnitPoller*, QByteArray> unitLabels;
    for (const CUnitPoller* pUnit : units)
        unitLabels[pUnit] = "unit=\"" + LabelValue(pUnit->Name()) + '"';
    const auto UnitLabel = [&unitLabels](const CUnitPoller& unit) { return unitLabels.at(&unit); };

    CWriter out(units.size());
    out.Family("corvex_agent_info", "gauge", "The agent's version.");
    out.Sample("corvex_agent_info", "version=\"" + LabelValue(QLatin1String(pszVersion)) + '"', 1);
    out.Family("corvex_event_store_up", "gauge", "1 while events reach the event store.");
    out.Sample("corvex_event_store_up", QByteArray(), bEventStoreUp ? 1 : 0);

    out.Family("corvex_link_up", "gauge", "1 while the unit is online, 0 otherwise.");
    for (const CUnitPoller* pUnit : units)
        out.Sample("corvex_link_up", UnitLabel(*pUnit),
                   pUnit->GetState() == CUnitPoller::State::Online ? 1 : 0);
    out.Family("corvex_frames_total", "counter", "Status frames read from the unit.");
    for (const CUnitPoller* pUnit : units)
        out.Sample("corvex_frames_total", UnitLabel(*pUnit), double(pUnit->Frames()));
    out.Family("corvex_missed_polls_total", "counter", "Poll ticks that found no frame.");
    for (const CUnitPoller* pUnit : units)
        out.Sample("corvex_missed_polls_total", UnitLabel(*pUnit), double(pUnit->MissedPolls()));
    out.Family("corvex_last_frame_age_seconds", "gauge", "Seconds since the last frame was read.");
    for (const CUnitPoller* pUnit : units) {
        if (pUnit->HasFrame())
            out.Sample("corvex_last_frame_age_seconds", UnitLabel(*pUnit),
                       double(pUnit->FrameAgeMs()) / 1000.0);
    }

    std::vector<std::pair<const CUnitPoller*, QJsonObject>> readings;
    for (const CUnitPoller* pUnit : units) {
        if (pUnit->GetState() == CUnitPoller::State::Online)
            readings.emplace_back(pUnit, ReadingJson(pUnit->Frame()));
    }
    out.Family("corvex_unit_info", "gauge", "The model of an online unit, as labels.");
    for (const auto& [pUnit, reading] : readings) {
        out.Sample("corvex_unit_info",
                   UnitLabel(*pUnit) + ",model=\"" +
                       LabelValue(reading.value(QStringLiteral("model")).toString()) +
                       "\",code=\"" +
                       QByteArray::number(reading.value(QStringLiteral("code")).toInt()) + '"',
                   1);
    }
    for (const ReadingMetric& metric : kReadings) {
        out.Family(metric.pszName, "gauge", metric.pszHelp);
        for (const auto& [pUnit, reading] : readings) {
            const QJsonValue value = reading.value(QLatin1String(metric.pszKey));
            if (value.isBool())
                out.Sample(metric.pszName, UnitLabel(*pUnit), value.toBool() ? 1 : 0);
            else if (value.isDouble())
                out.Sample(metric.pszName, UnitLabel(*pUnit), value.toDouble() * metric.dScale);
        }
    }
    return out.Text();
}
