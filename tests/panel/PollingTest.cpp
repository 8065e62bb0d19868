#include "PanelFixture.h"

#include "FileModesApply.h"
#include "FloodPeer.h"
#include "PollInLoop.h"
#include "Pty.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

const QString kLostText =
    QStringLiteral("The connection cannot be established or has been lost. Please reconnect.");
const QString kOpenFailedText = QStringLiteral("The selected com port failed to open.");
const QPoint kHome(500, 400);
// A few ticks beyond the 29th without a frame.
constexpr int kMissesPastTheLimit = CControlDlg::kMissLimit + 3;

} // namespace

class PollingTest : public CPanelFixture
{
protected:
    // A dialog on the simulator started with options, placed at kHome and connected.
    void ConnectTo(const QStringList& options)
    {
        ASSERT_TRUE(StartSim(options));
        SetPorts({SimPath()});
        CreateDialog().move(kHome);
        Connect();
    }

    void ExpectLostConnectionReported()
    {
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].icon, QMessageBox::Critical);
        EXPECT_EQ(m_boxes[0].strCaption, QStringLiteral("Corvex Control Error"));
        EXPECT_EQ(m_boxes[0].strText, kLostText);
    }

    void ExpectDisconnectedAtHome()
    {
        EXPECT_EQ(Text(IDC_CONNECT), QStringLiteral("Connect"));
        EXPECT_TRUE(Item(IDC_CONNECT)->isEnabled());
        EXPECT_TRUE(Item(IDC_PORT_SPIN)->isEnabled());
        EXPECT_FALSE(Dlg().IsPolling());
        EXPECT_EQ(Dlg().frameGeometry(), QRect(kHome, QSize(236, 139)));
        EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Corvex Control"));
    }
};

TEST_F(PollingTest, ConnectOpensThePortAndSendsThePoll)
{
    ConnectTo({QStringLiteral("--silent")});
    EXPECT_EQ(Text(IDC_CONNECT), QStringLiteral("Disconnect"));
    EXPECT_FALSE(Item(IDC_CONNECT)->isEnabled());
    EXPECT_FALSE(Item(IDC_PORT_SPIN)->isEnabled());
    for (int nId : {IDC_RESET_ALARMS, IDC_MUTE, IDC_FREQUENCY_UP, IDC_FREQUENCY_DOWN})
        EXPECT_TRUE(Item(nId)->isEnabled()) << nId;
    for (int nId : {IDC_POWER_UP, IDC_POWER_DOWN})
        EXPECT_FALSE(Item(nId)->isEnabled()) << nId;
    EXPECT_TRUE(Dlg().IsPolling());
    EXPECT_TRUE(SimReceived("w"));
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(PollingTest, PollTimerTicksEveryHundredMilliseconds)
{
    ASSERT_TRUE(StartSim());
    SetPorts({SimPath()});
    CControlDlg& dlg = CreateDialog();
    dlg.SetTimerPeriod(CControlDlg::kTimerPeriodMs);
    Connect();
    // The real timer reads the reply and polls again, without any tick from the test.
    EXPECT_TRUE(WaitUntil([&] { return SimLog().size() >= 3; }, 3000));
    EXPECT_EQ(SimLog().left(3), QByteArray("www"));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Bexon Transmitter"));
}

TEST_F(PollingTest, SilentUnitIsReportedOnTheTwentyNinthTick)
{
    ConnectTo({QStringLiteral("--silent")});
    Tick(28);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_FALSE(Item(IDC_CONNECT)->isEnabled());
    Tick();
    ExpectLostConnectionReported();
    EXPECT_EQ(m_boxes[0].strInformative,
              QStringLiteral("No status frame came from %1 since Connect. Check the cable, the "
                             "unit's power and that %1 is the unit's port.")
                  .arg(SimPath()));
    ExpectDisconnectedAtHome();
    EXPECT_TRUE(SimReceived("w")); // no poll is repeated on a tick without a frame
}

TEST_F(PollingTest, TicksWhileTheMessageIsShownOpenNoSecondMessage)
{
    ConnectTo({QStringLiteral("--silent")});
    bool bPollingWhileShown = false;
    m_fnWhileBoxShown = [&] {
        bPollingWhileShown = Dlg().IsPolling();
        Tick(5);
    };
    Tick(29);
    ExpectLostConnectionReported();
    EXPECT_TRUE(bPollingWhileShown);
    ExpectDisconnectedAtHome();
}

// On the real timer, with the real boxes: the ticks go on behind the lost-connection box, a reply
// that comes meanwhile is shown and answered, and a second loss opens a second box on top; each
// box closes into its own Disconnect.
TEST_F(PollingTest, TicksGoOnBehindTheLostConnectionBox)
{
    CPty pty;
    ASSERT_TRUE(pty.Open());
    SetPorts({pty.SlavePath()});
    CControlDlg& dlg = CreateDialog();
    dlg.move(kHome);
    dlg.SetTimerPeriod(CControlDlg::kTimerPeriodMs);
    UseRealMessageBoxes();
    Connect();
    ASSERT_EQ(pty.ReadMaster(1000), QByteArray("w"));

    QByteArray frame(16, '\0');
    frame[13] = char(2);
    QByteArray polls;
    QPointer<QMessageBox> pFirst, pSecond;
    const auto activeBox = [] {
        return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    };
    const std::vector<std::function<bool()>> steps = {
        // The first box opens on the 29th tick; ticks behind it count misses past 30.
        [&] {
            pFirst = activeBox();
            return pFirst && MissCount() >= kMissesPastTheLimit;
        },
        [&] {
            EXPECT_EQ(m_boxes.size(), 1u) << "a second box while the misses passed 30";
            EXPECT_EQ(pFirst->text(), kLostText);
            EXPECT_EQ(pFirst->informativeText(), m_boxes[0].strInformative);
            pty.WriteMaster(frame);
            return true;
        },
        // The reply is read, shown and answered with a poll while the box is up.
        [&] {
            polls += pty.ReadMaster();
            return dlg.windowTitle() == QStringLiteral("Bexon Transmitter") && polls == "w";
        },
        // The unit falls silent again: 29 ticks later a second box opens on top of the first.
        [&] {
            pSecond = activeBox();
            return pSecond && pSecond != pFirst;
        },
        [&] {
            EXPECT_TRUE(pFirst && pFirst->isVisible());
            pSecond->accept();
            return true;
        },
        // The second box's Disconnect resets the panel behind the first.
        [&] { return !dlg.IsPolling() && activeBox() == pFirst; },
        [&] {
            EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Corvex Control"));
            EXPECT_EQ(Text(IDC_CONNECT), QStringLiteral("Connect"));
            pFirst->accept();
            return true;
        },
    };
    size_t nStep = 0;
    PollInLoop(
        [&] {
            while (nStep < steps.size() && steps[nStep]())
                ++nStep;
            return nStep == steps.size();
        },
        20000);
    EXPECT_TRUE(WaitUntil([&] { return nStep == steps.size() && !activeBox(); }, 25000))
        << "stopped at step " << nStep;
    ASSERT_EQ(m_boxes.size(), 2u);
    EXPECT_EQ(m_boxes[1].strText, kLostText);
    EXPECT_TRUE(m_boxes[0].strInformative.startsWith(QStringLiteral("No status frame came")));
    EXPECT_TRUE(m_boxes[1].strInformative.startsWith(QStringLiteral("The last status frame")));
    ExpectDisconnectedAtHome();
    EXPECT_EQ(polls + pty.ReadMaster(), QByteArray("w"));
}

TEST_F(PollingTest, MoreThanSixteenBytesWaitingIsSilence)
{
    ConnectTo({QStringLiteral("--extra-bytes"), QStringLiteral("1")});
    ASSERT_TRUE(WaitForBytes(17));
    Tick(28);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Corvex Control"));
    Tick();
    ExpectLostConnectionReported();
    ExpectDisconnectedAtHome();
    EXPECT_TRUE(SimReceived("w"));
}

TEST_F(PollingTest, SplitReplyIsReadWhenWhole)
{
    ConnectTo({QStringLiteral("--split"), QStringLiteral("500")});
    ASSERT_TRUE(WaitForBytes(8));
    ASSERT_LT(BytesWaiting(), 16);
    Tick();
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Corvex Control"));
    EXPECT_EQ(Text(IDC_GAIN_REDUCTION), QStringLiteral("?"));
    ASSERT_TRUE(TickFrame());
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Bexon Transmitter"));
    EXPECT_TRUE(Item(IDC_CONNECT)->isEnabled());
    EXPECT_TRUE(SimReceived("ww"));
    // The miss before the frame does not count towards the limit after it.
    Tick(28);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(PollingTest, UnitVanishingWhileConnectedEndsInTheLostConnectionMessage)
{
    ConnectTo({QStringLiteral("--hangup-after"), QStringLiteral("1")});
    ASSERT_TRUE(TickFrame());
    EXPECT_EQ(Dlg().frameGeometry().size(), QSize(645, 330));
    ASSERT_TRUE(WaitForSimExit());
    Tick(29);
    ExpectLostConnectionReported();
    ExpectDisconnectedAtHome();
}

TEST_F(PollingTest, FailedConnectWarnsAndLeavesTheWindowWhereItWas)
{
    CreateDialog().move(kHome);
    Connect();
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].icon, QMessageBox::Warning);
    EXPECT_EQ(m_boxes[0].strCaption, QCoreApplication::applicationName());
    EXPECT_EQ(m_boxes[0].strText, kOpenFailedText);
    EXPECT_EQ(m_boxes[0].strInformative,
              QStringLiteral("No port is selected: the search found none that opens."));
    ExpectDisconnectedAtHome();
    for (int nId : {IDC_RESET_ALARMS, IDC_MUTE, IDC_POWER_UP, IDC_POWER_DOWN, IDC_FREQUENCY_UP,
                    IDC_FREQUENCY_DOWN})
        EXPECT_FALSE(Item(nId)->isEnabled()) << nId;
}

TEST_F(PollingTest, FailedConnectAfterAConnectionLeavesTheWindowWhereItWas)
{
    ConnectTo({});
    ASSERT_TRUE(TickFrame());
    Click(IDC_CONNECT);
    ExpectDisconnectedAtHome();
    StopSim();
    SetPorts({QStringLiteral("/nonexistent/corvex-port-gone")});
    Connect();
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].strText, kOpenFailedText);
    EXPECT_EQ(m_boxes[0].strInformative,
              QStringLiteral("/nonexistent/corvex-port-gone: %1.").arg(qt_error_string(ENOENT)));
    ExpectDisconnectedAtHome();
}

// A port this user may not open: the box names it, gives the system's reason and the remedy.
TEST_F(PollingTest, FailedConnectForPermissionSaysHowToGetAccess)
{
    CPty pty;
    ASSERT_TRUE(pty.Open());
    SetPorts({pty.SlavePath()});
    CreateDialog();
    CFileModesApply modes(pty.SlavePath());
    ASSERT_TRUE(modes.IsApplied());
    Connect();
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].strCaption, QCoreApplication::applicationName());
    EXPECT_EQ(m_boxes[0].strText, kOpenFailedText);
    const QString& strInformative = m_boxes[0].strInformative;
    EXPECT_TRUE(strInformative.startsWith(
        QStringLiteral("%1: %2.\n").arg(pty.SlavePath(), qt_error_string(EACCES))))
        << strInformative.toStdString();
    EXPECT_TRUE(strInformative.contains(QStringLiteral("sudo adduser $USER dialout")))
        << strInformative.toStdString();
    EXPECT_TRUE(strInformative.contains(QStringLiteral("log out and log in again")));
}

TEST_F(PollingTest, ConnectedLayoutGrowsAboutTheCentreAndDisconnectReturns)
{
    const struct
    {
        const char* pszPreset;
        QRect rcConnected;
        bool bTransmitterControls;
    } cases[] = {
        {"transmitter", QRect(kHome - QPoint(204, 95), QSize(645, 330)), true},
        {"amplifier", QRect(kHome - QPoint(89, 95), QSize(414, 330)), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszPreset);
        ConnectTo({QStringLiteral("--preset"), QString::fromLatin1(c.pszPreset)});
        EXPECT_EQ(Dlg().frameGeometry(), QRect(kHome, QSize(236, 139)));
        ASSERT_TRUE(TickFrame());
        EXPECT_EQ(Dlg().frameGeometry(), c.rcConnected);
        for (int nId : {IDC_AUX_VOLTAGE_BAR, IDC_AUX_LABEL, IDC_PLL_FAIL_LABEL, IDC_MOD_FAIL_LABEL,
                        IDC_PLL_FAIL_LED, IDC_MOD_FAIL_LED, IDC_MUTE})
            EXPECT_EQ(Item(nId)->isVisible(), c.bTransmitterControls) << nId;
        ASSERT_TRUE(TickFrame()); // later frames leave the window alone
        EXPECT_EQ(Dlg().frameGeometry(), c.rcConnected);
        Click(IDC_CONNECT);
        ExpectDisconnectedAtHome();
        StopSim();
    }
}

TEST_F(PollingTest, AmplifierConnectionThenTransmitterConnection)
{
    ConnectTo({QStringLiteral("--preset"), QStringLiteral("amplifier")});
    ASSERT_TRUE(TickFrame());
    EXPECT_EQ(Dlg().frameGeometry().size(), QSize(414, 330));
    Click(IDC_CONNECT);
    ExpectDisconnectedAtHome();
    StopSim();

    ASSERT_TRUE(StartSim({QStringLiteral("--preset"), QStringLiteral("transmitter")}));
    SetPorts({SimPath()});
    Connect();
    ASSERT_TRUE(TickFrame());
    EXPECT_EQ(Dlg().frameGeometry(), QRect(kHome - QPoint(204, 95), QSize(645, 330)));
    for (int nId : {IDC_AUX_VOLTAGE_BAR, IDC_AUX_LABEL, IDC_PLL_FAIL_LABEL, IDC_MOD_FAIL_LABEL,
                    IDC_PLL_FAIL_LED, IDC_MOD_FAIL_LED, IDC_MUTE})
        EXPECT_TRUE(Item(nId)->isVisible()) << nId;
    Click(IDC_CONNECT);
    ExpectDisconnectedAtHome();
}

TEST_F(PollingTest, LayoutOfTheFirstFrameHoldsForTheConnection)
{
    // A line fed by hand: an amplifier frame first, then transmitter frames on the same line.
    CPty pty;
    ASSERT_TRUE(pty.Open());
    SetPorts({pty.SlavePath()});
    CreateDialog().move(kHome);
    Connect();
    QByteArray frame(16, '\0');
    frame[13] = char(54);
    pty.WriteMaster(frame);
    ASSERT_TRUE(TickFrame());
    EXPECT_EQ(Dlg().frameGeometry(), QRect(kHome - QPoint(89, 95), QSize(414, 330)));
    frame[13] = char(2);
    pty.WriteMaster(frame);
    ASSERT_TRUE(TickFrame());
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Bexon Transmitter"));
    EXPECT_EQ(Dlg().frameGeometry(), QRect(kHome - QPoint(89, 95), QSize(414, 330)));
    EXPECT_FALSE(Item(IDC_AUX_VOLTAGE_BAR)->isVisible());
    Click(IDC_CONNECT);
    ExpectDisconnectedAtHome();
}

TEST_F(PollingTest, SilenceAfterFramesIsReportedTwentyNineTicksAfterTheLastFrame)
{
    ConnectTo({QStringLiteral("--drop-every"), QStringLiteral("2")});
    ASSERT_TRUE(TickFrame());
    const QRect rcConnected = Dlg().frameGeometry();
    Tick(28);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(Dlg().frameGeometry(), rcConnected);
    Tick();
    ExpectLostConnectionReported();
    const QRegularExpression reSince(
        QStringLiteral("^The last status frame from %1 came \\d+\\.\\d s ago\\.$")
            .arg(QRegularExpression::escape(SimPath())));
    EXPECT_TRUE(reSince.match(m_boxes[0].strInformative).hasMatch())
        << m_boxes[0].strInformative.toStdString();
    ExpectDisconnectedAtHome();
}

namespace {

// The program's resident memory in bytes.
qint64 ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

} // namespace

// A unit that floods the line while the lost-connection message waits for the operator: the port
// stays open and nothing reads, so only a bounded receive queue keeps memory from growing.
class FloodTest : public PollingTest, public testing::WithParamInterface<CFloodPeer::Line>
{
};

TEST_P(FloodTest, MemoryStaysBoundedWhileTheLostConnectionMessageIsShown)
{
    CFloodPeer flood(GetParam());
    ASSERT_TRUE(flood.Start());
    SetPorts({flood.Entry()});
    CreateDialog().SetTimerPeriod(CControlDlg::kTimerPeriodMs);
    qint64 nShownBytes = -1;
    qint64 nAfterBytes = -1;
    m_fnWhileBoxShown = [&] {
        nShownBytes = ResidentBytes();
        WaitUntil([] { return false; }, 10000);
        nAfterBytes = ResidentBytes();
    };
    Connect();
    ASSERT_TRUE(WaitUntil([&] { return !m_boxes.empty(); }, 10000));
    ExpectLostConnectionReported();
    ASSERT_GT(nShownBytes, 0);
    std::printf("[ measured ] resident memory grew by %lld kB in 10 s of flood\n",
                static_cast<long long>((nAfterBytes - nShownBytes) / 1024));
    EXPECT_LT(nAfterBytes - nShownBytes, 1024 * 1024);
}

INSTANTIATE_TEST_SUITE_P(Lines, FloodTest,
                         testing::Values(CFloodPeer::Line::Serial, CFloodPeer::Line::Tcp),
                         [](const testing::TestParamInfo<CFloodPeer::Line>& param) {
                             return param.param == CFloodPeer::Line::Serial ? "Serial" : "Tcp";
                         });
