#include "LinkTransport.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcLink, "corvex.link", QtWarningMsg)

CLinkTransport::~CLinkTransport() = default;

int CLinkTransport::BytesWaiting()
{
    if (m_state == State::Open) {
        const int nSystem = SystemBytes();
        if (nSystem >= 0)
            return int(std::min<qint64>(Device().bytesAvailable() + nSystem, INT_MAX));
        DropDevice();
    }
    return m_state == State::Gone ? int(m_received.size()) : 0;
}

int CLinkTransport::Read(char* pOut, int nMaxLength)
{
    if (!pOut || nMaxLength <= 0)
        return 0;
    const int nWanted = std::min(nMaxLength, BytesWaiting());
    if (nWanted <= 0)
        return 0;
    if (m_state == State::Gone) {
        std::copy_n(m_received.constData(), nWanted, pOut);
        m_received.remove(0, nWanted);
        return nWanted;
    }
    // Qt's buffer holds the older bytes; the rest comes straight from the descriptor.
    QIODevice& device = Device();
    const qint64 nBuffered = device.read(pOut, std::min<qint64>(nWanted, device.bytesAvailable()));
    int nRead = int(std::max<qint64>(nBuffered, 0));
    while (nRead < nWanted) {
        const ssize_t n = ::read(Descriptor(), pOut + nRead, size_t(nWanted - nRead));
        if (n > 0) {
            nRead += int(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n == 0 || errno != EAGAIN)
                DropDevice();
            break;
        }
    }
    qCDebug(lcLink) << "read" << QByteArray(pOut, nRead).toHex(' ');
    return nRead;
}

bool CLinkTransport::WriteByte(quint8 byte, int nTimeoutMs)
{
    const char ch = static_cast<char>(byte);
    const QDeadlineTimer deadline(nTimeoutMs);
    // A connection the server has closed may still take a byte: that must not pass for written.
    if (m_state == State::Open && SystemBytes() < 0)
        DropDevice();
    while (m_state == State::Open) {
        const int fd = Descriptor();
        if (fd < 0)
            break;
        const ssize_t n = WriteNow(fd, &ch);
        if (n == 1) {
            qCDebug(lcLink) << "write" << Qt::hex << byte;
            return true;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            break;
        // No room on the line: wait for some, but not past the deadline.
        pollfd pfd{fd, POLLOUT, 0};
        const int nReady = ::poll(&pfd, 1, int(deadline.remainingTime()));
        if (nReady == 0) {
            qCDebug(lcLink) << "write" << Qt::hex << byte << "timed out";
            return false;
        }
        if (nReady > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)))
            break;
    }
    if (m_state == State::Open)
        DropDevice();
    qCDebug(lcLink) << "write" << Qt::hex << byte << "failed";
    return false;
}

void CLinkTransport::SetState(State state, const QString& strError)
{
    m_state = state;
    m_strError = strError;
}

void CLinkTransport::SetHeld(const QString& strHow)
{
    SetState(State::Failed, strHow.isEmpty()
                                ? QStringLiteral("held by another program")
                                : QStringLiteral("held by another program (%1)").arg(strHow));
    m_bHeld = true;
}

int CLinkTransport::SystemBytes() const
{
    const int fd = Descriptor();
    if (fd < 0)
        return -1;
    // A connection the far end closed reports POLLRDHUP; a serial line that hung up, POLLHUP.
    pollfd pfd{fd, POLLIN | POLLRDHUP, 0};
    if (::poll(&pfd, 1, 0) < 0 && errno != EINTR)
        return -1;
    if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL | POLLRDHUP))
        return -1;
    int nBytes = 0;
    if (::ioctl(fd, FIONREAD, &nBytes) != 0)
        return -1;
    return nBytes;
}

void CLinkTransport::DropDevice()
{
    qCDebug(lcLink) << "device gone";
    m_received = Device().isOpen() ? Device().read(kInputQueueSize) : QByteArray();
    const int fd = Descriptor();
    char buffer[512];
    while (fd >= 0 && m_received.size() < kInputQueueSize) {
        const ssize_t n = ::read(
            fd, buffer, std::min(sizeof buffer, size_t(kInputQueueSize - m_received.size())));
        if (n > 0)
            m_received.append(buffer, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    CloseDevice();
    SetState(State::Gone);
}
