#pragma once

#include <QByteArray>
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
