#pragma once

#include <QJsonObject>
#include <QString>
#include <QtGlobal>

// The operator commands by the names the API uses, with the byte each sends and the pause the
// panel holds after it. Mute and unmute are separate names: nothing toggles on a stale state.
struct CommandInfo
{
    const char* pszName;
    quint8 byte;
    int nPauseMs;
    bool bPower; // refused for a unit whose row has no power buttons
};

// The command of that name, or null.
const CommandInfo* FindCommand(const QString& strName);
// The command that sends this byte, or null (the poll is no command).
const CommandInfo* FindCommandByte(quint8 byte);
// The values of a "command" event; strRefused empty when the byte was written.
QJsonObject CommandEventValues(const QString& strCommand, const QString& strSource,
                               const QString& strClient, const QString& strRefused);
