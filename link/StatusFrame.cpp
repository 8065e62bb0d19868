#include "StatusFrame.h"

#include "Protocol.h"

namespace {

constexpr quint8 kPllLocked = 0x01;
constexpr quint8 kCarrierMuted = 0x80;
constexpr quint8 kPllFail = 0x08;
constexpr quint8 kRfFail = 0x40;
constexpr quint8 kModFail = 0x80;

} // namespace

StatusFrame StatusFrame::Decode(const quint8* pBytes)
{
    Q_ASSERT(pBytes);
    StatusFrame frame;
    if (!pBytes)
        return frame;
    frame.frequencyHigh = pBytes[1];
    frame.frequencyLow = pBytes[2];
    frame.statusFlags = pBytes[3];
    frame.forwardPower = pBytes[4];
    frame.reflectedPower = pBytes[5];
    frame.peakDeviation = static_cast<qint8>(pBytes[6]);
    frame.gainReduction = static_cast<qint8>(pBytes[7]);
    frame.paVoltage = static_cast<qint8>(pBytes[8]);
    frame.auxVoltage = static_cast<qint8>(pBytes[9]);
    frame.paTemperature = static_cast<qint8>(pBytes[10]);
    frame.alarmFlags = pBytes[11];
    frame.unitType = static_cast<qint8>(pBytes[13]);
    static_assert(kStatusFrameSize == 16, "the field offsets above cover a 16-byte frame");
    return frame;
}

quint16 StatusFrame::FrequencyCount() const
{
    return static_cast<quint16>(frequencyHigh * 256 + frequencyLow);
}

float StatusFrame::Frequency() const
{
    return float(FrequencyCount()) / 10.0f;
}

bool StatusFrame::PllLocked() const
{
    return statusFlags & kPllLocked;
}

bool StatusFrame::CarrierMuted() const
{
    return statusFlags & kCarrierMuted;
}

bool StatusFrame::PllFail() const
{
    return alarmFlags & kPllFail;
}

bool StatusFrame::RfFail() const
{
    return alarmFlags & kRfFail;
}

bool StatusFrame::ModFail() const
{
    return alarmFlags & kModFail;
}

const UnitType& StatusFrame::Unit() const
{
    return UnitType::Lookup(unitType);
}

QString StatusFrame::ForwardPowerText() const
{
    return Unit().ForwardText(forwardPower);
}

QString StatusFrame::ReflectedPowerText() const
{
    return Unit().ReflectedText(reflectedPower);
}
