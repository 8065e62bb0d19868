#include "AgentFixture.h"
#include "ChildProcess.h"
#include "ControlDlg.h"

#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QTcpSocket>

#include <memory>

namespace {

using State = CUnitPoller::State;

// A client of a shared line, as a panel or a probe would be.
class CShareClient
{
public:
    explicit CShareClient(quint16 nPort)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, nPort);
        m_bConnected = m_socket.waitForConnected(3000);
    }

    bool Connected() const { return m_bConnected; }
    quint16 LocalPort() const { return m_socket.localPort(); }
    void Send(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    // Whatever arrived within nMs, or as soon as nBytes have.
    QByteArray Receive(int nBytes, int nMs = 3000)
    {
        WaitUntil([&] { return m_socket.bytesAvailable() >= nBytes; }, nMs);
        return m_socket.readAll();
    }

private:
    QTcpSocket m_socket;
    bool m_bConnected = false;
};

class ShareTest : public CAgentFixture
{
protected:
    quint16 SharePort() { return Agent().SharePort(QStringLiteral("tx1")); }

    // Starts tx1, the agent with a shared line for it (and the extra unit lines), and a client.
    void StartShared(const QStringList& simOptions = {}, const QString& strExtra = QString())
    {
        ASSERT_TRUE(StartSim("tx1", simOptions));
        StartAgent(UnitSection("tx1", QStringLiteral("share = 127.0.0.1:0\n") + strExtra));
        ASSERT_TRUE(WaitForState("tx1", State::Online));
        m_pClient = std::make_unique<CShareClient>(SharePort());
        ASSERT_TRUE(m_pClient->Connected());
    }

    std::unique_ptr<CShareClient> m_pClient;
};

TEST_F(ShareTest, TwoClientsGetTheUnitsFramesWhileTheUnitSeesOnePoller)
{
    ASSERT_NO_FATAL_FAILURE(StartShared({"--frequency", "1017", "--byte0", "0xAB"}));
    CShareClient& a = *m_pClient;
    CShareClient b(SharePort());
    ASSERT_TRUE(b.Connected());

    for (int i = 0; i < 20; ++i) {
        a.Send("w");
        b.Send("w");
        const QByteArray frameA = a.Receive(16);
        const QByteArray frameB = b.Receive(16);
        ASSERT_EQ(frameA.size(), 16) << i;
        ASSERT_EQ(frameB.size(), 16) << i;
        EXPECT_EQ(quint8(frameA[0]), 0xAB);
        EXPECT_EQ(StatusFrame::Decode(reinterpret_cast<const quint8*>(frameB.constData()))
                      .FrequencyCount(),
                  1017);
    }
    // Two polls in one go get two answers; anything else a client sends gets none.
    a.Send("ww");
    EXPECT_EQ(a.Receive(32).size(), 32);
    b.Send("xyz\r\n");
    EXPECT_TRUE(b.Receive(1, 300).isEmpty());
    // The unit was polled by the agent alone, one poll per frame.
    EXPECT_LE(quint64(SimReceived("tx1").count('w')), Unit("tx1").Frames() + 1);
}

TEST_F(ShareTest, CommandsAreRefusedUnlessTheLineAllowsThem)
{
    ASSERT_NO_FATAL_FAILURE(StartShared());
    CShareClient& client = *m_pClient;
    client.Send("o3");
    ASSERT_TRUE(WaitUntil([&] { return EventKinds("tx1").count("command") == 2; }));
    for (const AgentEvent& event : Agent().Events().Since(1, 10)) {
        EXPECT_EQ(event.values.value("source").toString(), QStringLiteral("share"));
        EXPECT_EQ(event.values.value("client").toString(),
                  QStringLiteral("127.0.0.1:%1").arg(client.LocalPort()));
        EXPECT_FALSE(event.values.value("accepted").toBool());
        EXPECT_EQ(event.values.value("reason").toString(),
                  QStringLiteral("commands are not allowed on the shared line"));
    }
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(SimReceived("tx1").replace("w", ""), QByteArray());
    client.Send("w");
    EXPECT_FALSE(
        StatusFrame::Decode(reinterpret_cast<const quint8*>(client.Receive(16).constData()))
            .CarrierMuted());
}

TEST_F(ShareTest, AllowedCommandsReachTheUnitWithThePanelsPacing)
{
    ASSERT_NO_FATAL_FAILURE(StartShared({}, QStringLiteral("share_commands = true")));
    CShareClient& client = *m_pClient;
    client.Send("o12");
    ASSERT_TRUE(WaitUntil([&] { return EventKinds("tx1").count("command") == 3; }));
    std::vector<SimLogEntry> commands;
    ASSERT_TRUE(WaitUntil([&] {
        commands.clear();
        for (const SimLogEntry& entry : ReadSimLog(LogPath("tx1"))) {
            if (entry.byte != 'w')
                commands.push_back(entry);
        }
        return commands.size() == 3;
    }));
    EXPECT_EQ(commands[0].byte, 'o');
    EXPECT_EQ(commands[1].byte, '1');
    EXPECT_EQ(commands[2].byte, '2');
    // 200 ms after mute, 250 ms after the others; measured at the unit, with room for jitter.
    EXPECT_GE(commands[1].nMs - commands[0].nMs, 150);
    EXPECT_GE(commands[2].nMs - commands[1].nMs, 200);
    for (const AgentEvent& event : Agent().Events().Since(1, 10)) {
        if (event.strKind == QLatin1String("command")) {
            EXPECT_TRUE(event.values.value("accepted").toBool());
        }
    }
    EXPECT_TRUE(WaitUntil([&] { return Unit("tx1").Frame().CarrierMuted(); }));
}

TEST_F(ShareTest, NoAnswerWhileTheUnitIsNotOnline)
{
    ASSERT_NO_FATAL_FAILURE(StartShared({"--hangup-after", "10"}));
    CShareClient& client = *m_pClient;
    // From the hang-up on, polls go unanswered: first while the last frame grows old, then
    // once the unit is lost.
    ASSERT_TRUE(
        WaitUntil([&] { return Unit("tx1").Frames() == 10 && Unit("tx1").FrameAgeMs() > 200; }));
    client.Send("w");
    EXPECT_TRUE(client.Receive(1, 500).isEmpty());
    ASSERT_TRUE(WaitForState("tx1", State::Lost));
    client.Send("w");
    EXPECT_TRUE(client.Receive(1, 500).isEmpty());
    ASSERT_TRUE(StartSim("tx1"));
    ASSERT_TRUE(WaitForState("tx1", State::Online));
    client.Send("w");
    EXPECT_EQ(client.Receive(16).size(), 16);
}

// The panel itself on the shared line, as a serial-device server: it shows the unit, and
// reports the lost connection once the unit goes away.
TEST_F(ShareTest, ThePanelRunsOnTheSharedLine)
{
    ASSERT_NO_FATAL_FAILURE(StartShared());
    const QByteArray savedPorts = qgetenv("CORVEX_PORTS");
    qputenv("CORVEX_PORTS", QStringLiteral("tcp:127.0.0.1:%1").arg(SharePort()).toLocal8Bit());
    std::vector<QString> boxes;
    {
        CControlDlg dlg;
        dlg.SetMessageBox([&](QMessageBox::Icon, const QString&, const QString& strText,
                              const QString&) { boxes.push_back(strText); });
        dlg.show();
        EXPECT_EQ(dlg.GetDlgItem(1066)->property("text").toString(),
                  QStringLiteral("127.0.0.1:%1").arg(SharePort()));
        qobject_cast<QPushButton*>(dlg.GetDlgItem(1008))->click();
        EXPECT_TRUE(WaitUntil(
            [&] { return dlg.windowTitle() == QStringLiteral("Bexon Transmitter"); }, 5000));
        EXPECT_EQ(dlg.GetDlgItem(1025)->property("text").toString(), QStringLiteral("15.0 W FWD."));
        EXPECT_TRUE(boxes.empty());

        StopSim("tx1");
        ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }, 10000));
        EXPECT_EQ(boxes.front(), QStringLiteral("The connection cannot be established or has "
                                                "been lost. Please reconnect."));
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Corvex Control"));
    }
    qputenv("CORVEX_PORTS", savedPorts);
}

struct CtlRun
{
    int nExitCode = -1;
    QString strOut;
    QString strErr;
};

// Runs the real corvexctl to its end while this process's agent serves it.
CtlRun RunCtl(const QStringList& args)
{
    QProcess ctl;
    EndWithTestRun(ctl);
    ctl.start(QStringLiteral(CORVEXCTL_PATH), args);
    CtlRun run;
    if (!WaitUntil([&] { return ctl.state() == QProcess::NotRunning; }, 20000)) {
        ADD_FAILURE() << "corvexctl did not end: " << args.join(' ').toStdString();
        ctl.kill();
        ctl.waitForFinished(3000);
        return run;
    }
    run.nExitCode = ctl.exitCode();
    run.strOut = QString::fromUtf8(ctl.readAllStandardOutput());
    run.strErr = QString::fromUtf8(ctl.readAllStandardError());
    return run;
}

// corvexctl on the shared line reads the same object that the agent serves for the unit.
TEST_F(ShareTest, CorvexctlOnTheSharedLineReadsWhatTheApiServes)
{
    ASSERT_NO_FATAL_FAILURE(StartShared({"--preset", "amplifier", "--alarms", "0x40"}));
    const CtlRun run =
        RunCtl({QStringLiteral("status"), QStringLiteral("tcp:127.0.0.1:%1").arg(SharePort()),
                QStringLiteral("--json")});
    EXPECT_EQ(run.nExitCode, 2) << run.strErr.toStdString();
    const QJsonObject probed = QJsonDocument::fromJson(run.strOut.toUtf8()).object();
    ASSERT_FALSE(probed.isEmpty());

    const QJsonObject served = Http().Get("/api/v1/units/tx1").Json();
    for (auto it = probed.begin(); it != probed.end(); ++it)
        EXPECT_EQ(served.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(served.value("model").toString(), QStringLiteral("Ilvar Amplifier"));
    EXPECT_TRUE(served.value("rf_fail").toBool());
}

// A mute or unmute that the shared line drops is no success: send looks for it in the replies.
TEST_F(ShareTest, CorvexctlSendOnTheSharedLineChecksMuteInTheReply)
{
    const struct
    {
        const char* pszShareCommands;
        int nExitCode;
        const char* pszError;
    } cases[] = {
        {"false", 2,
         "corvexctl: mute sent, but the unit still reports its carrier on after 1000 ms: the "
         "command did not take effect (a shared line of corvex-agent drops commands unless "
         "share_commands = true)\n"},
        {"true", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszShareCommands);
        ASSERT_NO_FATAL_FAILURE(
            StartShared({}, QStringLiteral("share_commands = ") + c.pszShareCommands));
        const QString strShare = QStringLiteral("tcp:127.0.0.1:%1").arg(SharePort());
        const CtlRun mute = RunCtl({"send", "mute", strShare, "--timeout", "1000"});
        EXPECT_EQ(mute.nExitCode, c.nExitCode);
        EXPECT_EQ(mute.strErr, QLatin1String(c.pszError));
        ASSERT_TRUE(WaitForEvent("tx1", "command"));
        for (const AgentEvent& event : Agent().Events().Since(0, CEventLog::kMaxQuery)) {
            if (event.strKind == QLatin1String("command")) {
                EXPECT_EQ(event.values.value("accepted").toBool(), c.nExitCode == 0);
            }
        }
        EXPECT_EQ(SimReceived("tx1").contains('o'), c.nExitCode == 0);
        if (c.nExitCode == 0) {
            const CtlRun unmute = RunCtl({"send", "unmute", strShare, "--timeout", "1000"});
            EXPECT_EQ(unmute.nExitCode, 0) << unmute.strErr.toStdString();
            EXPECT_FALSE(Unit("tx1").Frame().CarrierMuted());
        }
    }
}

// A probe started on the agent's own line, by the agent's path or another path to the same
// device, is told that another program holds it and how to reach the unit instead, and takes
// no reply from the agent.
TEST_F(ShareTest, CorvexctlOnTheAgentsOwnLineIsToldThatItIsHeld)
{
    ASSERT_NO_FATAL_FAILURE(StartShared());
    for (const QString& strPort : {Path("tx1"), Sim("tx1").LinePath()}) {
        SCOPED_TRACE(strPort.toStdString());
        const CtlRun run = RunCtl({"status", strPort, "--timeout", "1000"});
        EXPECT_EQ(run.nExitCode, 3);
        EXPECT_TRUE(run.strOut.startsWith(
            QStringLiteral("CORVEX UNKNOWN - %1 does not open: held by another program")
                .arg(strPort)))
            << run.strOut.toStdString();
        EXPECT_TRUE(run.strOut.contains(QLatin1String(
            "; where corvex-agent owns the line, its shared line (tcp:HOST:PORT) or its HTTP API "
            "reaches the unit")))
            << run.strOut.toStdString();
    }
    WaitUntil([] { return false; }, 500);
    EXPECT_EQ(Unit("tx1").MissedPolls(), 0u);
    EXPECT_EQ(Unit("tx1").GetState(), State::Online);
}

} // namespace
