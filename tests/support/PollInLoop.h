#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>

// Ends every modal dialog, the one in front first.
inline void EndModalDialogs()
{
    while (auto* pModal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        pModal->reject();
}

// Calls done() every 20 ms inside whatever event loop runs, until it returns true; a test's way
// to act while a modal loop owns the thread. At the deadline it ends every modal dialog, the one
// in front first, so that a failing test cannot hang.
inline void PollInLoop(std::function<bool()> done, int nTimeoutMs = 5000)
{
    auto* pTimer = new QTimer;
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    QObject::connect(pTimer, &QTimer::timeout, pTimer, [pTimer, done, elapsed, nTimeoutMs] {
        const bool bDone = done();
        if (!bDone && elapsed->elapsed() <= nTimeoutMs)
            return;
        pTimer->stop();
        pTimer->deleteLater();
        if (!bDone)
            EndModalDialogs();
    });
    pTimer->start(20);
}
