#include "CorvexMib.h"
#include "SnmpTestSupport.h"
#include "SnmpUnitRow.h"
#include "UnitState.h"

#include <QSet>
#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace {

using CorvexMib::Column;
using CorvexMib::Value;

constexpr qint64 kTrue = 1;
constexpr qint64 kFalse = 2;

SnmpUnitRow OnlineRow(const UnitState& state)
{
    return SnmpTest::SimulatedRow(QStringLiteral("tx-main"), 1, state);
}

std::optional<qint64> Number(const SnmpUnitRow& row, Column column)
{
    const std::optional<Value> value = CorvexMib::CellValue(row, column);
    if (!value)
        return std::nullopt;
    return value->type == Value::Type::Counter64 ? qint64(value->nCounter64) : value->nNumber;
}

TEST(CorvexMibPower, EachUnitRuleGivesHundredthsOfAWatt)
{
    const struct
    {
        qint8 nCode;
        quint8 raw;
        std::optional<qint64> centiwatts;
    } cases[] = {
        {1, 200, std::nullopt}, // no power readings: nothing served
        {2, 150, 1500},         // tenths: 15.0 W
        {2, 255, 2550},
        {3, 0xC8, -5600}, // signed whole watts
        {4, 0xC8, 20000}, // unsigned whole watts
        {5, 255, 51000},  // times 2
        {6, 1, 2},        // fiftieths: 0.02 W, the finest step of any unit
        {6, 255, 510},
        {7, 255, 102000},
        {8, 255, 204000}, // times 8: the largest, 2040 W
        {54, 0xC8, 20000},
        {55, 255, 51000},
        {57, 255, 102000},
        {58, 255, 204000},
        {59, 255, 51000},
        {56, 255, 102000}, // an unknown code takes the default row, times 4
        {-127, 1, 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "code " << int(c.nCode) << " raw " << int(c.raw));
        UnitState state = UnitState::Transmitter();
        state.unitType = static_cast<quint8>(c.nCode);
        state.forwardPower = c.raw;
        state.reflectedPower = c.raw;
        const SnmpUnitRow row = OnlineRow(state);
        EXPECT_EQ(Number(row, Column::ForwardPower), c.centiwatts);
        EXPECT_EQ(Number(row, Column::ReflectedPower), c.centiwatts);
    }
}

TEST(CorvexMibFrequency, CountOfTenthsOfAMegahertzBecomesHertzBeyond32Bits)
{
    const struct
    {
        quint16 count;
        quint64 nHertz;
    } cases[] = {{0, 0}, {985, 98500000}, {42950, 4295000000}, {65535, 6553500000}};
    for (const auto& c : cases) {
        UnitState state = UnitState::Transmitter();
        state.frequency = c.count;
        const std::optional<Value> value =
            CorvexMib::CellValue(OnlineRow(state), Column::Frequency);
        ASSERT_TRUE(value) << c.count;
        EXPECT_EQ(value->type, Value::Type::Counter64);
        EXPECT_EQ(value->nCounter64, c.nHertz) << c.count;
    }
}

TEST(CorvexMibReadings, SignedBytesKeepTheirSign)
{
    UnitState state = UnitState::Transmitter();
    state.peakDeviation = 0xF6;
    state.gainReduction = 0x80;
    state.paVoltage = 0xFF;
    state.auxVoltage = 0x7F;
    state.paTemperature = 0xEC;
    state.unitType = 0x81; // -127: an unknown code
    const SnmpUnitRow row = OnlineRow(state);
    EXPECT_EQ(Number(row, Column::PeakDeviation), -10);
    EXPECT_EQ(Number(row, Column::GainReduction), -128);
    EXPECT_EQ(Number(row, Column::PaVoltage), -1);
    EXPECT_EQ(Number(row, Column::AuxVoltage), 127);
    EXPECT_EQ(Number(row, Column::PaTemperature), -20);
    EXPECT_EQ(Number(row, Column::ModelCode), -127);
    EXPECT_EQ(CorvexMib::CellValue(row, Column::Model)->octets,
              QByteArray("Unknown unit using default settings"));
}

TEST(CorvexMibLamps, EachFlagBitIsOneTruthValue)
{
    const struct
    {
        quint8 statusFlags;
        quint8 alarmFlags;
        Column column;
    } cases[] = {
        {UnitState::kPllLocked, 0, Column::PllLocked},
        {UnitState::kMuted, 0, Column::Muted},
        {0, UnitState::kRfFail, Column::RfFail},
        {0, UnitState::kPllFail, Column::PllFail},
        {0, UnitState::kModulationFail, Column::ModulationFail},
    };
    const Column lamps[] = {Column::PllLocked, Column::Muted, Column::RfFail, Column::PllFail,
                            Column::ModulationFail};
    for (const auto& c : cases) {
        UnitState state = UnitState::Transmitter();
        state.statusFlags = c.statusFlags;
        state.alarmFlags = c.alarmFlags;
        const SnmpUnitRow row = OnlineRow(state);
        for (const Column lamp : lamps)
            EXPECT_EQ(Number(row, lamp), lamp == c.column ? kTrue : kFalse)
                << "set: " << int(c.column) << ", read: " << int(lamp);
    }
}

// Which columns a row serves, by its state: never a reading of a unit that is not online.
TEST(CorvexMibServing, OnlyAnOnlineUnitServesWhatItsFramesSay)
{
    const QSet<Column> always{Column::Name, Column::State, Column::Frames, Column::MissedPolls,
                              Column::FrameAge};
    for (const auto state :
         {SnmpUnitRow::State::Online, SnmpUnitRow::State::Lost, SnmpUnitRow::State::Connecting}) {
        SnmpUnitRow row = OnlineRow(UnitState::Transmitter());
        row.state = state;
        for (quint32 c = CorvexMib::kFirstColumn; c <= CorvexMib::kLastColumn; ++c) {
            const auto column = static_cast<Column>(c);
            const bool bServed = CorvexMib::CellValue(row, column).has_value();
            EXPECT_EQ(bServed, state == SnmpUnitRow::State::Online || always.contains(column))
                << "state " << int(state) << ", column " << c;
            // A notification still carries the last frame's value.
            EXPECT_TRUE(CorvexMib::CellValue(row, column, CorvexMib::Serving::Any))
                << "state " << int(state) << ", column " << c;
        }
        EXPECT_EQ(Number(row, Column::State), qint64(state));
    }
}

TEST(CorvexMibServing, FrameAgeIsAbsentBeforeTheFirstFrameAndStopsAtTheTopOfGauge32)
{
    SnmpUnitRow row = OnlineRow(UnitState::Transmitter());
    row.state = SnmpUnitRow::State::Connecting;
    row.nFrameAgeMs = -1;
    EXPECT_FALSE(CorvexMib::CellValue(row, Column::FrameAge));
    row.nFrameAgeMs = 0;
    EXPECT_EQ(Number(row, Column::FrameAge), 0);
    row.nFrameAgeMs = 10'000'000'000; // 115 days
    const std::optional<Value> value = CorvexMib::CellValue(row, Column::FrameAge);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, Value::Type::Gauge32);
    EXPECT_EQ(value->nNumber, 4294967295);
}

TEST(CorvexMibServing, CountersAreCounter64)
{
    SnmpUnitRow row = OnlineRow(UnitState::Transmitter());
    row.nFrames = 5'000'000'000;
    row.nMissedPolls = 7;
    EXPECT_EQ(CorvexMib::CellValue(row, Column::Frames)->nCounter64, 5'000'000'000u);
    EXPECT_EQ(CorvexMib::CellValue(row, Column::MissedPolls)->nCounter64, 7u);
}

TEST(CorvexMibName, LongNamesAreCutAtAWholeCharacterWithin255Octets)
{
    const struct
    {
        QString strName;
        qsizetype nOctets;
    } cases[] = {
        {QStringLiteral("tx-main"), 7},
        {QString(255, QLatin1Char('a')), 255},
        {QString(300, QLatin1Char('a')), 255},
        {QString(200, QChar(0x00E9)), 254},                       // two octets each: 127 fit
        {QStringLiteral("a") + QString(200, QChar(0x00E9)), 255}, // 1 + 127 * 2
        {QString(100, QChar(0x20AC)), 255},                       // three octets each: 85 fit
    };
    for (const auto& c : cases) {
        SnmpUnitRow row = OnlineRow(UnitState::Transmitter());
        row.strName = c.strName;
        const QByteArray octets = CorvexMib::CellValue(row, Column::Name)->octets;
        EXPECT_EQ(octets.size(), c.nOctets) << c.strName.size();
        EXPECT_TRUE(c.strName.startsWith(QString::fromUtf8(octets)));
        EXPECT_TRUE(c.strName.toUtf8().startsWith(octets));
    }
}

TEST(CorvexMibOids, EveryNumberSitsUnderTheOneEnterpriseArc)
{
    const CorvexMib::Oid module{1, 3, 6, 1, 4, 1, CorvexMib::kEnterprise};
    EXPECT_EQ(CorvexMib::Module(), module);
    CorvexMib::Oid frequency = module;
    frequency.insert(frequency.end(), {1, 1, 1, 13});
    EXPECT_EQ(CorvexMib::ColumnOid(Column::Frequency), frequency);
    CorvexMib::Oid linkLost = module;
    linkLost.insert(linkLost.end(), {0, 1});
    EXPECT_EQ(CorvexMib::NotificationOid(CorvexMib::Notification::LinkLost), linkLost);
}

TEST(UnitIndexes, AUnitKeepsItsIndexWhateverHappensToTheOthers)
{
    const QStringList first{QStringLiteral("tx-main"), QStringLiteral("tx-reserve"),
                            QStringLiteral("pa-1")};
    const QStringList changed{QStringLiteral("pa-2"), QStringLiteral("pa-1"),
                              QStringLiteral("tx-main")};
    const std::vector<qint32> before = SnmpUnitRow::Indexes(first);
    const std::vector<qint32> after = SnmpUnitRow::Indexes(changed);
    ASSERT_EQ(before.size(), 3u);
    EXPECT_EQ(after[2], before[0]);                 // tx-main
    EXPECT_EQ(after[1], before[2]);                 // pa-1
    EXPECT_EQ(SnmpUnitRow::Indexes(first), before); // and the same at every start
    for (const qint32 index : before)
        EXPECT_GE(index, 1);
    EXPECT_EQ(QSet<qint32>(before.begin(), before.end()).size(), 3);
}

TEST(UnitIndexes, TwoNamesThatHashAlikeGetDistinctIndexesInFileOrder)
{
    // Find two names whose indexes collide; among 31-bit hashes that takes some 10^5 names.
    std::map<qint32, QString> seen;
    QString strFirst;
    QString strSecond;
    for (int n = 0; strFirst.isEmpty() && n < 2'000'000; ++n) {
        const QString strName = QStringLiteral("unit-%1").arg(n);
        const qint32 index = SnmpUnitRow::Indexes({strName}).front();
        const auto [it, bInserted] = seen.emplace(index, strName);
        if (!bInserted) {
            strFirst = it->second;
            strSecond = strName;
        }
    }
    ASSERT_FALSE(strFirst.isEmpty());
    const qint32 alone = SnmpUnitRow::Indexes({strFirst}).front();
    const std::vector<qint32> both = SnmpUnitRow::Indexes({strFirst, strSecond});
    EXPECT_EQ(both[0], alone);
    EXPECT_EQ(both[1], alone == 2147483647 ? 1 : alone + 1);
    const std::vector<qint32> swapped = SnmpUnitRow::Indexes({strSecond, strFirst});
    EXPECT_EQ(swapped[0], alone);
}

} // namespace
