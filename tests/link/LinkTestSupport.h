#pragma once

#include "PortsEnvGuard.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <string>

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
