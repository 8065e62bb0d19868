#include "AgentFixture.h"
#include "ChildProcess.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>

#include <csignal>

namespace {

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

class AgentProcessTest : public CAgentFixture
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

TEST_F(AgentProcessTest, HelpVersionAndBadArguments)
{
    CAgentProcess help;
    EXPECT_EQ(help.Run({"--help"}), 0);
    const QString strHelp = help.Stdout();
    EXPECT_TRUE(strHelp.contains("--config <FILE>"));
    EXPECT_TRUE(strHelp.contains("--check"));

    CAgentProcess version;
    EXPECT_EQ(version.Run({"--version"}), 0);
    EXPECT_EQ(version.Stdout(), QStringLiteral("corvex-agent %1\n").arg(CORVEX_VERSION));

    const struct
    {
        QStringList args;
        const char* pszMessage;
    } cases[] = {
        {{}, "--config FILE is needed"},
        {{"--confg", "x"}, "Unknown option 'confg'"},
        {{"--config"}, "Missing value after '--config'"},
        {{"--config", "a.conf", "extra"}, "unexpected argument 'extra'"},
    };
    for (const auto& c : cases) {
        CAgentProcess agent;
        EXPECT_EQ(agent.Run(c.args), 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(agent.Stderr().contains(QLatin1String(c.pszMessage)))
            << agent.Stderr().toStdString();
    }
}

TEST_F(AgentProcessTest, ABadConfigurationStartsNothing)
{
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 nPort = probe.serverPort();
    probe.close();
    const QString strConfig =
        WriteConfig(QStringLiteral("[agent]\nhttp = 127.0.0.1:%1\n[tx1]\nport = %2\nspeed = 9600\n")
                        .arg(nPort)
                        .arg(Path("tx1")));
    CAgentProcess agent;
    EXPECT_EQ(agent.Run({"--config", strConfig}), 2);
    EXPECT_TRUE(agent.Stderr().contains(
        QStringLiteral("corvex-agent: %1:5: [tx1] unknown key 'speed'").arg(strConfig)))
        << agent.Stderr().toStdString();
    EXPECT_FALSE(agent.Stderr().contains(QLatin1String("HTTP on")));
    EXPECT_EQ(CHttpClient(nPort).Get("/metrics", 1000).nStatus, 0);

    CAgentProcess check;
    EXPECT_EQ(check.Run({"--check", "--config", strConfig}), 2);
    WriteConfig(QStringLiteral("[tx1]\nport = %1\n").arg(Path("tx1")));
    EXPECT_EQ(check.Run({"--check", "--config", strConfig}), 0);
    EXPECT_TRUE(check.Stdout().contains(QLatin1String("valid; units: tx1")));
}

TEST_F(AgentProcessTest, AListenerThatCannotBeBoundEndsTheStart)
{
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost));
    const QString strConfig =
        WriteConfig(QStringLiteral("[agent]\nhttp = 127.0.0.1:%1\n").arg(holder.serverPort()));
    CAgentProcess agent;
    EXPECT_EQ(agent.Run({"--config", strConfig}), 1);
    EXPECT_TRUE(agent.Stderr().contains(
        QStringLiteral("[agent] http 127.0.0.1:%1: ").arg(holder.serverPort())))
        << agent.Stderr().toStdString();
}

// SIGHUP applies a valid file without disturbing the units that did not change, and keeps the
// running configuration when the file is bad; SIGTERM ends the agent, and its events are there
// when it starts again.
TEST_F(AgentProcessTest, HangUpReloadsTerminateStopsAndEventsSurviveARestart)
{
    ASSERT_TRUE(StartSim("tx1"));
    ASSERT_TRUE(StartSim("tx2", {"--preset", "amplifier"}));
    const QString strAgent =
        QStringLiteral("[agent]\nhttp = 127.0.0.1:0\nevents = %1\n").arg(Path("events.db"));
    const QString strConfig = WriteConfig(strAgent + UnitSection("tx1"));
    {
        CAgentProcess agent;
        ASSERT_NE(Run(agent, strConfig), 0);
        ASSERT_TRUE(WaitForUnitState("tx1", "online"));

        WriteConfig(strAgent + UnitSection("tx1") + UnitSection("tx2"));
        const int nFramesBefore = Http().Get("/api/v1/units/tx1").Json().value("frames").toInt();
        agent.Signal(SIGHUP);
        EXPECT_FALSE(agent.WaitForLog("configuration reloaded from .* \\(2 units\\)").isEmpty());
        ASSERT_TRUE(WaitForUnitState("tx2", "online"));
        EXPECT_GT(Http().Get("/api/v1/units/tx1").Json().value("frames").toInt(), nFramesBefore);
        EXPECT_EQ(Http().Get("/api/v1/units/tx1").Json().value("state").toString(),
                  QStringLiteral("online"));

        WriteConfig(strAgent + QStringLiteral("[tx3]\n"));
        agent.Signal(SIGHUP);
        EXPECT_FALSE(agent.WaitForLog("configuration not reloaded").isEmpty());
        EXPECT_TRUE(
            agent.Stderr().contains(QStringLiteral("%1:4: [tx3] has no port").arg(strConfig)));
        EXPECT_EQ(Http().Get("/api/v1/units").Json().value("units").toArray().size(), 2);

        agent.Signal(SIGTERM);
        EXPECT_EQ(agent.WaitForExit(), 0);
    }
    WriteConfig(strAgent + UnitSection("tx1") + UnitSection("tx2"));
    CAgentProcess again;
    ASSERT_NE(Run(again, strConfig), 0);
    ASSERT_TRUE(WaitForUnitState("tx1", "online"));
    ASSERT_TRUE(WaitForUnitState("tx2", "online"));
    const QJsonArray events = Http().Get("/api/v1/events").Json().value("events").toArray();
    QStringList seen;
    for (const QJsonValue& event : events)
        seen.append(QStringLiteral("%1 %2 %3")
                        .arg(event.toObject().value("id").toInt())
                        .arg(event.toObject().value("unit").toString(),
                             event.toObject().value("kind").toString()));
    EXPECT_EQ(seen.mid(0, 2), (QStringList{"1 tx1 link_restored", "2 tx2 link_restored"}));
    ASSERT_EQ(seen.size(), 4) << seen.join(", ").toStdString();
    EXPECT_TRUE(seen[2].startsWith("3 ") && seen[3].startsWith("4 "));
    again.Signal(SIGTERM);
    EXPECT_EQ(again.WaitForExit(), 0);
}

TEST_F(AgentProcessTest, AnUnwritableEventStoreIsReportedAndTheAgentWatchesOn)
{
    ASSERT_TRUE(StartSim("tx1"));
    const QString strConfig = WriteConfig(
        QStringLiteral("[agent]\nhttp = 127.0.0.1:0\nevents = %1/events.db\n").arg(Path("tx1")) +
        UnitSection("tx1"));
    CAgentProcess agent;
    ASSERT_NE(Run(agent, strConfig), 0);
    EXPECT_TRUE(agent.Stderr().contains(QLatin1String("events are kept in memory only")));
    ASSERT_TRUE(WaitForUnitState("tx1", "online"));
    EXPECT_TRUE(Http().Get("/metrics").body.contains("corvex_event_store_up 0"));
    EXPECT_EQ(Http().Get("/api/v1/events").Json().value("events").toArray().size(), 1);
}

} // namespace
