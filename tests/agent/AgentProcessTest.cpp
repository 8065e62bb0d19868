#include "AgentProcess.h"

#include <QTcpServer>

#include <csignal>

namespace {

class AgentProcessTest : public CAgentProcessFixture
{
};

TEST_F(AgentProcessTest, HelpVersionAndBadArguments)
{
    CAgentProcess help;
    EXPECT_EQ(help.Run({"--help"}), 0);
    const QString strHelp = help.Stdout();
    EXPECT_TRUE(strHelp.startsWith("Usage: corvex-agent --config FILE [--check]\n"));
    for (const char* pszText : {"-c, --config FILE", "--check", "-h, --help", "-v, --version",
                                "SIGHUP", "Exit status: 0", "corvex-agent(8)"})
        EXPECT_TRUE(strHelp.contains(QLatin1String(pszText))) << pszText;
    EXPECT_FALSE(strHelp.contains("Displays")) << "Qt's stock option texts";

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
