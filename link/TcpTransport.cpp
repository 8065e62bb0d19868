#include "TcpTransport.h"

#include <QCoreApplication>

#include <sys/socket.h>

CTcpTransport::CTcpTransport(const QString& strHost, quint16 nPort)
    : m_strHost(strHost), m_nPort(nPort)
{
    m_socket.setReadBufferSize(kInputQueueSize);
    m_timerConnect.setSingleShot(true);
    // A coarse timer may fire 5 % late; the limit is a promise to the caller.
    m_timerConnect.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_socket, &QAbstractSocket::connected, &m_socket, [this] { OnConnected(); });
    QObject::connect(&m_socket, &QAbstractSocket::errorOccurred, &m_socket,
                     [this] { OnErrorOccurred(); });
    QObject::connect(&m_timerConnect, &QTimer::timeout, &m_timerConnect,
                     [this] { OnConnectTimeout(); });
}

void CTcpTransport::BeginOpen(int)
{
    SetState(State::Opening);
    m_timerConnect.start(kConnectTimeoutMs);
    m_socket.connectToHost(m_strHost, m_nPort);
}

void CTcpTransport::WaitForOpen()
{
    // The connect limit ends the wait at the latest.
    while (GetState() == State::Opening)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                        QEventLoop::ExcludeUserInputEvents);
}

int CTcpTransport::Descriptor() const
{
    return int(m_socket.socketDescriptor());
}

ssize_t CTcpTransport::WriteNow(int fd, const char* pByte)
{
    return ::send(fd, pByte, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

void CTcpTransport::CloseDevice()
{
    m_timerConnect.stop();
    m_socket.abort();
}

void CTcpTransport::OnConnected()
{
    m_timerConnect.stop();
    // Single command bytes go out at once rather than wait for the previous one's ACK.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    SetState(State::Open);
    qCDebug(lcLink) << "connected to" << m_strHost << m_nPort;
}

void CTcpTransport::OnErrorOccurred()
{
    // Once connected, a failure shows on the descriptor and is handled there.
    if (GetState() != State::Opening)
        return;
    m_timerConnect.stop();
    SetState(State::Failed, m_socket.errorString());
    qCDebug(lcLink) << "connect to" << m_strHost << m_nPort << "failed:" << m_socket.errorString();
}

void CTcpTransport::OnConnectTimeout()
{
    if (GetState() != State::Opening)
        return;
    SetState(State::Failed, QStringLiteral("no answer within %1 ms").arg(kConnectTimeoutMs));
    m_socket.abort();
    qCDebug(lcLink) << "connect to" << m_strHost << m_nPort << "timed out";
}
