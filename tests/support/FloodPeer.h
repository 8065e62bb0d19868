#pragma once

#include "Pty.h"
#include "TcpPeer.h"

#include <QString>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// A unit stuck transmitting: from Start() until it is destroyed, a thread sends bytes as fast
// as the line takes them, on a pseudo-terminal or to every connection made to a TCP port.
class CFloodPeer
{
public:
    enum class Line
    {
        Serial,
        Tcp
    };

    explicit CFloodPeer(Line line) : m_line(line) {}
    ~CFloodPeer()
    {
        m_bStop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    CFloodPeer(const CFloodPeer&) = delete;
    CFloodPeer& operator=(const CFloodPeer&) = delete;

    bool Start()
    {
        if (m_line == Line::Serial ? !m_pty.Open() : !m_server.Listen())
            return false;
        m_thread = std::thread([this] { m_line == Line::Serial ? FloodPty() : FloodTcp(); });
        return true;
    }

    // The port entry a link opens to meet the flood.
    QString Entry() const { return m_line == Line::Serial ? m_pty.SlavePath() : m_server.Entry(); }

private:
    void FloodPty()
    {
        while (!m_bStop)
            Send(m_pty.MasterFd(), false);
    }

    // Floods each connection until it ends, then takes the next.
    void FloodTcp()
    {
        while (!m_bStop) {
            if (!m_server.Accept(50))
                continue;
            while (!m_bStop && Send(m_server.ConnectionFd(), true)) {
            }
        }
    }

    // One burst, or a short wait for room; false when the line is gone.
    static bool Send(int fd, bool bSocket)
    {
        static const std::string burst(4096, '\x55');
        const ssize_t n = bSocket
                              ? ::send(fd, burst.data(), burst.size(), MSG_NOSIGNAL | MSG_DONTWAIT)
                              : ::write(fd, burst.data(), burst.size());
        if (n >= 0 || errno == EINTR)
            return true;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        pollfd pfd{fd, POLLOUT, 0};
        return ::poll(&pfd, 1, 20) >= 0 && !(pfd.revents & (POLLERR | POLLHUP));
    }

    Line m_line;
    CPty m_pty;
    CTcpPeer m_server;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
