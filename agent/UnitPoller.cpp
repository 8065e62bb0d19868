#include "UnitPoller.h"

#include "Protocol.h"

#include <QDateTime>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcUnit, "corvex.agent.unit", QtInfoMsg)

QString CUnitPoller::StateName(State state)
{
    switch (state) {
    case State::Connecting:
        return QStringLiteral("connecting");
    case State::Online:
        return QStringLiteral("online");
    case State::Lost:
        break;
    }
    return QStringLiteral("lost");
}

QString CUnitPoller::Refusal(CommandResult result)
{
    switch (result) {
    case CommandResult::Written:
        return QString();
    case CommandResult::NotOnline:
        return QStringLiteral("the unit is not online");
    case CommandResult::NoPowerButtons:
        return QStringLiteral("the unit has no power buttons");
    case CommandResult::Busy:
        return QStringLiteral("the pause after the previous command has not passed");
    case CommandResult::QueueFull:
        return QStringLiteral("too many commands are waiting");
    case CommandResult::LineFailed:
        break;
    }
    return QStringLiteral("the line did not take the byte");
}

CUnitPoller::CUnitPoller(const UnitConfig& config, QObject* pParent)
    : QObject(pParent), m_config(config), m_nStateSinceMs(QDateTime::currentMSecsSinceEpoch())
{
    // A line that does not take a byte at once refuses it: nothing on the loop waits for room.
    m_link.SetNonBlocking(true);
    // Qt lines up coarse timers of one period (within 5 % of it), so the loop wakes once a tick
    // for every unit instead of once per unit: with many units each wake-up, which polls every
    // descriptor, is what costs. The frame rule needs no finer tick than that.
    m_timerTick.setTimerType(Qt::CoarseTimer);
    connect(&m_timerTick, &QTimer::timeout, this, &CUnitPoller::OnTick);
    m_timerRetry.setSingleShot(true);
    // The back-off is the documented 1, 2, 4 ... s, not 5 % less.
    m_timerRetry.setTimerType(Qt::PreciseTimer);
    connect(&m_timerRetry, &QTimer::timeout, this, &CUnitPoller::TryOpen);
    m_timerCommand.setSingleShot(true);
    connect(&m_timerCommand, &QTimer::timeout, this, &CUnitPoller::OnCommandTimer);
}

CUnitPoller::~CUnitPoller() = default;

void CUnitPoller::Start()
{
    TryOpen();
}

void CUnitPoller::TryOpen()
{
    // A connection to a serial-device server is made in the loop; the ticks look for its end.
    if (!m_link.BeginOpen(m_config.strPort, kBaudRate)) {
        OpenFailed();
        return;
    }
    m_nMissesInRow = 0;
    m_timerTick.start(m_config.nPollMs);
    if (!m_link.IsOpening())
        OnOpenEnded();
}

void CUnitPoller::OnOpenEnded()
{
    if (!m_link.FinishOpen()) {
        m_timerTick.stop();
        OpenFailed();
        return;
    }
    WritePoll();
}

void CUnitPoller::OpenFailed()
{
    RetryLater(QStringLiteral("%1 does not open: %2").arg(m_config.strPort, m_link.ErrorString()));
}

void CUnitPoller::OnTick()
{
    if (m_link.IsOpening())
        return;
    if (!m_link.IsOpen()) {
        OnOpenEnded();
        return;
    }
    if (IsFrameAvailable(m_link.BytesWaiting())) {
        quint8 bytes[kStatusFrameSize];
        if (m_link.Read(bytes, kStatusFrameSize) == kStatusFrameSize) {
            OnFrame(bytes);
            return;
        }
    }
    ++m_nMissedPolls;
    ++m_nMissesInRow;
    if (m_nMissesInRow >= m_config.nMissLimit) {
        GiveUp(QStringLiteral("no frame in %1 polls").arg(m_nMissesInRow));
        return;
    }
    if (++m_nTicksSincePoll >= kRepollTicks) {
        DiscardWaiting();
        WritePoll();
    }
}

void CUnitPoller::OnFrame(const quint8* pBytes)
{
    m_frame = StatusFrame::Decode(pBytes);
    m_frameBytes = QByteArray(reinterpret_cast<const char*>(pBytes), kStatusFrameSize);
    m_sinceFrame.start();
    ++m_nFrames;
    m_nMissesInRow = 0;
    WritePoll();
    if (m_state != State::Online) {
        m_nBackoffMs = kFirstBackoffMs;
        m_strLastReport.clear();
        qCInfo(lcUnit).noquote() << QStringLiteral("unit %1: online on %2 (%3, code %4)")
                                        .arg(Name(), m_config.strPort,
                                             QLatin1String(m_frame.Unit().pszName))
                                        .arg(m_frame.unitType);
        SetState(State::Online);
    }
    emit FrameRead();
}

void CUnitPoller::GiveUp(const QString& strWhy)
{
    m_timerTick.stop();
    m_link.Close();
    while (!m_queue.empty()) {
        const QueuedCommand queued = m_queue.front();
        m_queue.pop_front();
        emit CommandDone(QLatin1String(queued.pCommand->pszName), queued.strSource,
                         queued.strClient, Refusal(CommandResult::NotOnline));
    }
    m_timerCommand.stop();
    if (m_state == State::Online) {
        SetState(State::Lost);
        RetryLater(QStringLiteral("link lost, ") + strWhy);
        return;
    }
    RetryLater(strWhy);
}

void CUnitPoller::RetryLater(const QString& strWhy)
{
    Report(QStringLiteral("%1; trying again in %2 s").arg(strWhy).arg(m_nBackoffMs / 1000),
           m_state != State::Connecting);
    m_timerRetry.start(m_nBackoffMs);
    m_nBackoffMs = std::min(m_nBackoffMs * 2, kMaxBackoffMs);
}

void CUnitPoller::SetState(State state)
{
    const State from = m_state;
    m_state = state;
    m_nStateSinceMs = QDateTime::currentMSecsSinceEpoch();
    emit StateChanged(from, state);
}

void CUnitPoller::WritePoll()
{
    m_link.WriteByte(Command::Poll);
    m_nTicksSincePoll = 0;
}

void CUnitPoller::DiscardWaiting()
{
    quint8 scratch[256];
    for (int nWaiting = m_link.BytesWaiting(); nWaiting > 0; nWaiting = m_link.BytesWaiting()) {
        if (m_link.Read(scratch, int(sizeof scratch)) <= 0)
            break;
    }
}

CUnitPoller::CommandResult CUnitPoller::Check(const Command::Named& command) const
{
    if (m_state != State::Online)
        return CommandResult::NotOnline;
    if (command.bPower && !m_frame.Unit().bPowerButtons)
        return CommandResult::NoPowerButtons;
    return CommandResult::Written;
}

CUnitPoller::CommandResult CUnitPoller::SendCommand(const Command::Named& command,
                                                    const QString& strSource,
                                                    const QString& strClient)
{
    CommandResult result = Check(command);
    if (result == CommandResult::Written && (!m_queue.empty() || PauseLeftMs() > 0))
        result = CommandResult::Busy;
    if (result != CommandResult::Written) {
        emit CommandDone(QLatin1String(command.pszName), strSource, strClient, Refusal(result));
        return result;
    }
    return Write(command, strSource, strClient);
}

CUnitPoller::CommandResult CUnitPoller::QueueCommand(const Command::Named& command,
                                                     const QString& strSource,
                                                     const QString& strClient)
{
    CommandResult result = Check(command);
    if (result == CommandResult::Written && int(m_queue.size()) >= kMaxQueuedCommands)
        result = CommandResult::QueueFull;
    if (result != CommandResult::Written) {
        emit CommandDone(QLatin1String(command.pszName), strSource, strClient, Refusal(result));
        return result;
    }
    if (m_queue.empty() && PauseLeftMs() == 0)
        return Write(command, strSource, strClient);
    m_queue.push_back({&command, strSource, strClient});
    if (!m_timerCommand.isActive())
        m_timerCommand.start(PauseLeftMs());
    return CommandResult::Written;
}

CUnitPoller::CommandResult CUnitPoller::Write(const Command::Named& command,
                                              const QString& strSource, const QString& strClient)
{
    const CommandResult result =
        m_link.WriteByte(command.byte) ? CommandResult::Written : CommandResult::LineFailed;
    if (result == CommandResult::Written) {
        m_sinceCommand.start();
        m_nPauseMs = command.nPauseMs;
    }
    emit CommandDone(QLatin1String(command.pszName), strSource, strClient, Refusal(result));
    return result;
}

int CUnitPoller::PauseLeftMs() const
{
    if (!m_sinceCommand.isValid())
        return 0;
    return int(std::max<qint64>(m_nPauseMs - m_sinceCommand.elapsed(), 0));
}

void CUnitPoller::OnCommandTimer()
{
    if (m_queue.empty())
        return;
    const int nLeft = PauseLeftMs();
    if (nLeft > 0) {
        m_timerCommand.start(nLeft);
        return;
    }
    const QueuedCommand queued = m_queue.front();
    m_queue.pop_front();
    const CommandResult result = Check(*queued.pCommand);
    if (result == CommandResult::Written)
        Write(*queued.pCommand, queued.strSource, queued.strClient);
    else
        emit CommandDone(QLatin1String(queued.pCommand->pszName), queued.strSource,
                         queued.strClient, Refusal(result));
    if (!m_queue.empty())
        m_timerCommand.start(PauseLeftMs());
}

void CUnitPoller::Report(const QString& strMessage, bool bWarning)
{
    // A port that stays away would otherwise repeat the same line every 30 s.
    const QString strProblem = strMessage.section(QLatin1Char(';'), 0, 0);
    if (strProblem == m_strLastReport)
        return;
    m_strLastReport = strProblem;
    const QString strLine = QStringLiteral("unit %1: %2").arg(Name(), strMessage);
    if (bWarning)
        qCWarning(lcUnit).noquote() << strLine;
    else
        qCInfo(lcUnit).noquote() << strLine;
}
