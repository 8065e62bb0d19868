#include "CorvexMib.h"

#include "UnitType.h"

#include <limits>

namespace CorvexMib {

namespace {

constexpr qint64 kTrue = 1; // TruthValue
constexpr qint64 kFalse = 2;
constexpr qsizetype kMaxNameOctets = 255;          // SnmpAdminString
constexpr quint64 kHertzPerFrequencyStep = 100000; // the frame counts tenths of a MHz
constexpr qint64 kCentiwattsPerWatt = 100;

Value Integer(qint64 n)
{
    Value value;
    value.nNumber = n;
    return value;
}

Value Truth(bool b)
{
    return Integer(b ? kTrue : kFalse);
}

Value Octets(const QByteArray& octets)
{
    Value value;
    value.type = Value::Type::OctetString;
    value.octets = octets;
    return value;
}

Value Counter64(quint64 n)
{
    Value value;
    value.type = Value::Type::Counter64;
    value.nCounter64 = n;
    return value;
}

// The name in UTF-8, cut at the last whole character within the size of an SnmpAdminString.
QByteArray NameOctets(const QString& strName)
{
    QByteArray octets = strName.toUtf8();
    if (octets.size() <= kMaxNameOctets)
        return octets;
    qsizetype size = kMaxNameOctets;
    while (size > 0 && (static_cast<quint8>(octets[size]) & 0xC0) == 0x80)
        --size; // octets[size] continues the character that starts before it
    octets.truncate(size);
    return octets;
}

// A raw power byte in hundredths of a watt, by the rule of the unit's row; nothing for a row
// without power readings.
std::optional<qint64> Centiwatts(const UnitType& unit, quint8 raw)
{
    switch (unit.power) {
    case UnitType::Power::None:
        return std::nullopt;
    case UnitType::Power::Divide: // exact for the divisors in use, 10 and 50
        return (qint64(raw) * kCentiwattsPerWatt + unit.nFactor / 2) / unit.nFactor;
    case UnitType::Power::SignedWatts:
        return qint64(static_cast<qint8>(raw)) * kCentiwattsPerWatt;
    case UnitType::Power::UnsignedWatts:
        return qint64(raw) * kCentiwattsPerWatt;
    case UnitType::Power::Multiply:
        return qint64(raw) * unit.nFactor * kCentiwattsPerWatt;
    }
    return std::nullopt;
}

std::optional<Value> PowerValue(const StatusFrame& frame, quint8 raw)
{
    const std::optional<qint64> centiwatts = Centiwatts(frame.Unit(), raw);
    if (!centiwatts)
        return std::nullopt;
    return Integer(*centiwatts);
}

// The columns that come from the unit's frames, as opposed to the agent's own knowledge.
bool FromFrame(Column column)
{
    switch (column) {
    case Column::Name:
    case Column::State:
    case Column::Frames:
    case Column::MissedPolls:
    case Column::FrameAge:
        return false;
    default:
        return true;
    }
}

} // namespace

const Oid& Module()
{
    static const Oid module{1, 3, 6, 1, 4, 1, kEnterprise};
    return module;
}

Oid UnitTable()
{
    Oid oid = Module();
    oid.insert(oid.end(), {1, 1}); // corvexObjects.corvexUnitTable
    return oid;
}

Oid ColumnOid(Column c)
{
    Oid oid = UnitTable();
    oid.insert(oid.end(), {1, static_cast<quint32>(c)}); // corvexUnitEntry.column
    return oid;
}

Oid NotificationOid(Notification n)
{
    Oid oid = Module();
    oid.insert(oid.end(), {0, static_cast<quint32>(n)}); // corvexNotifications.n
    return oid;
}

Column NotificationColumn(Notification n)
{
    switch (n) {
    case Notification::LinkLost:
    case Notification::LinkRestored:
        return Column::State;
    case Notification::RfFailRaised:
    case Notification::RfFailCleared:
        return Column::RfFail;
    case Notification::PllFailRaised:
    case Notification::PllFailCleared:
        return Column::PllFail;
    case Notification::ModulationFailRaised:
    case Notification::ModulationFailCleared:
        return Column::ModulationFail;
    case Notification::PllLockLost:
    case Notification::PllLockRegained:
        return Column::PllLocked;
    }
    return Column::State;
}

std::optional<Value> CellValue(const SnmpUnitRow& row, Column column, Serving serving)
{
    if (FromFrame(column) && serving == Serving::LiveOnly &&
        row.state != SnmpUnitRow::State::Online)
        return std::nullopt;

    const StatusFrame& frame = row.frame;
    switch (column) {
    case Column::Name:
        return Octets(NameOctets(row.strName));
    case Column::State:
        return Integer(static_cast<qint64>(row.state));
    case Column::Model:
        return Octets(QByteArray(frame.Unit().pszName));
    case Column::ModelCode:
        return Integer(frame.unitType);
    case Column::ForwardPower:
        return PowerValue(frame, frame.forwardPower);
    case Column::ReflectedPower:
        return PowerValue(frame, frame.reflectedPower);
    case Column::PaTemperature:
        return Integer(frame.paTemperature);
    case Column::PaVoltage:
        return Integer(frame.paVoltage);
    case Column::AuxVoltage:
        return Integer(frame.auxVoltage);
    case Column::PeakDeviation:
        return Integer(frame.peakDeviation);
    case Column::GainReduction:
        return Integer(frame.gainReduction);
    case Column::Frequency:
        return Counter64(quint64(frame.FrequencyCount()) * kHertzPerFrequencyStep);
    case Column::PllLocked:
        return Truth(frame.PllLocked());
    case Column::RfFail:
        return Truth(frame.RfFail());
    case Column::PllFail:
        return Truth(frame.PllFail());
    case Column::ModulationFail:
        return Truth(frame.ModFail());
    case Column::Muted:
        return Truth(frame.CarrierMuted());
    case Column::Frames:
        return Counter64(row.nFrames);
    case Column::MissedPolls:
        return Counter64(row.nMissedPolls);
    case Column::FrameAge: {
        if (row.nFrameAgeMs < 0)
            return std::nullopt;
        Value value;
        value.type = Value::Type::Gauge32;
        value.nNumber = std::min<qint64>(row.nFrameAgeMs, std::numeric_limits<quint32>::max());
        return value;
    }
    }
    return std::nullopt;
}

} // namespace CorvexMib
