#include "AgentEvent.h"

#include <QDateTime>

QJsonObject AgentEvent::ToJson() const
{
    return QJsonObject{
        {QStringLiteral("id"), nId},
        {QStringLiteral("time"),
         QDateTime::fromMSecsSinceEpoch(nTimeMs, Qt::UTC).toString(Qt::ISODateWithMs)},
        {QStringLiteral("unit"), strUnit},
        {QStringLiteral("kind"), strKind},
        {QStringLiteral("values"), values},
    };
}
