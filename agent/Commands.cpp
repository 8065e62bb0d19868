#include "Commands.h"

#include "Protocol.h"

namespace {

constexpr int kPauseMs = 250;
constexpr int kMutePauseMs = 200;

const CommandInfo kCommands[] = {
    {"power_up", Command::PowerUp, kPauseMs, true},
    {"power_down", Command::PowerDown, kPauseMs, true},
    {"frequency_up", Command::FrequencyUp, kPauseMs, false},
    {"frequency_down", Command::FrequencyDown, kPauseMs, false},
    {"mute", Command::Mute, kMutePauseMs, false},
    {"unmute", Command::Unmute, kMutePauseMs, false},
    {"reset_alarms", Command::ResetAlarms, kPauseMs, false},
};

} // namespace

const CommandInfo* FindCommand(const QString& strName)
{
    for (const CommandInfo& command : kCommands) {
        if (strName == QLatin1String(command.pszName))
            return &command;
    }
    return nullptr;
}

const CommandInfo* FindCommandByte(quint8 byte)
{
    for (const CommandInfo& command : kCommands) {
        if (command.byte == byte)
            return &command;
    }
    return nullptr;
}

QJsonObject CommandEventValues(const QString& strCommand, const QString& strSource,
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
