#pragma once

#include "AgentConfig.h"
#include "ComLink.h"
#include "Protocol.h"
#include "StatusFrame.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>

// One unit on its line, polled with the panel's protocol from the agent's event loop: a poll
// "w", and at each tick a frame when exactly 16 bytes wait. Nothing here waits for the line:
// a connection to a serial-device server is made in the loop, the link writes without
// blocking (a line that does not take a byte at once refuses it), and one poll is in flight at
// a time.
//
// States: Connecting until the first frame (the port does not open, or opens and stays
// silent), Online while frames arrive, Lost once the miss limit is reached after having been
// online. Leaving Online closes the port; every failed attempt (a port that does not open, or
// that gives no frame within the miss limit) waits before the next, from 1 s doubling to 30 s,
// and a frame resets the wait.
//
// Unlike the panel, which polls again only after a frame, a poll that has had no answer for
// kRepollTicks ticks counts as lost: whatever waits is discarded and a new poll goes out, so
// one lost reply or a stray byte costs a second, not the link.
class CUnitPoller : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Connecting,
        Online,
        Lost
    };

    enum class CommandResult
    {
        Written,        // the byte went to the line
        NotOnline,      // refused: the unit is not online
        NoPowerButtons, // refused: a power command to a unit whose row has none
        Busy,           // refused: an earlier command's pause has not passed
        QueueFull,      // refused: too many commands wait
        LineFailed      // refused: the line did not take the byte
    };

    static constexpr int kBaudRate = 9600;
    static constexpr int kFirstBackoffMs = 1000;
    static constexpr int kMaxBackoffMs = 30000;
    static constexpr int kRepollTicks = 10;
    static constexpr int kMaxQueuedCommands = 8;

    static QString StateName(State state);
    static QString Refusal(CommandResult result);

    explicit CUnitPoller(const UnitConfig& config, QObject* pParent = nullptr);
    ~CUnitPoller() override;

    // Makes the first attempt to open the port.
    void Start();

    const UnitConfig& Config() const { return m_config; }
    const QString& Name() const { return m_config.strName; }
    State GetState() const { return m_state; }
    // When the state last changed, UTC milliseconds since 1970.
    qint64 StateSinceMs() const { return m_nStateSinceMs; }
    bool HasFrame() const { return m_sinceFrame.isValid(); }
    // The last frame read (all zero before the first).
    const StatusFrame& Frame() const { return m_frame; }
    const QByteArray& FrameBytes() const { return m_frameBytes; }
    // Milliseconds since the last frame was read; -1 before the first.
    qint64 FrameAgeMs() const { return HasFrame() ? m_sinceFrame.elapsed() : -1; }
    quint64 Frames() const { return m_nFrames; }
    quint64 MissedPolls() const { return m_nMissedPolls; }
    // The wait before the next attempt to open, after the current one fails.
    int BackoffMs() const { return m_nBackoffMs; }

    // Writes the command's byte now, if the unit is online, the command fits its row and no
    // earlier command's pause is running. Every call ends in one CommandDone.
    CommandResult SendCommand(const Command::Named& command, const QString& strSource,
                              const QString& strClient);
    // The same, but a command that meets a running pause waits for it (at most
    // kMaxQueuedCommands wait), so that commands from several clients keep the panel's pacing.
    CommandResult QueueCommand(const Command::Named& command, const QString& strSource,
                               const QString& strClient);

signals:
    // A frame was read; Frame() holds it. Comes after StateChanged when it brings the unit online.
    void FrameRead();
    void StateChanged(CUnitPoller::State from, CUnitPoller::State to);
    // A command was written (strRefused empty) or refused.
    void CommandDone(const QString& strCommand, const QString& strSource, const QString& strClient,
                     const QString& strRefused);

private:
    struct QueuedCommand
    {
        const Command::Named* pCommand;
        QString strSource;
        QString strClient;
    };

    void TryOpen();
    void OnOpenEnded();
    void OpenFailed();
    void OnTick();
    void OnFrame(const quint8* pBytes);
    void GiveUp(const QString& strWhy);
    void RetryLater(const QString& strWhy);
    void SetState(State state);
    void WritePoll();
    void DiscardWaiting();
    CommandResult Check(const Command::Named& command) const;
    CommandResult Write(const Command::Named& command, const QString& strSource,
                        const QString& strClient);
    int PauseLeftMs() const;
    void OnCommandTimer();
    void Report(const QString& strMessage, bool bWarning);

    UnitConfig m_config;
    CComLink m_link;
    State m_state = State::Connecting;
    qint64 m_nStateSinceMs = 0;
    StatusFrame m_frame;
    QByteArray m_frameBytes;
    QElapsedTimer m_sinceFrame;
    quint64 m_nFrames = 0;
    quint64 m_nMissedPolls = 0;
    int m_nMissesInRow = 0;
    int m_nTicksSincePoll = 0;
    int m_nBackoffMs = kFirstBackoffMs;
    QString m_strLastReport; // the last problem logged, so that a repeated one is logged once
    QTimer m_timerTick;
    QTimer m_timerRetry;
    QTimer m_timerCommand;
    QElapsedTimer m_sinceCommand;
    int m_nPauseMs = 0;
    std::deque<QueuedCommand> m_queue;
};
