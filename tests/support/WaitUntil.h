#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

// Polls until done() holds or timeoutMs passes; returns done(). With bSpin the event loop runs
// in between, so queued signals and socket notifiers are delivered while waiting.
template <typename Done> bool WaitUntil(Done done, int timeoutMs = 3000, bool bSpin = true)
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
