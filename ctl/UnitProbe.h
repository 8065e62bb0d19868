#pragma once

#include "StatusFrame.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

// One exchange with a unit on its own line, opened for the exchange and closed after it: a poll
// and its reply, or a command followed by a poll. The unit takes bytes in order, so the reply
// to that poll shows that the command reached it; a serial-device server may otherwise drop
// the last bytes of a connection that closes at once. Where the frame shows the command's
// effect, polls go on until a reply shows it or the timeout passes.
class CUnitProbe
{
public:
    enum class Outcome
    {
        Ok,         // the reply was exactly one frame (that shows the effect, where asked)
        NoEffect,   // replies came, but none within the timeout showed the effect
        NoFrame,    // no valid frame within the timeout (or more than one frame's bytes)
        NotWritten, // a byte did not reach the line within the link's write limit
        NotOpened   // the port did not open
    };

    struct Result
    {
        Outcome outcome = Outcome::NotOpened;
        StatusFrame frame; // the last reply, for Ok and NoEffect
        QString strError;  // for NotOpened, NotWritten and NoFrame: what happened
    };

    using EffectShown = std::function<bool(const StatusFrame&)>;

    // Sends the command byte, if any, then the poll, and waits at most nTimeoutMs for the
    // reply: exactly 16 bytes. With fnEffectShown, polls again every 100 ms until a reply
    // satisfies it, within the same nTimeoutMs.
    static Result Exchange(const QString& strPort, std::optional<quint8> command, int nTimeoutMs,
                           const EffectShown& fnEffectShown = nullptr);
};
