#pragma once

#include "AgentFixture.h"
#include "ChildProcess.h"
#include "WaitUntil.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <csignal>

#include <sys/types.h>

// The real corvex-agent binary, run for one test and ended with it.
class CAgentProcess
{
public:
    ~CAgentProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    void Start(const QStringList& args)
    {
        EndWithTestRun(m_process);
        m_process.start(QStringLiteral(CORVEX_AGENT_PATH), args);
        m_process.waitForStarted(5000);
    }

    // Runs to the end; the exit code, or -1 when it did not end within nTimeoutMs.
    int Run(const QStringList& args, int nTimeoutMs = 5000)
    {
        Start(args);
        return WaitForExit(nTimeoutMs);
    }

    int WaitForExit(int nTimeoutMs = 5000)
    {
        if (!WaitUntil([&] { return m_process.state() == QProcess::NotRunning; }, nTimeoutMs))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    // Waits until the error output holds pattern; returns its first capture (or the match).
    QString WaitForLog(const QString& strPattern, int nTimeoutMs = 10000)
    {
        const QRegularExpression re(strPattern);
        QRegularExpressionMatch match;
        WaitUntil(
            [&] {
                m_stderr += m_process.readAllStandardError();
                match = re.match(QString::fromUtf8(m_stderr));
                return match.hasMatch();
            },
            nTimeoutMs);
        return match.hasMatch() ? match.captured(match.lastCapturedIndex()) : QString();
    }

    QString Stderr()
    {
        m_stderr += m_process.readAllStandardError();
        return QString::fromUtf8(m_stderr);
    }
    QString Stdout() { return QString::fromUtf8(m_process.readAllStandardOutput()); }
    void Signal(int nSignal) { ::kill(pid_t(m_process.processId()), nSignal); }

private:
    QProcess m_process;
    QByteArray m_stderr;
};

// The agent fixture for tests of the real program.
class CAgentProcessFixture : public CAgentFixture
{
protected:
    // Starts the agent on strConfig and returns the HTTP port it reports.
    quint16 Run(CAgentProcess& agent, const QString& strConfig)
    {
        agent.Start({QStringLiteral("--config"), strConfig});
        const quint16 nPort =
            quint16(agent.WaitForLog(QStringLiteral("HTTP on 127.0.0.1:(\\d+)")).toUInt());
        Http().SetPort(nPort);
        return nPort;
    }

    bool WaitForUnitState(const QString& strUnit, const char* pszState)
    {
        return WaitUntil(
            [&] {
                return Http()
                           .Get(QStringLiteral("/api/v1/units/%1").arg(strUnit))
                           .Json()
                           .value("state") == QLatin1String(pszState);
            },
            kStateTimeoutMs);
    }
};
