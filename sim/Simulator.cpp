#include "Simulator.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kDrainCheckMs = 10;
constexpr int kDrainLimitMs = 1000;
// A flood of polls with a long reply delay must not pile up timers without end.
constexpr int kMaxRepliesDue = 1024;

QByteArray RandomBytes(int count)
{
    QByteArray bytes(count, '\0');
    for (char& b : bytes)
        b = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

CSimulator::CSimulator(const SimOptions& options, QObject* parent)
    : QObject(parent), m_options(options), m_live(quint32(options.seed))
{
    connect(&m_notifier, &QSocketNotifier::activated, this, &CSimulator::OnReadable);
    m_drainTimer.setInterval(kDrainCheckMs);
    connect(&m_drainTimer, &QTimer::timeout, this, &CSimulator::HangUpWhenDrained);
}

CSimulator::~CSimulator()
{
    Stop();
}

bool CSimulator::Start()
{
    m_clock.start();
    if (m_options.device.isEmpty()) {
        if (!m_pty.Open()) {
            m_strError = QStringLiteral("cannot make a pseudo-terminal: ") + m_pty.ErrorString();
            return false;
        }
        m_fdLine = m_pty.MasterFd();
        m_strLinePath = m_pty.SlavePath();
    } else if (!OpenDevice()) {
        return false;
    }

    if (!m_options.linkPath.isEmpty() && !MakeLink()) {
        Stop();
        return false;
    }
    if (!m_options.logPath.isEmpty()) {
        m_log.setFileName(m_options.logPath);
        if (!m_log.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_strError = m_options.logPath + QStringLiteral(": ") + m_log.errorString();
            Stop();
            return false;
        }
    }

    m_notifier.setSocket(m_fdLine);
    m_notifier.setEnabled(true);
    return true;
}

bool CSimulator::OpenDevice()
{
    const QByteArray path = QFile::encodeName(m_options.device);
    m_fdDevice = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fdDevice < 0) {
        m_strError = m_options.device + QStringLiteral(": ") + SystemError();
        return false;
    }
    if (!CPty::SetRaw(m_fdDevice)) {
        m_strError = m_options.device + QStringLiteral(": not a terminal");
        ::close(m_fdDevice);
        m_fdDevice = -1;
        return false;
    }
    // Bytes that came in before the simulator started are no polls of its own.
    ::tcflush(m_fdDevice, TCIFLUSH);
    m_fdLine = m_fdDevice;
    // Absolute, so that the symbolic link points at it from any directory.
    m_strLinePath = QFileInfo(m_options.device).absoluteFilePath();
    return true;
}

bool CSimulator::MakeLink()
{
    const QString& link = m_options.linkPath;
    const QFileInfo info(link);
    if (info.isSymLink()) {
        QFile::remove(link);
    } else if (info.exists()) {
        m_strError = link + QStringLiteral(": exists and is not a symbolic link");
        return false;
    }
    if (::symlink(QFile::encodeName(m_strLinePath).constData(),
                  QFile::encodeName(link).constData()) != 0) {
        m_strError = link + QStringLiteral(": ") + SystemError();
        return false;
    }
    m_strLinkMade = link;
    return true;
}

void CSimulator::Stop()
{
    m_notifier.setEnabled(false);
    m_drainTimer.stop();
    // Only our own link goes: someone may have pointed the name elsewhere meanwhile.
    if (!m_strLinkMade.isEmpty() && QFile::symLinkTarget(m_strLinkMade) == m_strLinePath)
        QFile::remove(m_strLinkMade);
    m_strLinkMade.clear();
    m_pty.CloseMaster();
    if (m_fdDevice >= 0) {
        ::close(m_fdDevice);
        m_fdDevice = -1;
    }
    m_fdLine = -1;
    m_log.close();
}

void CSimulator::OnReadable()
{
    quint8 buffer[256];
    // A hang-up that starts while these bytes are taken ends the reading.
    const auto listening = [this] { return m_fdLine >= 0 && !m_bHangingUp; };
    while (listening()) {
        const ssize_t n = ::read(m_fdLine, buffer, sizeof buffer);
        if (n > 0) {
            for (ssize_t i = 0; i < n && listening(); ++i)
                OnByte(buffer[i]);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            return;
        } else {
            // End of file or EIO: the terminal hung up (only a --device line can do this,
            // the pseudo-terminal keeps its own slave side open).
            m_strError = m_strLinePath + QStringLiteral(": the line hung up");
            Stop();
            emit Finished(1);
            return;
        }
    }
}

void CSimulator::OnByte(quint8 byte)
{
    LogByte(byte);
    if (byte == 'w')
        AnswerPoll();
    else
        m_options.state.Apply(byte);
}

void CSimulator::AnswerPoll()
{
    ++m_nPolls;
    if (m_options.silent)
        return;
    if (m_options.dropEvery > 0 && m_nPolls % m_options.dropEvery == 0)
        return;
    if (m_nRepliesDue >= kMaxRepliesDue)
        return;
    ++m_nRepliesDue;

    const UnitState::Frame frame =
        (m_options.live ? m_live.Next(m_options.state) : m_options.state).ToFrame();
    const QByteArray reply =
        m_options.garbage
            ? RandomBytes(UnitState::kFrameSize)
            : QByteArray(reinterpret_cast<const char*>(frame.data()), UnitState::kFrameSize);
    const QByteArray stray = RandomBytes(m_options.extraBytes);
    if (m_options.splitMs < 0) {
        SendAfter(m_options.replyDelayMs, reply + stray, true);
    } else {
        const int half = UnitState::kFrameSize / 2;
        SendAfter(m_options.replyDelayMs, reply.left(half), false);
        SendAfter(m_options.replyDelayMs + m_options.splitMs, reply.mid(half) + stray, true);
    }
}

void CSimulator::SendAfter(int delayMs, const QByteArray& bytes, bool endsReply)
{
    if (delayMs == 0)
        Send(bytes, endsReply);
    else
        QTimer::singleShot(delayMs, Qt::PreciseTimer, this,
                           [this, bytes, endsReply] { Send(bytes, endsReply); });
}

void CSimulator::Send(const QByteArray& bytes, bool endsReply)
{
    if (endsReply)
        --m_nRepliesDue;
    if (m_fdLine < 0 || m_bHangingUp)
        return;
    // A line that nobody drains drops what does not fit, as a real one would.
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_fdLine, bytes.constData() + written,
                                  static_cast<size_t>(bytes.size() - written));
        if (n > 0)
            written += n;
        else if (!(n < 0 && errno == EINTR))
            break;
    }
    if (!endsReply)
        return;
    ++m_nReplies;
    if (m_options.hangupAfter > 0 && m_nReplies >= m_options.hangupAfter) {
        // Closing at once would discard the last reply with the line: let it be read first.
        m_bHangingUp = true;
        m_notifier.setEnabled(false);
        m_drainDeadline.setRemainingTime(kDrainLimitMs);
        m_drainTimer.start();
    }
}

void CSimulator::HangUpWhenDrained()
{
    if (BytesUnsent() > 0 && !m_drainDeadline.hasExpired())
        return;
    Stop();
    emit Finished(0);
}

int CSimulator::BytesUnsent() const
{
    if (m_pty.IsOpen())
        return m_pty.SlaveBytesWaiting();
    int count = 0;
    if (m_fdDevice < 0 || ::ioctl(m_fdDevice, TIOCOUTQ, &count) != 0)
        return 0;
    return count;
}

void CSimulator::LogByte(quint8 byte)
{
    if (!m_log.isOpen())
        return;
    const char shown = byte > 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
    m_log.write(QByteArray::number(m_clock.elapsed()) + ' ' + shown + " 0x" +
                QByteArray::number(byte, 16).rightJustified(2, '0') + '\n');
    m_log.flush();
}
