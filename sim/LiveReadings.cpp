#include "LiveReadings.h"

#include <algorithm>
#include <cmath>

namespace {

// Ranges of the panel's displays and the bands the drifting readings keep to.
constexpr int kDeviationMax = 100;    // kHz
constexpr int kGainReductionMax = 24; // dB
constexpr int kVoltageMax = 50;       // V
constexpr int kTemperatureMax = 100;  // degrees C
constexpr int kVoltageBand = 1;
constexpr int kTemperatureBand = 3;
constexpr int kReflectedBand = 1;

int Signed(quint8 byRaw)
{
    return static_cast<qint8>(byRaw);
}

quint8 Raw(int nValue)
{
    return static_cast<quint8>(nValue & 0xFF);
}

} // namespace

CLiveReadings::CLiveReadings(quint32 nSeed) : m_random(nSeed) {}

int CLiveReadings::Drift(int nLast, int nCentre, int nBand, int nLower, int nUpper)
{
    const int nLow = std::max(nLower, nCentre - nBand);
    const int nHigh = std::min(nUpper, nCentre + nBand);
    if (nLast < nLow || nLast > nHigh)
        return std::clamp(nCentre, nLower, nUpper);
    int nStep = m_random.bounded(2) == 0 ? -1 : 1;
    if (nLast + nStep < nLow || nLast + nStep > nHigh)
        nStep = -nStep;
    return std::clamp(nLast + nStep, nLow, nHigh);
}

int CLiveReadings::Changed(int nValue, int nLast, int nLower, int nUpper)
{
    if (nValue != nLast)
        return nValue;
    return nValue < nUpper ? nValue + 1 : std::max(nLower, nValue - 1);
}

UnitState CLiveReadings::Next(const UnitState& set)
{
    if (m_bFirst) {
        m_last = set;
        m_bFirst = false;
    }
    UnitState live = set;

    if (set.peakDeviation != 0) {
        // Loudness moves smoothly; transients ride on it and now and then pass 75 kHz.
        m_dLoudness = 0.7 * m_dLoudness + 0.3 * m_random.generateDouble();
        const double dPeak = m_dLoudness + 0.3 * std::pow(m_random.generateDouble(), 3.0);
        const int nDeviation = std::clamp(int(std::lround(25.0 + 60.0 * dPeak)), 0, kDeviationMax);
        const int nGainReduction =
            std::clamp(int(std::lround((dPeak - 0.35) * 20.0)), 0, kGainReductionMax);
        live.peakDeviation =
            Raw(Changed(nDeviation, Signed(m_last.peakDeviation), 0, kDeviationMax));
        live.gainReduction =
            Raw(Changed(nGainReduction, Signed(m_last.gainReduction), 0, kGainReductionMax));
    }

    const int nForwardBand = std::max(2, set.forwardPower / 50);
    live.forwardPower = Raw(Drift(m_last.forwardPower, set.forwardPower, nForwardBand, 0, 255));
    live.reflectedPower =
        Raw(Drift(m_last.reflectedPower, set.reflectedPower, kReflectedBand, 0, 255));
    live.paVoltage =
        Raw(Drift(Signed(m_last.paVoltage), Signed(set.paVoltage), kVoltageBand, 0, kVoltageMax));
    live.auxVoltage =
        Raw(Drift(Signed(m_last.auxVoltage), Signed(set.auxVoltage), kVoltageBand, 0, kVoltageMax));
    live.paTemperature = Raw(Drift(Signed(m_last.paTemperature), Signed(set.paTemperature),
                                   kTemperatureBand, 0, kTemperatureMax));
    m_last = live;
    return live;
}
