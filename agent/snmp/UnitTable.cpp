#include "UnitTable.h"

#include <algorithm>
#include <set>

namespace {

bool IsColumn(quint32 column)
{
    return column >= CorvexMib::kFirstColumn && column <= CorvexMib::kLastColumn;
}

} // namespace

CUnitTable::CUnitTable(std::vector<SnmpUnitRow> rows) : m_entry(CorvexMib::UnitTable())
{
    m_entry.push_back(1);
    std::set<qint32> seen;
    for (SnmpUnitRow& row : rows) {
        if (row.nIndex <= 0 || !seen.insert(row.nIndex).second) {
            m_dropped << row.strName;
            continue;
        }
        m_rows.push_back(std::move(row));
    }
    std::sort(m_rows.begin(), m_rows.end(),
              [](const SnmpUnitRow& a, const SnmpUnitRow& b) { return a.nIndex < b.nIndex; });
}

std::variant<CorvexMib::Value, CUnitTable::Miss> CUnitTable::Get(const CorvexMib::Oid& name) const
{
    const size_t nEntry = m_entry.size();
    if (name.size() <= nEntry || !std::equal(m_entry.begin(), m_entry.end(), name.begin()) ||
        !IsColumn(name[nEntry]))
        return Miss::NoSuchObject;
    if (name.size() != nEntry + 2)
        return Miss::NoSuchInstance;
    const quint32 index = name[nEntry + 1];
    const auto it =
        std::lower_bound(m_rows.begin(), m_rows.end(), index,
                         [](const SnmpUnitRow& row, quint32 n) { return quint32(row.nIndex) < n; });
    if (it == m_rows.end() || quint32(it->nIndex) != index)
        return Miss::NoSuchInstance;
    if (std::optional<CorvexMib::Value> value =
            CorvexMib::CellValue(*it, static_cast<CorvexMib::Column>(name[nEntry])))
        return std::move(*value);
    return Miss::NoSuchInstance;
}

std::optional<CUnitTable::Cell> CUnitTable::Next(const CorvexMib::Oid& name) const
{
    const size_t nEntry = m_entry.size();
    const auto [itEntry, itName] =
        std::mismatch(m_entry.begin(), m_entry.end(), name.begin(), name.end());
    if (itEntry != m_entry.end()) {
        // name lies outside the entry: after it, or before it (an ancestor included).
        if (itName != name.end() && *itName > *itEntry)
            return std::nullopt;
        return FirstServed(CorvexMib::kFirstColumn, std::nullopt);
    }
    if (name.size() == nEntry || name[nEntry] < CorvexMib::kFirstColumn)
        return FirstServed(CorvexMib::kFirstColumn, std::nullopt);
    if (name[nEntry] > CorvexMib::kLastColumn)
        return std::nullopt;
    // column.index and anything below it sort before column.nextIndex.
    std::optional<quint32> afterIndex;
    if (name.size() > nEntry + 1)
        afterIndex = name[nEntry + 1];
    return FirstServed(name[nEntry], afterIndex);
}

std::optional<CUnitTable::Cell> CUnitTable::FirstServed(quint32 column,
                                                        std::optional<quint32> afterIndex) const
{
    for (; column <= CorvexMib::kLastColumn; ++column, afterIndex.reset()) {
        auto it = m_rows.begin();
        if (afterIndex)
            it = std::upper_bound(
                m_rows.begin(), m_rows.end(), *afterIndex,
                [](quint32 n, const SnmpUnitRow& row) { return n < quint32(row.nIndex); });
        for (; it != m_rows.end(); ++it) {
            const auto c = static_cast<CorvexMib::Column>(column);
            if (std::optional<CorvexMib::Value> value = CorvexMib::CellValue(*it, c)) {
                CorvexMib::Oid oid = CorvexMib::ColumnOid(c);
                oid.push_back(quint32(it->nIndex));
                return Cell{std::move(oid), std::move(*value)};
            }
        }
    }
    return std::nullopt;
}
