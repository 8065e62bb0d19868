#include "SnmpUnitRow.h"

#include <set>

namespace {

constexpr quint32 kMaxIndex = 2147483647; // the largest Integer32, the top of the MIB's range

// FNV-1a, 32 bits: fixed, simple, and well spread over short strings.
quint32 Fnv1a(const QByteArray& bytes)
{
    quint32 hash = 2166136261u;
    for (const char c : bytes) {
        hash ^= static_cast<quint8>(c);
        hash *= 16777619u;
    }
    return hash;
}

} // namespace

std::vector<qint32> SnmpUnitRow::Indexes(const QStringList& strNames)
{
    std::vector<qint32> indexes;
    std::set<quint32> taken;
    for (const QString& strName : strNames) {
        quint32 index = Fnv1a(strName.toUtf8()) % kMaxIndex + 1;
        while (!taken.insert(index).second)
            index = index % kMaxIndex + 1;
        indexes.push_back(static_cast<qint32>(index));
    }
    return indexes;
}
