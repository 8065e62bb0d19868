#pragma once

#include "LiveReadings.h"
#include "Pty.h"
#include "SimOptions.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

// One simulated unit on a serial line: reads the bytes that arrive, answers polls with
// status frames (or with the configured faults) and applies the commands to its state.
// It sleeps in the event loop until a byte arrives or a reply is due.
class CSimulator : public QObject
{
    Q_OBJECT

public:
    explicit CSimulator(const SimOptions& options, QObject* parent = nullptr);
    ~CSimulator() override;

    // Opens the line, the symbolic link and the log; false with ErrorString() on failure.
    bool Start();
    // Closes the line and removes the symbolic link; replies still due are dropped.
    void Stop();

    QString LinePath() const { return m_strLinePath; }
    QString ErrorString() const { return m_strError; }

signals:
    // The simulator has closed its line by itself: exit code 0 after the planned hang-up,
    // 1 when a --device line went away.
    void Finished(int exitCode);

private:
    bool OpenDevice();
    bool MakeLink();
    void OnReadable();
    void OnByte(quint8 byte);
    void AnswerPoll();
    void SendAfter(int delayMs, const QByteArray& bytes, bool endsReply);
    void Send(const QByteArray& bytes, bool endsReply);
    void LogByte(quint8 byte);
    void HangUpWhenDrained();
    int BytesUnsent() const;

    SimOptions m_options;
    CLiveReadings m_live;
    CPty m_pty;
    int m_fdDevice = -1;
    int m_fdLine = -1; // the descriptor bytes are read from and written to; -1 when closed
    QSocketNotifier m_notifier{QSocketNotifier::Read};
    QFile m_log;
    QElapsedTimer m_clock;
    QString m_strLinePath;
    QString m_strLinkMade;
    QString m_strError;
    qint64 m_nPolls = 0;
    qint64 m_nReplies = 0;
    int m_nRepliesDue = 0; // answered polls whose reply has not gone out completely
    bool m_bHangingUp = false;
    QTimer m_drainTimer;
    QDeadlineTimer m_drainDeadline;
};
