#pragma once

#include "CorvexMib.h"
#include "SnmpUnitRow.h"

#include <QStringList>

#include <optional>
#include <variant>
#include <vector>

// corvexUnitTable at one moment, as GET and GETNEXT see it: the rows in the order of their
// index, and each cell's value worked out only when it is asked for, so that a request costs a
// look-up rather than a pass over every cell of every unit.
class CUnitTable
{
public:
    // Why a GET finds nothing: no such column, or no such row or served cell in it.
    enum class Miss
    {
        NoSuchObject,
        NoSuchInstance
    };

    struct Cell
    {
        CorvexMib::Oid oid;
        CorvexMib::Value value;
    };

    // Rows whose index is not positive or repeats an earlier row's are left out (Dropped()).
    explicit CUnitTable(std::vector<SnmpUnitRow> rows);

    // The value of the cell that name names exactly.
    std::variant<CorvexMib::Value, Miss> Get(const CorvexMib::Oid& name) const;
    // The first served cell after name in the order of object identifiers; nothing past the
    // table's end.
    std::optional<Cell> Next(const CorvexMib::Oid& name) const;

    // The names of the rows left out.
    const QStringList& Dropped() const { return m_dropped; }

private:
    std::optional<Cell> FirstServed(quint32 column, std::optional<quint32> afterIndex) const;

    CorvexMib::Oid m_entry; // corvexUnitEntry
    std::vector<SnmpUnitRow> m_rows;
    QStringList m_dropped;
};
