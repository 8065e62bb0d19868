#include "UnitTable.h"
#include "SnmpTestSupport.h"
#include "UnitState.h"

#include <gtest/gtest.h>

namespace {

using CorvexMib::Column;
using CorvexMib::Oid;

// corvexUnitEntry followed by the given sub-identifiers.
Oid Entry(std::initializer_list<quint32> tail)
{
    Oid oid = CorvexMib::UnitTable();
    oid.push_back(1);
    oid.insert(oid.end(), tail);
    return oid;
}

SnmpUnitRow Row(const char* pszName, qint32 nIndex, SnmpUnitRow::State state)
{
    return SnmpTest::SimulatedRow(QString::fromLatin1(pszName), nIndex, UnitState::Transmitter(),
                                  state);
}

// Rows out of order, one online (5), one lost (9), and one whose index repeats.
CUnitTable Table()
{
    return CUnitTable({Row("lost", 9, SnmpUnitRow::State::Lost),
                       Row("online", 5, SnmpUnitRow::State::Online),
                       Row("twin", 9, SnmpUnitRow::State::Online)});
}

TEST(UnitTable, AWalkGoesColumnByColumnAndPassesOverWhatIsNotServed)
{
    const CUnitTable table = Table();
    EXPECT_EQ(table.Dropped(), QStringList{QStringLiteral("twin")});

    std::vector<Oid> walked;
    Oid name = CorvexMib::UnitTable();
    while (const std::optional<CUnitTable::Cell> cell = table.Next(name)) {
        ASSERT_GT(cell->oid, name);
        walked.push_back(cell->oid);
        name = cell->oid;
        ASSERT_LT(walked.size(), 100u);
    }
    std::vector<Oid> expected;
    for (quint32 column = CorvexMib::kFirstColumn; column <= CorvexMib::kLastColumn; ++column) {
        expected.push_back(Entry({column, 5}));
        const auto c = static_cast<Column>(column);
        if (c == Column::Name || c == Column::State || c == Column::Frames ||
            c == Column::MissedPolls || c == Column::FrameAge)
            expected.push_back(Entry({column, 9})); // the lost row: no readings
    }
    EXPECT_EQ(walked, expected);
}

TEST(UnitTable, NextFromAnywhereIsTheFirstServedCellAfterIt)
{
    const CUnitTable table = Table();
    const quint32 state = quint32(Column::State);
    const struct
    {
        Oid from;
        std::optional<Oid> next;
    } cases[] = {
        {CorvexMib::Module(), Entry({2, 5})},
        {{1, 3}, Entry({2, 5})},
        {Entry({}), Entry({2, 5})},
        {Entry({0}), Entry({2, 5})},
        {Entry({1, 7}), Entry({2, 5})}, // the index column is not accessible
        {Entry({2}), Entry({2, 5})},
        {Entry({2, 5}), Entry({2, 9})},
        {Entry({2, 6}), Entry({2, 9})},
        {Entry({2, 5, 0}), Entry({2, 9})},
        {Entry({2, 9}), Entry({state, 5})},
        {Entry({2, 4294967295}), Entry({state, 5})},
        {Entry({4, 5}), Entry({5, 5})},   // the lost row has no model
        {Entry({18, 5}), Entry({19, 5})}, // nor lamps
        {Entry({21, 5}), Entry({21, 9})},
        {Entry({21, 9}), std::nullopt}, // the end of the table
        {Entry({22}), std::nullopt},
        {Entry({99, 1}), std::nullopt},
        {{1, 3, 6, 1, 4, 1, CorvexMib::kEnterprise, 2}, std::nullopt}, // after the table
        {{1, 3, 6, 1, 4, 2}, std::nullopt},
    };
    for (const auto& c : cases) {
        const std::optional<CUnitTable::Cell> cell = table.Next(c.from);
        ASSERT_EQ(cell.has_value(), c.next.has_value()) << ::testing::PrintToString(c.from);
        if (cell) {
            EXPECT_EQ(cell->oid, *c.next) << ::testing::PrintToString(c.from);
        }
    }
}

TEST(UnitTable, GetTellsAMissingInstanceFromAMissingObject)
{
    const CUnitTable table = Table();
    using Miss = CUnitTable::Miss;
    const struct
    {
        Oid name;
        std::optional<Miss> miss; // nothing: a value
    } cases[] = {
        {Entry({2, 5}), std::nullopt},
        {Entry({6, 5}), std::nullopt},
        {Entry({2, 9}), std::nullopt},
        {Entry({6, 9}), Miss::NoSuchInstance}, // a reading of the lost unit
        {Entry({6, 7}), Miss::NoSuchInstance}, // no such row
        {Entry({6}), Miss::NoSuchInstance},
        {Entry({6, 5, 1}), Miss::NoSuchInstance},
        {Entry({1, 5}), Miss::NoSuchObject}, // the index column is not accessible
        {Entry({22, 5}), Miss::NoSuchObject},
        {Entry({}), Miss::NoSuchObject},
        {CorvexMib::UnitTable(), Miss::NoSuchObject},
    };
    for (const auto& c : cases) {
        const auto result = table.Get(c.name);
        if (c.miss) {
            const Miss* pMiss = std::get_if<Miss>(&result);
            ASSERT_TRUE(pMiss) << ::testing::PrintToString(c.name);
            EXPECT_EQ(*pMiss, *c.miss) << ::testing::PrintToString(c.name);
        } else
            EXPECT_TRUE(std::holds_alternative<CorvexMib::Value>(result))
                << ::testing::PrintToString(c.name);
    }
    const auto name = table.Get(Entry({2, 5}));
    EXPECT_EQ(std::get<CorvexMib::Value>(name).octets, QByteArray("online"));
}

} // namespace
