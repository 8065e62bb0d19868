#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The single-byte commands the panel sends; only Poll is answered, with one status frame.
namespace Command {
constexpr quint8 Poll = 'w', ResetAlarms = '6', Mute = 'o', Unmute = 'f', FrequencyUp = '1',
                 FrequencyDown = '2', PowerUp = '3', PowerDown = '4';

// The pause after a command before the unit takes the next: 250 ms, 200 ms after mute or unmute.
constexpr int kPauseMs = 250, kMutePauseMs = 200;

// The operator commands by the names that programs for unattended sites use. Mute and unmute
// are explicit: a caller never toggles on a state it may not know.
struct Named
{
    const char* pszName;
    quint8 byte;
    int nPauseMs;
    bool bPower; // only for a unit whose row has power buttons
};
constexpr Named kNamed[] = {{"power_up", PowerUp, kPauseMs, true},
                            {"power_down", PowerDown, kPauseMs, true},
                            {"frequency_up", FrequencyUp, kPauseMs, false},
                            {"frequency_down", FrequencyDown, kPauseMs, false},
                            {"mute", Mute, kMutePauseMs, false},
                            {"unmute", Unmute, kMutePauseMs, false},
                            {"reset_alarms", ResetAlarms, kPauseMs, false}};

// The command of that name, or null.
inline const Named* Find(const QString& strName)
{
    for (const Named& command : kNamed) {
        if (strName == QLatin1String(command.pszName))
            return &command;
    }
    return nullptr;
}

// Every name, for messages: "power_up, power_down, ...".
inline QString Names()
{
    QStringList names;
    for (const Named& command : kNamed)
        names << QLatin1String(command.pszName);
    return names.join(QLatin1String(", "));
}

// The command that sends this byte, or null (the poll is no command).
inline const Named* Find(quint8 byte)
{
    for (const Named& command : kNamed) {
        if (command.byte == byte)
            return &command;
    }
    return nullptr;
}
} // namespace Command

constexpr int kStatusFrameSize = 16;

// The line has no framing: a frame is there when exactly one frame's worth of bytes waits.
constexpr bool IsFrameAvailable(int nBytesWaiting)
{
    return nBytesWaiting == kStatusFrameSize;
}
