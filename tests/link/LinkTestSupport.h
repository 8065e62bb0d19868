#pragma once

#include "WaitUntil.h"

#include <QByteArray>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <string>

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

// The far end of a line goes away while the link is open; who meets it first varies.
enum class FirstToNotice
{
    BytesWaiting,
    Write,
    EventLoop
};

// All three orders, named for the test list.
inline auto EveryFirstToNotice()
{
    return testing::Values(FirstToNotice::BytesWaiting, FirstToNotice::Write,
                           FirstToNotice::EventLoop);
}

inline std::string FirstToNoticeName(const testing::TestParamInfo<FirstToNotice>& param)
{
    switch (param.param) {
    case FirstToNotice::BytesWaiting:
        return "BytesWaitingFirst";
    case FirstToNotice::Write:
        return "WriteFirst";
    case FirstToNotice::EventLoop:
        break;
    }
    return "EventLoopFirst";
}
