#pragma once

#include <QtGlobal>

// The single-byte commands the panel sends; only Poll is answered, with one status frame.
namespace Command {
constexpr quint8 Poll = 'w', ResetAlarms = '6', Mute = 'o', Unmute = 'f', FrequencyUp = '1',
                 FrequencyDown = '2', PowerUp = '3', PowerDown = '4';

// The operator commands by the names that programs for unattended sites use. Mute and unmute
// are explicit: a caller never toggles on a state it may not know.
struct Named
{
    const char* pszName;
    quint8 byte;
};
constexpr Named kNamed[] = {{"power_up", PowerUp},
                            {"power_down", PowerDown},
                            {"frequency_up", FrequencyUp},
                            {"frequency_down", FrequencyDown},
                            {"mute", Mute},
                            {"unmute", Unmute},
                            {"reset_alarms", ResetAlarms}};
} // namespace Command

constexpr int kStatusFrameSize = 16;

// The line has no framing: a frame is there when exactly one frame's worth of bytes waits.
constexpr bool IsFrameAvailable(int nBytesWaiting)
{
    return nBytesWaiting == kStatusFrameSize;
}
