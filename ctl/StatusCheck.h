#pragma once

#include "StatusFrame.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// How corvexctl judges one reply and prints it, in the monitoring-plugin manner: a state, a
// first line with the state, a summary and the performance data after '|', then the readings.
class CStatusCheck
{
public:
    enum class State
    {
        Ok = 0,
        Warning = 1,
        Critical = 2,
        Unknown = 3
    };

    explicit CStatusCheck(const StatusFrame& frame);

    // RF fail, PLL fail and modulation fail are critical, a muted carrier and an unlocked PLL a
    // warning. An amplifier is judged by RF fail alone: the panel shows it no other lamp.
    State GetState() const { return m_state; }
    // What makes the state worse than OK, worst first ("RF fail", "carrier muted").
    QStringList Problems() const { return m_problems; }

    // "CORVEX OK - Bexon Transmitter: 15.0 W FWD., 0.3 W REV. | forward_power_w=15 ...".
    QString StatusLine() const;
    // Every reading on a line of its own, as a person reads them.
    QString Details() const;
    // The readings as one JSON object (see ReadingJson).
    QJsonObject Json() const { return m_reading; }

    // A status line without a reply: "CORVEX CRITICAL - strMessage".
    static QString FailureLine(State state, const QString& strMessage);

private:
    QString PerfData() const;

    StatusFrame m_frame;
    QJsonObject m_reading;
    State m_state = State::Ok;
    QStringList m_problems;
};
