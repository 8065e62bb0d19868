#include "QuitSignals.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler may only write to a descriptor; the event loop reads the other end.
int g_fdPipe[2] = {-1, -1};
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_fdPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

CQuitSignals::CQuitSignals(QObject* parent) : QObject(parent)
{
    connect(&m_notifier, &QSocketNotifier::activated, this, &CQuitSignals::OnPipe);
}

CQuitSignals::~CQuitSignals()
{
    if (g_fdPipe[0] < 0)
        return;
    for (const int s : kSignals)
        std::signal(s, SIG_DFL);
    m_notifier.setEnabled(false);
    ::close(g_fdPipe[0]);
    ::close(g_fdPipe[1]);
    g_fdPipe[0] = g_fdPipe[1] = -1;
}

bool CQuitSignals::Install()
{
    if (g_fdPipe[0] >= 0)
        return true;
    if (::pipe2(g_fdPipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    m_notifier.setSocket(g_fdPipe[0]);
    m_notifier.setEnabled(true);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kSignals) {
        if (::sigaction(s, &action, nullptr) != 0)
            return false;
    }
    return true;
}

void CQuitSignals::OnPipe()
{
    unsigned char byte = 0;
    while (::read(g_fdPipe[0], &byte, 1) == 1)
        emit Received(byte);
}
