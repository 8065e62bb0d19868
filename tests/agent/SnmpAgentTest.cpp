#include "AgentProcess.h"
#include "AgentSnmp.h"
#include "FrameChanges.h"
#include "SnmpTestSupport.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QRegularExpression>

#include <csignal>

// The agent's units over SNMP, end to end: simulators on pseudo-terminals, the agent (in this
// process on its real timers, or the real program), Debian's snmpd as AgentX master and
// snmptrapd receiving what the master's trap2sink sends, all on 127.0.0.1.
namespace {

using namespace SnmpTest;
using CorvexMib::Notification;
using State = CUnitPoller::State;

const QString kTx = QStringLiteral("tx-main");
const QString kPa = QStringLiteral("pa-stage");

// Every event that has a notification gets its own, as the agent records the event: the alarm
// and lock events exactly as FrameChanges() reports a lamp that comes on and goes off again.
TEST(SnmpNotificationFor, EachLinkAlarmAndLockEventHasItsNotification)
{
    const struct
    {
        quint8 statusFlags;
        quint8 alarmFlags;
        Notification changed;  // from the preset's state to these flags
        Notification restored; // and back
    } lamps[] = {
        {UnitState::kPllLocked, UnitState::kRfFail, Notification::RfFailRaised,
         Notification::RfFailCleared},
        {UnitState::kPllLocked, UnitState::kPllFail, Notification::PllFailRaised,
         Notification::PllFailCleared},
        {UnitState::kPllLocked, UnitState::kModulationFail, Notification::ModulationFailRaised,
         Notification::ModulationFailCleared},
        {0, 0, Notification::PllLockLost, Notification::PllLockRegained},
    };
    const auto decode = [](const UnitState& state) {
        const UnitState::Frame bytes = state.ToFrame();
        return StatusFrame::Decode(bytes.data());
    };
    const auto notificationOf = [](const FrameChange& change) {
        return CAgentSnmp::NotificationFor({1, 0, kTx, change.strKind, change.values});
    };
    const StatusFrame clear = decode(UnitState::Transmitter());
    for (const auto& lamp : lamps) {
        SCOPED_TRACE(::testing::Message() << "notification " << int(lamp.changed));
        UnitState state = UnitState::Transmitter();
        state.statusFlags = lamp.statusFlags;
        state.alarmFlags = lamp.alarmFlags;
        const StatusFrame changed = decode(state);
        const std::vector<FrameChange> on = FrameChanges(&clear, changed);
        const std::vector<FrameChange> off = FrameChanges(&changed, clear);
        ASSERT_EQ(on.size(), 1u);
        ASSERT_EQ(off.size(), 1u);
        EXPECT_EQ(notificationOf(on[0]), lamp.changed);
        EXPECT_EQ(notificationOf(off[0]), lamp.restored);
    }

    const auto notificationOfKind = [](const char* pszKind) {
        return CAgentSnmp::NotificationFor({1, 0, kTx, QLatin1String(pszKind), {}});
    };
    EXPECT_EQ(notificationOfKind("link_lost"), Notification::LinkLost);
    EXPECT_EQ(notificationOfKind("link_restored"), Notification::LinkRestored);
    for (const char* pszKind : {"model_changed", "carrier_muted", "carrier_unmuted", "command"})
        EXPECT_EQ(notificationOfKind(pszKind), std::nullopt) << pszKind;
}

class SnmpAgentTest : public CAgentProcessFixture
{
protected:
    void SetUp() override
    {
        CAgentProcessFixture::SetUp();
        const QString strMissing = MissingForEndToEnd();
        if (!strMissing.isEmpty())
            GTEST_SKIP() << strMissing.toStdString();
        if (!CSnmpSubagent::CanStartInThisProcess())
            GTEST_SKIP() << "net-snmp serves one subagent per process; ctest runs each test "
                            "in a process of its own";
        const std::vector<qint32> indexes = SnmpUnitRow::Indexes({kTx, kPa});
        m_nTx = indexes[0];
        m_nPa = indexes[1];
        QString strError;
        ASSERT_TRUE(m_daemons.StartTrapReceiver(strError)) << strError.toStdString();
        m_clock.start();
    }

    void StartMaster()
    {
        QString strError;
        ASSERT_TRUE(m_daemons.StartMaster(strError)) << strError.toStdString();
    }

    // The two units on simulators: a transmitter and an amplifier as the presets play them.
    void StartSims()
    {
        ASSERT_TRUE(StartSim(kTx));
        ASSERT_TRUE(StartSim(kPa, {QStringLiteral("--preset"), QStringLiteral("amplifier")}));
    }

    QString SnmpSection() const
    {
        return QStringLiteral("[snmp]\nagentx = %1\n").arg(m_daemons.AgentXSocket());
    }

    // The agent in this process on both units, joined to the master, both units online; the
    // time of each event is noted.
    void StartAgentOnBothUnits()
    {
        StartSims();
        StartAgent(SnmpSection() + UnitSection(kTx) + UnitSection(kPa));
        ASSERT_NE(Agent().Snmp(), nullptr);
        QObject::connect(&Agent().Events(), &CEventLog::Added, &Agent().Events(),
                         [this](const AgentEvent& event) {
                             m_eventAtMs[event.strUnit + QLatin1Char(' ') + event.strKind] =
                                 m_clock.elapsed();
                         });
        ASSERT_TRUE(WaitForState(kTx, State::Online));
        ASSERT_TRUE(WaitForState(kPa, State::Online));
        ASSERT_TRUE(WaitConnected(10000));
    }

    bool WaitConnected(int timeoutMs)
    {
        return WaitUntil([this] { return Agent().Snmp()->IsConnected(); }, timeoutMs);
    }

    // Waits for the unit's event, then for the notification it is sent as, which must reach
    // the trap receiver within 2 s of the event; returns the notification's variables.
    std::map<QString, QString> TrapOfEvent(const QString& strUnit, const QString& strKind,
                                           Notification notification, size_t nAlready)
    {
        const QString strKey = strUnit + QLatin1Char(' ') + strKind;
        EXPECT_TRUE(WaitUntil([&] { return m_eventAtMs.count(strKey) > 0; }, kStateTimeoutMs))
            << "no event " << strKey.toStdString();
        const std::map<QString, QString> trap =
            m_daemons.WaitForTrap(notification, nAlready, 10000);
        const qint64 nDelayMs = m_clock.elapsed() - m_eventAtMs[strKey];
        EXPECT_FALSE(trap.empty()) << "no notification for " << strKey.toStdString();
        EXPECT_LT(nDelayMs, 2000) << strKey.toStdString();
        RecordProperty((strKind + QStringLiteral("_trap_ms")).toStdString(), int(nDelayMs));
        return trap;
    }

    // A counter or gauge cell's number: "Counter64: 17" and "Gauge32: 40 milliseconds" give 17
    // and 40; -1 when the cell is missing or holds no number.
    static qint64 Number(const std::map<QString, QString>& cells, const QString& strCell)
    {
        const auto it = cells.find(strCell);
        if (it == cells.end())
            return -1;
        const QStringList words = it->second.split(QLatin1Char(' '));
        bool bOk = false;
        const qint64 n = words.value(1).toLongLong(&bOk);
        return bOk ? n : -1;
    }

    // The cells of a unit that the walk holds, by column name.
    static QStringList ColumnsOf(const std::map<QString, QString>& cells, qint32 nIndex)
    {
        QStringList columns;
        const QString strSuffix = QStringLiteral(".%1").arg(nIndex);
        for (const auto& cell : cells) {
            if (cell.first.endsWith(strSuffix))
                columns.append(cell.first.chopped(strSuffix.size()));
        }
        return columns;
    }

    CSnmpDaemons m_daemons;
    qint32 m_nTx = 0;
    qint32 m_nPa = 0;
    QElapsedTimer m_clock;
    std::map<QString, qint64> m_eventAtMs; // "UNIT KIND": when its latest event was recorded
};

// snmpwalk reads every column of both units as the simulators report them, live from the
// agent's pollers.
TEST_F(SnmpAgentTest, AWalkReadsEveryColumnOfBothUnitsAsTheSimulatorsReportThem)
{
    StartMaster();
    StartAgentOnBothUnits();

    const quint64 nTxFramesBefore = Unit(kTx).Frames();
    const std::map<QString, QString> cells = m_daemons.WalkTable();
    const quint64 nTxFramesAfter = Unit(kTx).Frames();

    const std::vector<CellValue> expected = {
        {Cell("corvexUnitName", m_nTx), QStringLiteral("STRING: tx-main")},
        {Cell("corvexUnitState", m_nTx), QStringLiteral("INTEGER: online(2)")},
        {Cell("corvexUnitModel", m_nTx), QStringLiteral("STRING: Bexon Transmitter")},
        {Cell("corvexUnitModelCode", m_nTx), QStringLiteral("INTEGER: 2")},
        {Cell("corvexUnitForwardPower", m_nTx), QStringLiteral("INTEGER: 15.00 watts")},
        {Cell("corvexUnitReflectedPower", m_nTx), QStringLiteral("INTEGER: .30 watts")},
        {Cell("corvexUnitPaTemperature", m_nTx), QStringLiteral("INTEGER: 45 degrees Celsius")},
        {Cell("corvexUnitPaVoltage", m_nTx), QStringLiteral("INTEGER: 28 volts")},
        {Cell("corvexUnitAuxVoltage", m_nTx), QStringLiteral("INTEGER: 15 volts")},
        {Cell("corvexUnitPeakDeviation", m_nTx), QStringLiteral("INTEGER: 60 kHz")},
        {Cell("corvexUnitGainReduction", m_nTx), QStringLiteral("INTEGER: 6 dB")},
        {Cell("corvexUnitFrequency", m_nTx), QStringLiteral("Counter64: 98500000 Hz")},
        {Cell("corvexUnitPllLocked", m_nTx), QStringLiteral("INTEGER: true(1)")},
        {Cell("corvexUnitRfFail", m_nTx), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitPllFail", m_nTx), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitModulationFail", m_nTx), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitMuted", m_nTx), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitName", m_nPa), QStringLiteral("STRING: pa-stage")},
        {Cell("corvexUnitState", m_nPa), QStringLiteral("INTEGER: online(2)")},
        {Cell("corvexUnitModel", m_nPa), QStringLiteral("STRING: Ilvar Amplifier")},
        {Cell("corvexUnitModelCode", m_nPa), QStringLiteral("INTEGER: 54")},
        {Cell("corvexUnitForwardPower", m_nPa), QStringLiteral("INTEGER: 200.00 watts")},
        {Cell("corvexUnitReflectedPower", m_nPa), QStringLiteral("INTEGER: 4.00 watts")},
        {Cell("corvexUnitPaTemperature", m_nPa), QStringLiteral("INTEGER: 40 degrees Celsius")},
        {Cell("corvexUnitPaVoltage", m_nPa), QStringLiteral("INTEGER: 48 volts")},
        {Cell("corvexUnitAuxVoltage", m_nPa), QStringLiteral("INTEGER: 15 volts")},
        {Cell("corvexUnitPeakDeviation", m_nPa), QStringLiteral("INTEGER: 0 kHz")},
        {Cell("corvexUnitGainReduction", m_nPa), QStringLiteral("INTEGER: 0 dB")},
        {Cell("corvexUnitFrequency", m_nPa), QStringLiteral("Counter64: 98500000 Hz")},
        {Cell("corvexUnitPllLocked", m_nPa), QStringLiteral("INTEGER: true(1)")},
        {Cell("corvexUnitRfFail", m_nPa), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitPllFail", m_nPa), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitModulationFail", m_nPa), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitMuted", m_nPa), QStringLiteral("INTEGER: false(2)")},
    };
    ExpectCells(cells, expected);
    // The counters as the poller counted them while the walk went on; a frame of each unit
    // arrived less than the miss limit ago.
    const qint64 nTxFrames = Number(cells, Cell("corvexUnitFrames", m_nTx));
    EXPECT_GE(nTxFrames, qint64(nTxFramesBefore));
    EXPECT_LE(nTxFrames, qint64(nTxFramesAfter));
    EXPECT_GT(Number(cells, Cell("corvexUnitFrames", m_nPa)), 0);
    for (const qint32 nIndex : {m_nTx, m_nPa}) {
        EXPECT_GE(Number(cells, Cell("corvexUnitMissedPolls", nIndex)), 0);
        const qint64 nAgeMs = Number(cells, Cell("corvexUnitFrameAge", nIndex));
        EXPECT_GE(nAgeMs, 0);
        EXPECT_LT(nAgeMs, 2900);
    }
    EXPECT_EQ(cells.size(), 2 * std::size(kColumns)); // every column of both, nothing else

    const ToolResult get =
        m_daemons.Query(QStringLiteral("snmpget"), {QStringLiteral("CORVEX-CONTROL-MIB::") +
                                                    Cell("corvexUnitForwardPower", m_nPa)});
    EXPECT_EQ(ParseVariables(get.strOut).at(Cell("corvexUnitForwardPower", m_nPa)),
              QStringLiteral("INTEGER: 200.00 watts"));
}

// A unit whose simulator stops turns lost: the manager is told within 2 s of the event, and its
// readings are no longer served. When it comes back with an RF fail alarm, the link's return
// and the alarm are notified with their values.
TEST_F(SnmpAgentTest, AStoppedUnitTurnsLostAndItsReturnAndAlarmAreNotified)
{
    StartMaster();
    StartAgentOnBothUnits();

    size_t nAlready = m_daemons.Traps().size();
    StopSim(kTx);
    const std::map<QString, QString> lost =
        TrapOfEvent(kTx, QStringLiteral("link_lost"), Notification::LinkLost, nAlready);
    EXPECT_EQ(lost.at(NumericCell(CorvexMib::Column::Name, m_nTx)),
              QStringLiteral("STRING: \"tx-main\""));
    EXPECT_EQ(lost.at(NumericCell(CorvexMib::Column::State, m_nTx)), QStringLiteral("INTEGER: 3"));

    const std::map<QString, QString> cells = m_daemons.WalkTable();
    EXPECT_EQ(cells.at(Cell("corvexUnitState", m_nTx)), QStringLiteral("INTEGER: lost(3)"));
    QStringList served = ColumnsOf(cells, m_nTx);
    served.sort();
    QStringList always = kAlwaysServed;
    always.sort();
    EXPECT_EQ(served, always);
    EXPECT_EQ(ColumnsOf(cells, m_nPa).size(), qsizetype(std::size(kColumns)));
    EXPECT_EQ(cells.at(Cell("corvexUnitState", m_nPa)), QStringLiteral("INTEGER: online(2)"));
    m_daemons.ExpectNoSuchInstance(m_nTx, {"corvexUnitForwardPower", "corvexUnitFrequency"});

    nAlready = m_daemons.Traps().size();
    ASSERT_TRUE(StartSim(kTx, {QStringLiteral("--alarms"), QStringLiteral("0x40")}));
    const std::map<QString, QString> restored =
        TrapOfEvent(kTx, QStringLiteral("link_restored"), Notification::LinkRestored, nAlready);
    EXPECT_EQ(restored.at(NumericCell(CorvexMib::Column::State, m_nTx)),
              QStringLiteral("INTEGER: 2"));
    const std::map<QString, QString> alarm =
        TrapOfEvent(kTx, QStringLiteral("alarm_raised"), Notification::RfFailRaised, nAlready);
    EXPECT_EQ(alarm.at(NumericCell(CorvexMib::Column::Name, m_nTx)),
              QStringLiteral("STRING: \"tx-main\""));
    EXPECT_EQ(alarm.at(NumericCell(CorvexMib::Column::RfFail, m_nTx)),
              QStringLiteral("INTEGER: 1"));
    EXPECT_EQ(alarm.size(), 4u); // sysUpTime.0, snmpTrapOID.0, the name, the lamp

    const std::map<QString, QString> back = m_daemons.WalkTable();
    EXPECT_EQ(back.at(Cell("corvexUnitRfFail", m_nTx)), QStringLiteral("INTEGER: true(1)"));
    EXPECT_EQ(back.at(Cell("corvexUnitForwardPower", m_nTx)),
              QStringLiteral("INTEGER: 15.00 watts"));
}

// Debian's snmpd.conf as the snmpd package shipped it: the machine's copy when it is unchanged
// (dpkg's checksum of the conffile). Empty with the reason otherwise.
QString ShippedSnmpdConf(QString& strWhyNot)
{
    QProcess dpkg;
    dpkg.start(QStringLiteral("dpkg-query"),
               {QStringLiteral("-W"), QStringLiteral("-f=${Conffiles}"), QStringLiteral("snmpd")});
    const QString strPath = QStringLiteral("/etc/snmp/snmpd.conf");
    QString strShippedMd5;
    if (dpkg.waitForFinished(10000) && dpkg.exitCode() == 0) {
        for (const QString& strLine : QString::fromUtf8(dpkg.readAllStandardOutput()).split('\n')) {
            const QStringList fields = strLine.simplified().split(' ');
            if (fields.size() >= 2 && fields[0] == strPath)
                strShippedMd5 = fields[1];
        }
    }
    QFile file(strPath);
    if (strShippedMd5.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        strWhyNot = QStringLiteral("no %1 of Debian's snmpd package here").arg(strPath);
        return {};
    }
    const QByteArray text = file.readAll();
    if (QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex() != strShippedMd5) {
        strWhyNot =
            QStringLiteral("%1 is no longer the file the snmpd package shipped").arg(strPath);
        return {};
    }
    return QString::fromUtf8(text);
}

// The lines the README's SNMP section tells the administrator to add to snmpd.conf.
QString ReadmeSnmpdLines()
{
    QFile readme(QStringLiteral(CORVEX_SOURCE_DIR "/README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    // Between the fences: every second part, its first line the fence's language.
    const QStringList parts = QString::fromUtf8(readme.readAll()).split(QStringLiteral("```"));
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        if (parts[i].contains(QLatin1String("agentXSocket")))
            return parts[i].section(QLatin1Char('\n'), 1);
    }
    return {};
}

// An administrator follows the README on Debian: its shipped snmpd.conf plus exactly the
// README's lines (on the test's own port and socket, without the machine's snmpd.conf.d), and
// the walk with the shipped community reads the agent's table, not "No more variables left in
// this MIB View".
TEST_F(SnmpAgentTest, DebiansSnmpdConfWithTheReadmesLinesServesTheTable)
{
    QString strWhyNot;
    QString strConfig = ShippedSnmpdConf(strWhyNot);
    if (strConfig.isEmpty())
        GTEST_SKIP() << strWhyNot.toStdString();
    const QString strReadmeLines = ReadmeSnmpdLines();
    ASSERT_TRUE(strReadmeLines.contains(QLatin1String("agentXSocket /var/agentx/master\n")));
    strConfig.replace(QRegularExpression(QStringLiteral("^agentaddress .*$"),
                                         QRegularExpression::MultilineOption),
                      QStringLiteral("agentaddress ") + m_daemons.AgentAddress());
    strConfig.remove(
        QRegularExpression(QStringLiteral("^includeDir .*$"), QRegularExpression::MultilineOption));
    strConfig += QLatin1Char('\n') +
                 QString(strReadmeLines)
                     .replace(QStringLiteral("/var/agentx/master"), m_daemons.AgentXSocket());
    QString strError;
    ASSERT_TRUE(m_daemons.StartMasterWith(strConfig, strError)) << strError.toStdString();
    StartAgentOnBothUnits();

    const ToolResult walk = m_daemons.Query(QStringLiteral("snmpwalk"), {kTable}, "public");
    EXPECT_EQ(walk.nExitCode, 0) << walk.strErr.toStdString();
    const std::map<QString, QString> cells = ParseVariables(walk.strOut);
    ExpectCells(cells, {{Cell("corvexUnitName", m_nTx), QStringLiteral("STRING: tx-main")},
                        {Cell("corvexUnitName", m_nPa), QStringLiteral("STRING: pa-stage")}});
    EXPECT_EQ(cells.size(), 2 * std::size(kColumns));
}

// The master restarts while the agent runs: the units are polled on, and the table is back
// within the reconnect interval.
TEST_F(SnmpAgentTest, TheTableIsBackWithinTheReconnectIntervalAfterTheMasterRestarts)
{
    StartMaster();
    StartAgentOnBothUnits();
    ASSERT_EQ(m_daemons.WalkTable().size(), 2 * std::size(kColumns));

    m_daemons.StopMaster();
    ASSERT_TRUE(WaitUntil([this] { return !Agent().Snmp()->IsConnected(); }, 10000));
    const quint64 nFramesWithoutMaster = Unit(kTx).Frames();
    StartMaster();
    QElapsedTimer sinceMasterUp;
    sinceMasterUp.start();
    ASSERT_TRUE(WaitConnected(10000));
    const qint64 nReconnectMs = sinceMasterUp.elapsed();
    EXPECT_LE(nReconnectMs, CSnmpSubagent::kPingIntervalS * 1000 + 2000);
    RecordProperty("reconnect_ms", int(nReconnectMs));

    EXPECT_GT(Unit(kTx).Frames(), nFramesWithoutMaster);
    EXPECT_EQ(Unit(kTx).GetState(), State::Online);
    const std::map<QString, QString> cells = m_daemons.WalkTable();
    EXPECT_EQ(cells.size(), 2 * std::size(kColumns));
    EXPECT_EQ(cells.at(Cell("corvexUnitName", m_nPa)), QStringLiteral("STRING: pa-stage"));
}

// The real program: a master that is not there is reported once while the units are polled,
// joined when it appears; a reload that would change [snmp] is refused whole, one that leaves
// it alone is applied and the table follows it, each unit keeping its index.
TEST_F(SnmpAgentTest, TheProgramJoinsALateMasterAndAReloadKeepsItsSnmpSetting)
{
    StartSims();
    const QString strAgent = QStringLiteral("[agent]\nhttp = 127.0.0.1:0\n");
    const QString strConfig =
        WriteConfig(strAgent + SnmpSection() + UnitSection(kTx) + UnitSection(kPa));
    CAgentProcess agent;
    ASSERT_NE(Run(agent, strConfig), 0);
    ASSERT_TRUE(WaitForUnitState(kTx, "online"));
    ASSERT_TRUE(WaitForUnitState(kPa, "online"));
    // Long enough for two more attempts to reach the master.
    WaitUntil([] { return false; }, 2 * CSnmpSubagent::kPingIntervalS * 1000 + 1000);
    EXPECT_EQ(agent.Stderr().count(QStringLiteral("warning: no AgentX master answers at %1")
                                       .arg(m_daemons.AgentXSocket())),
              1)
        << agent.Stderr().toStdString();

    StartMaster();
    EXPECT_FALSE(agent.WaitForLog(QStringLiteral("(connected to the AgentX master)")).isEmpty());
    std::map<QString, QString> cells;
    EXPECT_TRUE(WaitUntil(
        [&] {
            cells = m_daemons.WalkTable();
            return cells.size() == 2 * std::size(kColumns);
        },
        10000));
    EXPECT_EQ(cells[Cell("corvexUnitFrequency", m_nTx)], QStringLiteral("Counter64: 98500000 Hz"));
    EXPECT_EQ(cells[Cell("corvexUnitForwardPower", m_nPa)],
              QStringLiteral("INTEGER: 200.00 watts"));

    // Without [snmp], and without one unit: nothing of it is applied.
    WriteConfig(strAgent + UnitSection(kTx));
    agent.Signal(SIGHUP);
    EXPECT_FALSE(agent.WaitForLog(QStringLiteral("(configuration not reloaded)")).isEmpty());
    EXPECT_TRUE(agent.Stderr().contains(
        QStringLiteral("[snmp] agentx: the change from %1 to off takes a restart of the agent")
            .arg(m_daemons.AgentXSocket())))
        << agent.Stderr().toStdString();
    EXPECT_EQ(m_daemons.WalkTable().size(), 2 * std::size(kColumns));

    // With [snmp] as it was: the unit goes, the other keeps its row.
    WriteConfig(strAgent + SnmpSection() + UnitSection(kTx));
    agent.Signal(SIGHUP);
    EXPECT_FALSE(agent.WaitForLog(QStringLiteral("(configuration reloaded from .* \\(1 units\\))"))
                     .isEmpty());
    cells = m_daemons.WalkTable();
    EXPECT_EQ(cells.size(), std::size(kColumns));
    EXPECT_EQ(cells[Cell("corvexUnitName", m_nTx)], QStringLiteral("STRING: tx-main"));

    agent.Signal(SIGTERM);
    EXPECT_EQ(agent.WaitForExit(), 0);
}

} // namespace
