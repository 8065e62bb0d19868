#pragma once

#include "SnmpUnitRow.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>
#include <vector>

// CORVEX-CONTROL-MIB as the subagent serves it: the object identifiers, and the conversion of a
// unit's state and frame into the MIB's integer units. Every number of the MIB that the code
// needs is here, and nowhere else.
namespace CorvexMib {

// The private enterprise number that the module sits under: 32473 is reserved by RFC 5612 for
// documentation and examples. The maker's own number, once registered, goes here and into the
// MODULE-IDENTITY of CORVEX-CONTROL-MIB.txt.
inline constexpr quint32 kEnterprise = 32473;

using Oid = std::vector<quint32>;

// The columns of corvexUnitTable; the index (column 1) is not accessible.
enum class Column : quint32
{
    Name = 2,
    State = 3,
    Model = 4,
    ModelCode = 5,
    ForwardPower = 6,
    ReflectedPower = 7,
    PaTemperature = 8,
    PaVoltage = 9,
    AuxVoltage = 10,
    PeakDeviation = 11,
    GainReduction = 12,
    Frequency = 13,
    PllLocked = 14,
    RfFail = 15,
    PllFail = 16,
    ModulationFail = 17,
    Muted = 18,
    Frames = 19,
    MissedPolls = 20,
    FrameAge = 21
};
inline constexpr quint32 kFirstColumn = 2;
inline constexpr quint32 kLastColumn = 21;

// The notifications, under corvexNotifications (.0).
enum class Notification : quint32
{
    LinkLost = 1,
    LinkRestored = 2,
    RfFailRaised = 3,
    RfFailCleared = 4,
    PllFailRaised = 5,
    PllFailCleared = 6,
    ModulationFailRaised = 7,
    ModulationFailCleared = 8,
    PllLockLost = 9,
    PllLockRegained = 10
};

// One value as it goes on the wire.
struct Value
{
    enum class Type
    {
        Integer,     // INTEGER, Integer32, enumerations and TruthValue: nNumber
        OctetString, // octets
        Gauge32,     // nNumber, 0 to 4294967295
        Counter64    // nCounter64
    };

    Type type = Type::Integer;
    qint64 nNumber = 0;
    quint64 nCounter64 = 0;
    QByteArray octets;

    bool operator==(const Value& other) const
    {
        return type == other.type && nNumber == other.nNumber && nCounter64 == other.nCounter64 &&
               octets == other.octets;
    }
};

// Which values of a row are served.
enum class Serving
{
    LiveOnly, // what a manager reads: nothing taken from the frame unless the unit is online
    Any       // what a notification carries: the last frame's value whatever the state
};

const Oid& Module();     // 1.3.6.1.4.1.kEnterprise
Oid UnitTable();         // corvexUnitTable
Oid ColumnOid(Column c); // corvexUnitEntry.c
Oid NotificationOid(Notification n);
// The column whose value a notification carries beside the unit's name.
Column NotificationColumn(Notification n);

// The value of one cell of the row, in the MIB's units; nothing when the cell is not served:
// a reading of a unit that is not online (with LiveOnly), a power of a model that reports
// none, the frame age before the first frame.
std::optional<Value> CellValue(const SnmpUnitRow& row, Column column,
                               Serving serving = Serving::LiveOnly);

} // namespace CorvexMib
