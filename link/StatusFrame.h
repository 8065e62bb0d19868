#pragma once

#include "UnitType.h"

#include <QString>
#include <QtGlobal>

// The 16-byte reply to a poll, decoded field by field. Bytes 0, 12, 14 and 15 carry nothing
// the panel reads. Every value is taken as it comes: any 16 bytes decode.
struct StatusFrame
{
    quint8 frequencyHigh = 0;
    quint8 frequencyLow = 0;
    quint8 statusFlags = 0;
    quint8 forwardPower = 0;
    quint8 reflectedPower = 0;
    qint8 peakDeviation = 0;
    qint8 gainReduction = 0;
    qint8 paVoltage = 0;
    qint8 auxVoltage = 0;
    qint8 paTemperature = 0;
    quint8 alarmFlags = 0;
    qint8 unitType = 0;

    // Decodes exactly kStatusFrameSize bytes from pBytes.
    static StatusFrame Decode(const quint8* pBytes);

    // The carrier frequency in tenths of a unit, high byte first.
    quint16 FrequencyCount() const;
    // FrequencyCount() / 10, so 985 gives 98.5.
    float Frequency() const;

    bool PllLocked() const;
    bool CarrierMuted() const;
    bool PllFail() const;
    bool RfFail() const;
    bool ModFail() const;

    const UnitType& Unit() const;
    QString ForwardPowerText() const;
    QString ReflectedPowerText() const;
};
