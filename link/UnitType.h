#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// One row of the table that the unit code of a status frame selects: the unit's name, how its
// two power bytes read as watts, and which panel layout and buttons it gets.
struct UnitType
{
    // How a raw power byte becomes the number that the row's format prints.
    enum class Power : quint8
    {
        None,          // no power readings: both texts are empty
        Divide,        // unsigned byte as float divided by nFactor ("%f" formats)
        SignedWatts,   // the byte read as a signed value ("%d")
        UnsignedWatts, // the byte read as an unsigned value ("%u")
        Multiply,      // unsigned byte times nFactor ("%d")
    };

    qint8 nCode; // 0 in the default row, which every unlisted code selects
    const char* pszName;
    Power power;
    int nFactor; // divisor for Divide, multiplier for Multiply, 1 otherwise
    const char* pszForwardFormat;
    const char* pszReflectedFormat;
    bool bPowerButtons;
    bool bAmplifier;

    // The row of nCode, or the default row "Unknown unit using default settings".
    static const UnitType& Lookup(qint8 nCode);

    // A raw power byte in watts by the row's rule; nothing for a row without power readings.
    std::optional<double> Watts(quint8 raw) const;
    QString ForwardText(quint8 raw) const;
    QString ReflectedText(quint8 raw) const;
    // A raw power byte printed with pszFormat, which must take the argument type of the row's
    // rule as the row's own formats do (a translation of them, for example).
    QString PowerText(const char* pszFormat, quint8 raw) const;
};
