#pragma once

#include <QJsonObject>
#include <QString>
#include <QtGlobal>

// One thing that happened to a unit and matters to an operator: a link lost or restored, a
// model change, an alarm, the PLL lock, the carrier's mute, a command.
struct AgentEvent
{
    qint64 nId = 0;     // increasing over the life of the event store
    qint64 nTimeMs = 0; // UTC, milliseconds since 1970
    QString strUnit;
    QString strKind;    // "link_lost", "alarm_raised", "command", ...
    QJsonObject values; // what changed, as the kind defines

    // {"id", "time" (ISO 8601 UTC with milliseconds), "unit", "kind", "values"}.
    QJsonObject ToJson() const;

    // The values of a "command" event; strRefused empty when the byte was written.
    static QJsonObject CommandValues(const QString& strCommand, const QString& strSource,
                                     const QString& strClient, const QString& strRefused);
};
