#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QtGlobal>

constexpr char kPortsVariable[] = "CORVEX_PORTS";

// Sets CORVEX_PORTS (or unsets it) for one test and puts the previous state back afterwards.
class CPortsEnvGuard
{
public:
    CPortsEnvGuard()
        : m_bWasSet(qEnvironmentVariableIsSet(kPortsVariable)), m_old(qgetenv(kPortsVariable))
    {
    }
    ~CPortsEnvGuard()
    {
        if (m_bWasSet)
            qputenv(kPortsVariable, m_old);
        else
            qunsetenv(kPortsVariable);
    }
    CPortsEnvGuard(const CPortsEnvGuard&) = delete;
    CPortsEnvGuard& operator=(const CPortsEnvGuard&) = delete;

    void Set(const QByteArray& value) { qputenv(kPortsVariable, value); }
    void Unset() { qunsetenv(kPortsVariable); }

private:
    bool m_bWasSet;
    QByteArray m_old;
};

// Polls until done() holds or timeoutMs passes; with bSpin the event loop runs in between.
template <typename Done> bool WaitUntil(Done done, bool bSpin, int timeoutMs = 2000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        if (bSpin)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}
