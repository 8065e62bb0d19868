#include "UnitProbe.h"

#include "ComLink.h"
#include "Protocol.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <array>

namespace {

constexpr int kBaudRate = 9600;
constexpr int kCheckIntervalMs = 5;
constexpr int kPollPeriodMs = 100;
constexpr int kMaxTextLength = 80;

CUnitProbe::Result Failure(CUnitProbe::Outcome outcome, const QString& strError)
{
    CUnitProbe::Result result;
    result.outcome = outcome;
    result.strError = strError;
    return result;
}

// What waits on the line when it reads as one line of text (a serial-device server that
// refuses the connection says why), as ": \"text\""; empty otherwise.
QString TextOf(CComLink& link)
{
    std::array<quint8, kMaxTextLength + 1> bytes{};
    const int nRead = link.Read(bytes.data(), int(bytes.size()));
    QByteArray text(reinterpret_cast<const char*>(bytes.data()), nRead);
    text = text.trimmed();
    const bool bPrintable =
        std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= ' ' && c <= '~'; });
    if (text.isEmpty() || !bPrintable || nRead > kMaxTextLength)
        return QString();
    return QStringLiteral(": \"%1\"").arg(QString::fromLatin1(text));
}

} // namespace

CUnitProbe::Result CUnitProbe::Exchange(const QString& strPort, std::optional<quint8> command,
                                        int nTimeoutMs, const EffectShown& fnEffectShown)
{
    CComLink link;
    if (!link.Open(strPort, kBaudRate)) {
        QString strError = QStringLiteral("%1 does not open: %2").arg(strPort, link.ErrorString());
        if (link.IsHeld())
            strError += QStringLiteral("; where corvex-agent owns the line, its shared line "
                                       "(tcp:HOST:PORT) or its HTTP API reaches the unit");
        return Failure(Outcome::NotOpened, strError);
    }
    const QString strNotWritten = QStringLiteral("%1 took no byte within 1000 ms").arg(strPort);
    if (command && !link.WriteByte(*command))
        return Failure(Outcome::NotWritten, strNotWritten);
    const QDeadlineTimer deadline(nTimeoutMs);
    Result result;
    for (;;) {
        if (!link.WriteByte(Command::Poll))
            return Failure(Outcome::NotWritten, strNotWritten);
        // The link counts what the system holds too, so no event loop needs to run meanwhile.
        int nWaiting = link.BytesWaiting();
        while (nWaiting < kStatusFrameSize && !deadline.hasExpired()) {
            QThread::msleep(kCheckIntervalMs);
            nWaiting = link.BytesWaiting();
        }
        std::array<quint8, kStatusFrameSize> bytes{};
        if (!IsFrameAvailable(nWaiting) ||
            link.Read(bytes.data(), kStatusFrameSize) != kStatusFrameSize) {
            if (result.outcome == Outcome::NoEffect)
                return result;
            const QString strError =
                nWaiting > kStatusFrameSize
                    ? QStringLiteral("%1 bytes arrived from %2, not one 16-byte frame")
                          .arg(nWaiting)
                          .arg(strPort)
                    : QStringLiteral("no valid frame from %1 within %2 ms (%3 bytes arrived)")
                          .arg(strPort)
                          .arg(nTimeoutMs)
                          .arg(nWaiting);
            return Failure(Outcome::NoFrame, strError + TextOf(link));
        }
        result.frame = StatusFrame::Decode(bytes.data());
        result.outcome =
            !fnEffectShown || fnEffectShown(result.frame) ? Outcome::Ok : Outcome::NoEffect;
        // A shared line may answer from a frame polled before the command reached the unit.
        if (result.outcome == Outcome::Ok || deadline.remainingTime() < kPollPeriodMs)
            return result;
        QThread::msleep(kPollPeriodMs);
    }
}
