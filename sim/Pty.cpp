#include "Pty.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

CPty::CPty() = default;

CPty::~CPty()
{
    CloseMaster();
}

bool CPty::Open()
{
    CloseMaster();
    int fdMaster = -1;
    int fdSlave = -1;
    char name[256] = {};
    if (::openpty(&fdMaster, &fdSlave, name, nullptr, nullptr) != 0) {
        m_strError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    SetRaw(fdSlave);
    ::fcntl(fdMaster, F_SETFL, ::fcntl(fdMaster, F_GETFL) | O_NONBLOCK);
    ::fcntl(fdMaster, F_SETFD, FD_CLOEXEC);
    ::fcntl(fdSlave, F_SETFD, FD_CLOEXEC);
    m_fdMaster = fdMaster;
    m_fdSlaveKeep = fdSlave;
    m_strSlavePath = QString::fromLocal8Bit(name);
    return true;
}

void CPty::CloseMaster()
{
    if (m_fdSlaveKeep >= 0) {
        ::close(m_fdSlaveKeep);
        m_fdSlaveKeep = -1;
    }
    if (m_fdMaster >= 0) {
        ::close(m_fdMaster);
        m_fdMaster = -1;
    }
}

int CPty::WriteMaster(const QByteArray& data)
{
    if (m_fdMaster < 0)
        return 0;
    int written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(m_fdMaster, data.constData() + written,
                                  static_cast<size_t>(data.size() - written));
        if (n > 0) {
            written += static_cast<int>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd pfd{m_fdMaster, POLLOUT, 0};
            if (::poll(&pfd, 1, 100) <= 0)
                break;
        } else {
            break;
        }
    }
    return written;
}

int CPty::SlaveBytesWaiting() const
{
    int count = 0;
    if (m_fdSlaveKeep < 0 || ::ioctl(m_fdSlaveKeep, FIONREAD, &count) != 0)
        return 0;
    return count;
}

QByteArray CPty::ReadMaster(int timeoutMs)
{
    QByteArray out;
    if (m_fdMaster < 0)
        return out;
    pollfd pfd{m_fdMaster, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) <= 0)
        return out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_fdMaster, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, static_cast<int>(n));
    }
    return out;
}

bool CPty::SetRaw(int fd)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}
