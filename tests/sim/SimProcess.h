#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QThread>

// Spins the event loop until done() holds or timeoutMs passes; returns done().
template <typename Done> bool WaitFor(Done done, int timeoutMs = 3000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// The real corvex-sim binary, run for one test and ended with it.
class CSimProcess
{
public:
    CSimProcess() = default;
    ~CSimProcess()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
    CSimProcess(const CSimProcess&) = delete;
    CSimProcess& operator=(const CSimProcess&) = delete;

    // Starts the simulator and waits for the line path it prints first; false if none came.
    bool Start(const QStringList& args)
    {
        m_process.start(QStringLiteral(CORVEX_SIM_PATH), args);
        if (!m_process.waitForStarted(5000))
            return false;
        const bool gotLine = WaitFor(
            [this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; },
            5000);
        if (!gotLine || !m_process.canReadLine())
            return false;
        m_strLinePath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        return !m_strLinePath.isEmpty();
    }

    // Runs the simulator to its end; false if it did not end within timeoutMs.
    bool Run(const QStringList& args, int timeoutMs = 5000)
    {
        m_process.start(QStringLiteral(CORVEX_SIM_PATH), args);
        return m_process.waitForFinished(timeoutMs);
    }

    bool WaitForExit(int timeoutMs = 3000)
    {
        return WaitFor([this] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
    }

    QString LinePath() const { return m_strLinePath; }
    QProcess& Process() { return m_process; }

private:
    QProcess m_process;
    QString m_strLinePath;
};
