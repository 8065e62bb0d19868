#include "UnitType.h"

#include <iterator>

namespace {

using Power = UnitType::Power;

// The default row comes last; Lookup falls back to it when no other code matches. The panel shows
// the power formats and the default row's name in the operator's language (context "UnitType");
// the models' names are names and stay as they are.
constexpr UnitType kUnitTypes[] = {
    {1, "Arvel Transmitter", Power::None, 1, "", "", false, false},
    {2, "Bexon Transmitter", Power::Divide, 10, QT_TRANSLATE_NOOP("UnitType", "%3.1f W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%3.1f W REV."), true, false},
    {3, "Corlan Transmitter", Power::SignedWatts, 1, QT_TRANSLATE_NOOP("UnitType", "%d W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%d W REV."), true, false},
    {4, "Dravik Transmitter", Power::UnsignedWatts, 1, QT_TRANSLATE_NOOP("UnitType", "%u W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%u W REV."), true, false},
    {5, "Elsom Transmitter", Power::Multiply, 2, QT_TRANSLATE_NOOP("UnitType", "%d W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%d W REV."), true, false},
    {6, "Fennic Transmitter", Power::Divide, 50, QT_TRANSLATE_NOOP("UnitType", "%.2f W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%.2f W REV."), true, false},
    {7, "Garrow Transmitter", Power::Multiply, 4, QT_TRANSLATE_NOOP("UnitType", "%d W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%d W REV."), true, false},
    {8, "Hestin Transmitter", Power::Multiply, 8, QT_TRANSLATE_NOOP("UnitType", "%d W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%d W REV."), true, false},
    {54, "Ilvar Amplifier", Power::UnsignedWatts, 1, QT_TRANSLATE_NOOP("UnitType", "%u W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%u W REV."), true, true},
    {55, "Jesmor Amplifier", Power::Multiply, 2, QT_TRANSLATE_NOOP("UnitType", "%d W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%d W REV."), true, true},
    {57, "Kelvane Amplifier", Power::Multiply, 4, QT_TRANSLATE_NOOP("UnitType", "%d W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%d W REV."), true, true},
    {58, "Lumbry Amplifier", Power::Multiply, 8, QT_TRANSLATE_NOOP("UnitType", "%d W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%d W REV."), true, true},
    {59, "Morvel Amplifier", Power::Multiply, 2, QT_TRANSLATE_NOOP("UnitType", "%d W FWD."),
     QT_TRANSLATE_NOOP("UnitType", "%d W REV."), true, true},
    {0, QT_TRANSLATE_NOOP("UnitType", "Unknown unit using default settings"), Power::Multiply, 4,
     QT_TRANSLATE_NOOP("UnitType", "%d W FWD."), QT_TRANSLATE_NOOP("UnitType", "%d W REV."), true,
     false},
};

} // namespace

// Each rule hands its format exactly the argument type that the format names.
QString UnitType::PowerText(const char* pszFormat, quint8 raw) const
{
    const std::optional<double> watts = Watts(raw);
    if (!watts)
        return QString();
    switch (power) {
    case Power::Divide:
        return QString::asprintf(pszFormat, *watts);
    case Power::UnsignedWatts:
        return QString::asprintf(pszFormat, unsigned(*watts));
    case Power::None:
    case Power::SignedWatts:
    case Power::Multiply:
        break;
    }
    return QString::asprintf(pszFormat, int(*watts));
}

const UnitType& UnitType::Lookup(qint8 nCode)
{
    const auto* pLast = std::prev(std::end(kUnitTypes));
    for (const auto* pRow = std::begin(kUnitTypes); pRow != pLast; ++pRow) {
        if (pRow->nCode == nCode)
            return *pRow;
    }
    return *pLast;
}

std::optional<double> UnitType::Watts(quint8 raw) const
{
    switch (power) {
    case Power::None:
        break;
    case Power::Divide:
        return double(raw) / nFactor;
    case Power::SignedWatts:
        return double(static_cast<qint8>(raw));
    case Power::UnsignedWatts:
        return double(raw);
    case Power::Multiply:
        return double(int(raw) * nFactor);
    }
    return std::nullopt;
}

QString UnitType::ForwardText(quint8 raw) const
{
    return PowerText(pszForwardFormat, raw);
}

QString UnitType::ReflectedText(quint8 raw) const
{
    return PowerText(pszReflectedFormat, raw);
}
