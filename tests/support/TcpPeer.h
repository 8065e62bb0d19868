#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// The server side of TCP connections on 127.0.0.1, played with plain sockets so that it works
// whether or not the event loop runs. The kernel completes a connection before Accept() takes
// it, so a link can open first and the test accept afterwards.
class CTcpPeer
{
public:
    CTcpPeer() = default;
    ~CTcpPeer()
    {
        CloseConnection();
        CloseListener();
    }
    CTcpPeer(const CTcpPeer&) = delete;
    CTcpPeer& operator=(const CTcpPeer&) = delete;

    // Listens on a free port; nBacklog 0 with one connection queued takes no more.
    bool Listen(int nBacklog = 8)
    {
        m_fdListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t nLength = sizeof addr;
        if (m_fdListen < 0 || ::bind(m_fdListen, Address(addr), sizeof addr) != 0 ||
            ::listen(m_fdListen, nBacklog) != 0 ||
            ::getsockname(m_fdListen, Address(addr), &nLength) != 0)
            return false;
        m_nPort = ntohs(addr.sin_port);
        return true;
    }

    quint16 Port() const { return m_nPort; }
    int ConnectionFd() const { return m_fdConnection; }
    QString Entry() const { return QStringLiteral("tcp:127.0.0.1:%1").arg(m_nPort); }

    // Takes the next connection, waiting at most nTimeoutMs for it.
    bool Accept(int nTimeoutMs = 3000)
    {
        CloseConnection();
        pollfd pfd{m_fdListen, POLLIN, 0};
        if (::poll(&pfd, 1, nTimeoutMs) != 1)
            return false;
        m_fdConnection = ::accept4(m_fdListen, nullptr, nullptr, SOCK_CLOEXEC);
        return m_fdConnection >= 0;
    }

    // Fills the listener's queue with one connection of its own, so that no further connect
    // is answered: the address behaves as one that does not answer.
    bool Clog()
    {
        m_fdClog = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(m_nPort);
        return m_fdClog >= 0 && ::connect(m_fdClog, Address(addr), sizeof addr) == 0;
    }

    // Writes all of data (blocking); false if the connection refused it.
    bool Write(const QByteArray& data)
    {
        qsizetype nDone = 0;
        while (nDone < data.size()) {
            const ssize_t n = ::send(m_fdConnection, data.constData() + nDone,
                                     size_t(data.size() - nDone), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            nDone += n;
        }
        return true;
    }

    // What arrives within nTimeoutMs of the first byte, until the line is quiet for 50 ms.
    QByteArray Read(int nTimeoutMs = 1000)
    {
        QByteArray data;
        for (int nWait = nTimeoutMs;; nWait = 50) {
            pollfd pfd{m_fdConnection, POLLIN, 0};
            if (::poll(&pfd, 1, nWait) != 1)
                return data;
            char buffer[4096];
            const ssize_t n = ::recv(m_fdConnection, buffer, sizeof buffer, 0);
            if (n <= 0)
                return data;
            data.append(buffer, n);
        }
    }

    // The server ends the connection (its side sends FIN).
    void CloseConnection() { CloseFd(m_fdConnection); }
    // Nothing listens on the port any more: connects there are refused.
    void CloseListener()
    {
        CloseFd(m_fdClog);
        CloseFd(m_fdListen);
    }

private:
    static sockaddr* Address(sockaddr_in& addr) { return reinterpret_cast<sockaddr*>(&addr); }
    static void CloseFd(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    int m_fdListen = -1;
    int m_fdConnection = -1;
    int m_fdClog = -1;
    quint16 m_nPort = 0;
};
