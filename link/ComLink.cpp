#include "ComLink.h"

#include "PortTable.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcLink, "corvex.link", QtWarningMsg)

namespace {

constexpr int kWriteTimeoutMs = 1000;

} // namespace

CComLink::CComLink()
{
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError error) { OnErrorOccurred(error); });
}

CComLink::~CComLink()
{
    Close();
}

int CComLink::Open(int nPort, int nBaud)
{
    if (m_bOpen)
        return 1;
    m_bPermissionDenied = false;
    const QString path = CPortTable::DevicePath(nPort);
    if (path.isEmpty()) {
        m_strError = QStringLiteral("there is no port %1").arg(nPort);
        return 0;
    }
    m_port.setPortName(path);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_strError = m_port.errorString();
        // Qt reports a refused open, a busy device and a held lock all as PermissionError; its
        // text, the system's own, tells the refusal apart.
        m_bPermissionDenied = m_strError == qt_error_string(EACCES);
        qCDebug(lcLink) << "open" << path << "failed:" << m_strError;
        return 0;
    }
    const bool bConfigured = m_port.setBaudRate(nBaud) && m_port.setDataBits(QSerialPort::Data8) &&
                             m_port.setParity(QSerialPort::NoParity) &&
                             m_port.setStopBits(QSerialPort::OneStop) &&
                             m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!bConfigured) {
        m_strError = m_port.errorString();
        qCDebug(lcLink) << "configure" << path << "failed:" << m_strError;
        m_port.close();
        return 0;
    }
    // Bytes queued before the open must not pass for a reply to this connection.
    m_port.clear();
    m_strError.clear();
    m_bOpen = true;
    qCDebug(lcLink) << "open" << path << nBaud;
    return 1;
}

int CComLink::Close()
{
    if (!m_bOpen)
        return 1;
    if (m_port.isOpen())
        m_port.close();
    m_received.clear();
    m_bOpen = false;
    qCDebug(lcLink) << "close";
    return 1;
}

int CComLink::WriteByte(quint8 byte)
{
    if (!HasDevice())
        return 0;
    const char ch = static_cast<char>(byte);
    if (m_port.write(&ch, 1) != 1)
        return 0;
    if (!m_port.waitForBytesWritten(kWriteTimeoutMs)) {
        // Withdraw the byte so that it cannot reach the device after being counted as lost.
        if (m_port.isOpen())
            m_port.clear(QSerialPort::Output);
        qCDebug(lcLink) << "write" << Qt::hex << byte << "failed";
        return 0;
    }
    qCDebug(lcLink) << "write" << Qt::hex << byte;
    return 1;
}

int CComLink::Write(const quint8* pData, int nLength)
{
    if (!m_bOpen || !pData)
        return 0;
    int nWritten = 0;
    for (int i = 0; i < nLength && HasDevice(); ++i)
        nWritten += WriteByte(pData[i]);
    return nWritten;
}

int CComLink::BytesWaiting()
{
    if (!m_bOpen)
        return 0;
    if (!m_port.isOpen())
        return int(m_received.size());
    const int nSystem = SystemBytes();
    if (nSystem < 0) {
        DropDevice();
        return int(m_received.size());
    }
    return int(std::min<qint64>(m_port.bytesAvailable() + nSystem, INT_MAX));
}

int CComLink::Read(quint8* pBuffer, int nMaxLength)
{
    if (!pBuffer || nMaxLength <= 0)
        return 0;
    const int nWanted = std::min(nMaxLength, BytesWaiting());
    if (nWanted <= 0)
        return 0;
    char* pOut = reinterpret_cast<char*>(pBuffer);
    if (!m_port.isOpen()) {
        // The line hung up: hand out what had arrived before it did.
        std::copy_n(m_received.constData(), nWanted, pOut);
        m_received.remove(0, nWanted);
        return nWanted;
    }
    // Qt's buffer holds the older bytes; the rest comes straight from the descriptor.
    const qint64 nBuffered = m_port.read(pOut, std::min<qint64>(nWanted, m_port.bytesAvailable()));
    int nRead = int(std::max<qint64>(nBuffered, 0));
    while (nRead < nWanted) {
        const ssize_t n = ::read(int(m_port.handle()), pOut + nRead, size_t(nWanted - nRead));
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

bool CComLink::IsOpen() const
{
    return m_bOpen;
}

void CComLink::OnErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!m_port.isOpen())
        return;
    // A notification that arrives after Read already drained the line fails with EAGAIN:
    // only a line that really hung up counts as gone.
    if (SystemBytes() < 0) {
        DropDevice();
        return;
    }
    m_port.clearError();
}

int CComLink::SystemBytes() const
{
    const int fd = int(m_port.handle());
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, 0) < 0 && errno != EINTR)
        return -1;
    if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))
        return -1;
    int nBytes = 0;
    if (::ioctl(fd, FIONREAD, &nBytes) != 0)
        return -1;
    return nBytes;
}

void CComLink::DropDevice()
{
    qCDebug(lcLink) << "device gone";
    // What Qt had already fetched was received before the hang-up: keep it for Read.
    m_received += m_port.readAll();
    m_port.close();
}

bool CComLink::HasDevice() const
{
    return m_bOpen && m_port.isOpen();
}
