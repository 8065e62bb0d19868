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

QJsonObject AgentEvent::CommandValues(const QString& strCommand, const QString& strSource,
                                      const QString& strClient, const QString& strRefused)
{
    QJsonObject values{
        {QStringLiteral("command"), strCommand},
        {QStringLiteral("source"), strSource},
        {QStringLiteral("client"), strClient},
        {QStringLiteral("accepted"), strRefused.isEmpty()},
    };
    if (!strRefused.isEmpty())
        values.insert(QStringLiteral("reason"), strRefused);
    return values;
}
