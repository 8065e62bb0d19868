#pragma once

#include "ChildProcess.h"
#include "WaitUntil.h"

#include <QProcess>
#include <QStringList>

// The real corvex-sim binary, run for one test and ended with it.
class CSimProcess
{
public:
    CSimProcess() = default;
    ~CSimProcess() { Stop(); }
    CSimProcess(const CSimProcess&) = delete;
    CSimProcess& operator=(const CSimProcess&) = delete;

    // Starts the simulator and waits for the line path it prints first; false if none came.
    bool Start(const QStringList& args)
    {
        m_strLinePath.clear();
        EndWithTestRun(m_process);
        m_process.start(QStringLiteral(CORVEX_SIM_PATH), args);
        if (!m_process.waitForStarted(5000))
            return false;
        const bool gotLine = WaitUntil(
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

    // Asks the simulator to end, and kills it if it does not.
    void Stop() { StopProcess(m_process); }

    // Spins the event loop until the simulator has ended by itself.
    bool WaitForExit(int timeoutMs = 3000)
    {
        return WaitUntil([this] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
    }

    QString LinePath() const { return m_strLinePath; }

    QProcess& Process() { return m_process; }

private:
    QProcess m_process;
    QString m_strLinePath;
};
