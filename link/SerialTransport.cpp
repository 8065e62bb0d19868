#include "SerialTransport.h"

#include <cerrno>
#include <sys/file.h>
#include <unistd.h>

CSerialTransport::CSerialTransport(const QString& strPath)
{
    m_port.setPortName(strPath);
    m_port.setReadBufferSize(kInputQueueSize);
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError error) { OnErrorOccurred(error); });
}

void CSerialTransport::BeginOpen(int nBaud)
{
    if (!m_port.open(QIODevice::ReadWrite)) {
        qCDebug(lcLink) << "open" << m_port.portName() << "failed:" << m_port.errorString();
        // Qt lumps a held lock file and another program's exclusive open (EBUSY) with a refusal.
        if (m_port.error() == QSerialPort::PermissionError &&
            m_port.errorString() != qt_error_string(EACCES))
            SetHeld(m_port.errorString());
        else
            SetState(State::Failed, m_port.errorString());
        return;
    }
    // Qt's lock file is named after the path, and root passes TIOCEXCL: a lock on the device
    // itself holds whichever path names it (a symbolic link, /dev/serial/by-id).
    if (::flock(int(m_port.handle()), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        qCDebug(lcLink) << "open" << m_port.portName() << "failed: the device is locked";
        m_port.close();
        SetHeld(QString());
        return;
    }
    const bool bConfigured = m_port.setBaudRate(nBaud) && m_port.setDataBits(QSerialPort::Data8) &&
                             m_port.setParity(QSerialPort::NoParity) &&
                             m_port.setStopBits(QSerialPort::OneStop) &&
                             m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!bConfigured) {
        const QString strError =
            QStringLiteral("cannot set %1 baud, 8N1: %2").arg(nBaud).arg(m_port.errorString());
        qCDebug(lcLink) << "configure" << m_port.portName() << "failed:" << strError;
        m_port.close();
        SetState(State::Failed, strError);
        return;
    }
    // Bytes queued before the open must not pass for a reply to this connection.
    m_port.clear();
    SetState(State::Open);
    qCDebug(lcLink) << "open" << m_port.portName() << nBaud;
}

int CSerialTransport::Descriptor() const
{
    return m_port.isOpen() ? int(m_port.handle()) : -1;
}

ssize_t CSerialTransport::WriteNow(int fd, const char* pByte)
{
    return ::write(fd, pByte, 1);
}

void CSerialTransport::CloseDevice()
{
    if (m_port.isOpen())
        m_port.close();
}

void CSerialTransport::OnErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (GetState() != State::Open)
        return;
    // Qt reports a hung-up line hundreds of thousands of times a second until the port is
    // closed. A notification that arrives after Read already drained the line fails with
    // EAGAIN: only a line that really hung up counts as gone.
    if (SystemBytes() < 0) {
        DropDevice();
        return;
    }
    m_port.clearError();
}
