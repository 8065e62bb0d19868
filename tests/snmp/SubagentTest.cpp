#include "CorvexMib.h"
#include "SnmpSubagent.h"
#include "SnmpTestSupport.h"
#include "UnitState.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace SnmpTest;
using CorvexMib::Notification;

TEST(MasterAddress, SocketPathsAndTcpAddressesAreTakenAndTheRestRefused)
{
    const struct
    {
        const char* pszAddress;
        bool bValid;
    } cases[] = {
        {"/var/agentx/master", true},
        {"/run/snmpd/agentx.sock", true},
        {"tcp:127.0.0.1:705", true},
        {"tcp:localhost:705", true},
        {"tcp:[::1]:705", true},
        {"", false},
        {"agentx.sock", false},       // relative: depends on the working directory
        {"udp:127.0.0.1:705", false}, // AgentX runs over a stream
        {"tcp:127.0.0.1", false},
        {"tcp:127.0.0.1:0", false},
        {"tcp:127.0.0.1:70000", false},
        {"tcp::705", false},
        {"/tmp/a:b", false},
    };
    for (const auto& c : cases) {
        QString strError;
        EXPECT_EQ(CSnmpSubagent::CheckMasterAddress(QString::fromUtf8(c.pszAddress), strError),
                  c.bValid)
            << c.pszAddress;
        EXPECT_EQ(strError.isEmpty(), c.bValid) << c.pszAddress;
    }
}

class SubagentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString strMissing = MissingForEndToEnd();
        if (!strMissing.isEmpty())
            GTEST_SKIP() << strMissing.toStdString();
        if (!CSnmpSubagent::CanStartInThisProcess())
            GTEST_SKIP() << "net-snmp serves one subagent per process; ctest runs each test "
                            "in a process of its own";
        const std::vector<qint32> indexes =
            SnmpUnitRow::Indexes({QStringLiteral("tx-main"), QStringLiteral("pa-stage")});
        m_rows = {SimulatedRow(QStringLiteral("tx-main"), indexes[0], UnitState::Transmitter()),
                  SimulatedRow(QStringLiteral("pa-stage"), indexes[1], UnitState::Amplifier())};
        QString strError;
        ASSERT_TRUE(m_daemons.StartTrapReceiver(strError)) << strError.toStdString();
    }

    void StartMaster()
    {
        QString strError;
        ASSERT_TRUE(m_daemons.StartMaster(strError)) << strError.toStdString();
    }

    void StartSubagent()
    {
        m_pSubagent =
            std::make_unique<CSnmpSubagent>(m_daemons.AgentXSocket(), [this] { return m_rows; });
        QString strError;
        ASSERT_TRUE(m_pSubagent->Start(strError)) << strError.toStdString();
    }

    bool WaitConnected(int timeoutMs)
    {
        return WaitUntil([this] { return m_pSubagent->IsConnected(); }, timeoutMs);
    }

    CSnmpDaemons m_daemons;
    std::vector<SnmpUnitRow> m_rows;
    std::unique_ptr<CSnmpSubagent> m_pSubagent;
};

TEST_F(SubagentTest, ServesEveryColumnOfBothUnitsAsTheSimulatorReportsThem)
{
    StartMaster();
    StartSubagent();
    ASSERT_TRUE(WaitConnected(10000));

    const std::map<QString, QString> cells = m_daemons.WalkTable();
    const qint32 tx = m_rows[0].nIndex;
    const qint32 pa = m_rows[1].nIndex;
    const std::vector<CellValue> expected = {
        {Cell("corvexUnitName", tx), QStringLiteral("STRING: tx-main")},
        {Cell("corvexUnitState", tx), QStringLiteral("INTEGER: online(2)")},
        {Cell("corvexUnitModel", tx), QStringLiteral("STRING: Bexon Transmitter")},
        {Cell("corvexUnitModelCode", tx), QStringLiteral("INTEGER: 2")},
        {Cell("corvexUnitForwardPower", tx), QStringLiteral("INTEGER: 15.00 watts")},
        // 30 hundredths: net-snmp writes a DISPLAY-HINT "d-2" below 1 without its leading 0.
        {Cell("corvexUnitReflectedPower", tx), QStringLiteral("INTEGER: .30 watts")},
        {Cell("corvexUnitPaTemperature", tx), QStringLiteral("INTEGER: 45 degrees Celsius")},
        {Cell("corvexUnitPaVoltage", tx), QStringLiteral("INTEGER: 28 volts")},
        {Cell("corvexUnitAuxVoltage", tx), QStringLiteral("INTEGER: 15 volts")},
        {Cell("corvexUnitPeakDeviation", tx), QStringLiteral("INTEGER: 60 kHz")},
        {Cell("corvexUnitGainReduction", tx), QStringLiteral("INTEGER: 6 dB")},
        {Cell("corvexUnitFrequency", tx), QStringLiteral("Counter64: 98500000 Hz")},
        {Cell("corvexUnitPllLocked", tx), QStringLiteral("INTEGER: true(1)")},
        {Cell("corvexUnitRfFail", tx), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitPllFail", tx), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitModulationFail", tx), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitMuted", tx), QStringLiteral("INTEGER: false(2)")},
        {Cell("corvexUnitFrames", tx), QStringLiteral("Counter64: 1234")},
        {Cell("corvexUnitMissedPolls", tx), QStringLiteral("Counter64: 2")},
        {Cell("corvexUnitFrameAge", tx), QStringLiteral("Gauge32: 60 milliseconds")},
        {Cell("corvexUnitName", pa), QStringLiteral("STRING: pa-stage")},
        {Cell("corvexUnitModel", pa), QStringLiteral("STRING: Ilvar Amplifier")},
        {Cell("corvexUnitModelCode", pa), QStringLiteral("INTEGER: 54")},
        {Cell("corvexUnitForwardPower", pa), QStringLiteral("INTEGER: 200.00 watts")},
        {Cell("corvexUnitReflectedPower", pa), QStringLiteral("INTEGER: 4.00 watts")},
        {Cell("corvexUnitPaTemperature", pa), QStringLiteral("INTEGER: 40 degrees Celsius")},
        {Cell("corvexUnitPaVoltage", pa), QStringLiteral("INTEGER: 48 volts")},
        {Cell("corvexUnitFrequency", pa), QStringLiteral("Counter64: 98500000 Hz")},
    };
    ExpectCells(cells, expected);
    for (const qint32 index : {tx, pa}) {
        for (const char* pszColumn : kColumns)
            EXPECT_EQ(cells.count(Cell(pszColumn, index)), 1u) << pszColumn << "." << index;
    }
    EXPECT_EQ(cells.size(), 2 * std::size(kColumns)); // nothing else in the table

    // A GET of one cell, of a cell of no row, and of a column that does not exist.
    const ToolResult get = m_daemons.Query(
        QStringLiteral("snmpget"),
        {QStringLiteral("CORVEX-CONTROL-MIB::") + Cell("corvexUnitFrequency", tx),
         NumericCell(CorvexMib::Column::Frequency, tx == 1 ? 2 : 1),
         QStringLiteral(".1.3.6.1.4.1.%1.1.1.1.99.%2").arg(CorvexMib::kEnterprise).arg(tx)});
    const std::map<QString, QString> got = ParseVariables(get.strOut);
    EXPECT_EQ(got.at(Cell("corvexUnitFrequency", tx)), QStringLiteral("Counter64: 98500000 Hz"));
    EXPECT_EQ(got.at(Cell("corvexUnitFrequency", tx == 1 ? 2 : 1)), kNoSuchInstance);
    EXPECT_EQ(got.at(QStringLiteral("corvexUnitEntry.99.%1").arg(tx)),
              QStringLiteral("No Such Object available on this agent at this OID"));
}

// The same over AgentX on TCP (tcp:127.0.0.1:PORT), as a master may be configured.
TEST_F(SubagentTest, ServesThroughAMasterOnTcp)
{
    m_daemons.UseTcpForAgentX();
    StartMaster();
    StartSubagent();
    ASSERT_TRUE(WaitConnected(10000));
    const std::map<QString, QString> cells = m_daemons.WalkTable();
    EXPECT_EQ(cells.size(), 2 * std::size(kColumns));
    EXPECT_EQ(cells.at(Cell("corvexUnitFrequency", m_rows[0].nIndex)),
              QStringLiteral("Counter64: 98500000 Hz"));
}

TEST_F(SubagentTest, AUnitThatIsNotOnlineShowsItsStateAndNoReadings)
{
    StartMaster();
    StartSubagent();
    ASSERT_TRUE(WaitConnected(10000));
    m_rows[0].state = SnmpUnitRow::State::Lost;
    m_rows[0].nFrameAgeMs = 3100;
    m_rows[1].state = SnmpUnitRow::State::Connecting;
    m_rows[1].nFrameAgeMs = -1; // no frame since the agent started
    m_rows[1].nFrames = 0;

    const std::map<QString, QString> cells = m_daemons.WalkTable();
    const qint32 lost = m_rows[0].nIndex;
    const qint32 connecting = m_rows[1].nIndex;
    EXPECT_EQ(cells.at(Cell("corvexUnitState", lost)), QStringLiteral("INTEGER: lost(3)"));
    EXPECT_EQ(cells.at(Cell("corvexUnitState", connecting)),
              QStringLiteral("INTEGER: connecting(1)"));
    EXPECT_EQ(cells.at(Cell("corvexUnitFrameAge", lost)),
              QStringLiteral("Gauge32: 3100 milliseconds"));
    EXPECT_EQ(cells.count(Cell("corvexUnitFrameAge", connecting)), 0u);
    for (const char* pszColumn : kColumns) {
        const bool bServed = kAlwaysServed.contains(QLatin1String(pszColumn));
        EXPECT_EQ(cells.count(Cell(pszColumn, lost)), bServed ? 1u : 0u) << pszColumn;
    }
    EXPECT_EQ(cells.size(), 2 * std::size(kAlwaysServed) - 1);

    m_daemons.ExpectNoSuchInstance(lost, {"corvexUnitForwardPower", "corvexUnitRfFail"});

    // Back online: the readings are served again, from the new frame.
    m_rows[0].state = SnmpUnitRow::State::Online;
    m_rows[0].nFrameAgeMs = 20;
    EXPECT_EQ(m_daemons.WalkTable().at(Cell("corvexUnitForwardPower", lost)),
              QStringLiteral("INTEGER: 15.00 watts"));
}

// Each notification reaches the station's trap receiver through the master within 2 s, with
// the unit's name and the value that changed, both instances of the unit's row.
TEST_F(SubagentTest, NotificationsReachTheTrapReceiverWithTheirValues)
{
    StartMaster();
    StartSubagent();
    ASSERT_TRUE(WaitConnected(10000));

    SnmpUnitRow& row = m_rows[0];
    const struct
    {
        Notification notification;
        SnmpUnitRow::State state;
        quint8 statusFlags;
        quint8 alarmFlags;
        CorvexMib::Column column;
        const char* pszValue;
    } cases[] = {
        {Notification::LinkLost, SnmpUnitRow::State::Lost, UnitState::kPllLocked, 0,
         CorvexMib::Column::State, "INTEGER: 3"},
        {Notification::LinkRestored, SnmpUnitRow::State::Online, UnitState::kPllLocked, 0,
         CorvexMib::Column::State, "INTEGER: 2"},
        {Notification::RfFailRaised, SnmpUnitRow::State::Online, UnitState::kPllLocked,
         UnitState::kRfFail, CorvexMib::Column::RfFail, "INTEGER: 1"},
        {Notification::RfFailCleared, SnmpUnitRow::State::Online, UnitState::kPllLocked, 0,
         CorvexMib::Column::RfFail, "INTEGER: 2"},
        {Notification::PllFailRaised, SnmpUnitRow::State::Online, UnitState::kPllLocked,
         UnitState::kPllFail, CorvexMib::Column::PllFail, "INTEGER: 1"},
        {Notification::PllFailCleared, SnmpUnitRow::State::Online, UnitState::kPllLocked, 0,
         CorvexMib::Column::PllFail, "INTEGER: 2"},
        {Notification::ModulationFailRaised, SnmpUnitRow::State::Online, UnitState::kPllLocked,
         UnitState::kModulationFail, CorvexMib::Column::ModulationFail, "INTEGER: 1"},
        {Notification::ModulationFailCleared, SnmpUnitRow::State::Online, UnitState::kPllLocked, 0,
         CorvexMib::Column::ModulationFail, "INTEGER: 2"},
        {Notification::PllLockLost, SnmpUnitRow::State::Online, 0, 0, CorvexMib::Column::PllLocked,
         "INTEGER: 2"},
        {Notification::PllLockRegained, SnmpUnitRow::State::Online, UnitState::kPllLocked, 0,
         CorvexMib::Column::PllLocked, "INTEGER: 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "notification " << int(c.notification));
        UnitState state = UnitState::Transmitter();
        state.statusFlags = c.statusFlags;
        state.alarmFlags = c.alarmFlags;
        const UnitState::Frame bytes = state.ToFrame();
        row.frame = StatusFrame::Decode(bytes.data());
        row.state = c.state;

        const size_t nAlready = m_daemons.Traps().size();
        QElapsedTimer sinceSent;
        sinceSent.start();
        ASSERT_TRUE(m_pSubagent->Notify(c.notification, row));
        const std::map<QString, QString> trap =
            m_daemons.WaitForTrap(c.notification, nAlready, 2000);
        ASSERT_FALSE(trap.empty()) << "nothing arrived within 2 s";
        EXPECT_LT(sinceSent.elapsed(), 2000);
        EXPECT_EQ(trap.at(NumericCell(CorvexMib::Column::Name, row.nIndex)),
                  QStringLiteral("STRING: \"tx-main\""));
        EXPECT_EQ(trap.at(NumericCell(c.column, row.nIndex)), QLatin1String(c.pszValue));
        EXPECT_EQ(trap.size(), 4u); // sysUpTime.0, snmpTrapOID.0, the name, the value
    }
}

// The master restarts under the running subagent: the subagent notices, says so once, comes
// back within its reconnect interval, and the event loop never stops meanwhile.
TEST_F(SubagentTest, TableIsBackWithinTheReconnectIntervalAfterTheMasterRestarts)
{
    StartMaster();
    StartSubagent();
    ASSERT_TRUE(WaitConnected(10000));
    ASSERT_EQ(m_daemons.WalkTable().size(), 2 * std::size(kColumns));

    m_daemons.StopMaster();
    // The subagent has not yet read that the master closed the line: the notification meets
    // a dead socket, and is lost without taking the process with it.
    ASSERT_TRUE(m_pSubagent->IsConnected());
    m_pSubagent->Notify(Notification::LinkLost, m_rows[0]);
    const CLoopPauseMeter pauses(50);
    ASSERT_TRUE(WaitUntil([this] { return !m_pSubagent->IsConnected(); }, 10000));
    StartMaster();
    QElapsedTimer sinceMasterUp;
    sinceMasterUp.start();
    ASSERT_TRUE(WaitConnected(10000));
    const qint64 nReconnectMs = sinceMasterUp.elapsed();
    EXPECT_LE(nReconnectMs, CSnmpSubagent::kPingIntervalS * 1000 + 2000);
    RecordProperty("reconnect_ms", int(nReconnectMs));

    EXPECT_EQ(m_daemons.WalkTable().size(), 2 * std::size(kColumns));
    // At most one synchronous exchange with a master that is still starting.
    EXPECT_LT(pauses.LongestMs(), CSnmpSubagent::kMasterTimeoutMs + 800)
        << "the event loop stood still";
}

// A master that hangs (stopped, as by a stuck MIB module) gets the library's synchronous ping
// and closing, then probes that do not block, and never a connect() that would wait for room
// in its full listen queue: the event loop never stands still for long, and the subagent joins
// again once the master resumes.
TEST_F(SubagentTest, AHungMasterHoldsTheEventLoopOnlyBriefly)
{
    StartMaster();
    StartSubagent();
    ASSERT_TRUE(WaitConnected(10000));

    const CLoopPauseMeter pauses(20);

    ASSERT_TRUE(m_daemons.PauseMaster(true));
    // A ping goes unanswered, the session is closed, and attempts to open it again follow.
    EXPECT_TRUE(WaitUntil([this] { return !m_pSubagent->IsConnected(); },
                          CSnmpSubagent::kPingIntervalS * 1000 + 3000));
    // Longer than it takes to fill the master's listen queue with attempts (six on Linux).
    WaitUntil([] { return false; }, 8 * CSnmpSubagent::kPingIntervalS * 1000);
    EXPECT_FALSE(m_pSubagent->IsConnected());
    // The longest wait: a ping, the closing and perhaps one opening, each unanswered.
    EXPECT_LT(pauses.LongestMs(), 3 * CSnmpSubagent::kMasterTimeoutMs + 800);
    RecordProperty("longest_pause_ms", int(pauses.LongestMs()));

    ASSERT_TRUE(m_daemons.PauseMaster(false));
    ASSERT_TRUE(WaitConnected(CSnmpSubagent::kPingIntervalS * 1000 + 3000));
    EXPECT_EQ(m_daemons.WalkTable().size(), 2 * std::size(kColumns));
}

// No master at the start: said once, tried again without holding the event loop, joined as
// soon as the master appears.
TEST_F(SubagentTest, AnAbsentMasterIsReportedOnceAndJoinedWhenItAppears)
{
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& strMessage) {
            if (type >= QtWarningMsg && QLatin1String(context.category) == "corvex.agent.snmp")
                warnings << strMessage;
        });
    StartSubagent();

    const CLoopPauseMeter pauses(50);
    // Long enough for two further attempts.
    WaitUntil([] { return false; }, 2 * CSnmpSubagent::kPingIntervalS * 1000 + 1000);
    qInstallMessageHandler(previous);
    EXPECT_FALSE(m_pSubagent->IsConnected());
    ASSERT_EQ(warnings.size(), 1) << warnings.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(warnings[0].contains(m_daemons.AgentXSocket()));
    EXPECT_LT(pauses.LongestMs(), CSnmpSubagent::kMasterTimeoutMs + 800)
        << "the event loop stood still";

    StartMaster();
    QElapsedTimer sinceMasterUp;
    sinceMasterUp.start();
    ASSERT_TRUE(WaitConnected(10000));
    EXPECT_LE(sinceMasterUp.elapsed(), CSnmpSubagent::kPingIntervalS * 1000 + 2000);
    EXPECT_EQ(m_daemons.WalkTable().size(), 2 * std::size(kColumns));
}

TEST_F(SubagentTest, ASecondSubagentInTheProcessIsRefusedWithTheReason)
{
    StartSubagent();
    CSnmpSubagent second(m_daemons.AgentXSocket(), [] { return std::vector<SnmpUnitRow>(); });
    QString strError;
    EXPECT_FALSE(second.Start(strError));
    EXPECT_TRUE(strError.contains(QStringLiteral("one subagent per process")));
    EXPECT_FALSE(CSnmpSubagent::CanStartInThisProcess());
}

} // namespace
