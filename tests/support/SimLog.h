#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vector>

// One byte the simulator received, as its --log records it: "1532 w 0x77".
struct SimLogEntry
{
    qint64 nMs; // since the simulator started
    quint8 byte;
};

inline std::vector<SimLogEntry> ReadSimLog(const QString& strPath)
{
    std::vector<SimLogEntry> entries;
    QFile log(strPath);
    if (!log.open(QIODevice::ReadOnly))
        return entries;
    while (!log.atEnd()) {
        const QByteArray line = log.readLine().trimmed();
        const qsizetype nHex = line.lastIndexOf("0x");
        if (nHex < 0)
            continue;
        const qint64 nMs = line.left(line.indexOf(' ')).toLongLong();
        entries.push_back({nMs, static_cast<quint8>(line.mid(nHex + 2).toInt(nullptr, 16))});
    }
    return entries;
}

// The bytes the simulator received, in order.
inline QByteArray SimLogBytes(const QString& strPath)
{
    QByteArray bytes;
    for (const SimLogEntry& entry : ReadSimLog(strPath))
        bytes += char(entry.byte);
    return bytes;
}
