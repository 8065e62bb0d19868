#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// The event loop's own pulse: the longest gap between two ticks of a 10 ms timer. A call that
// waits on the loop (a blocking write, a connect) stretches it.
class CLoopHeartbeat
{
public:
    CLoopHeartbeat()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_nLongestGapMs = std::max(m_nLongestGapMs, m_since.restart());
        });
        m_since.start();
        m_timer.start(10);
    }

    qint64 LongestGapMs() const { return m_nLongestGapMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_nLongestGapMs = 0;
};
