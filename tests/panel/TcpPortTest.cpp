#include "PanelFixture.h"

#include "Ser2netProcess.h"
#include "TcpPeer.h"
#include "TcpTransport.h"

#include <QElapsedTimer>

#include <cstdio>

// The panel on tcp: ports: serial-device servers on 127.0.0.1.
class TcpPortTest : public CPanelFixture
{
};

TEST_F(TcpPortTest, StartUpWaitsOneConnectLimitForFiftyAddressesThatDoNotAnswer)
{
    CTcpPeer silent;
    ASSERT_TRUE(silent.Listen(0));
    ASSERT_TRUE(silent.Clog());
    SetPorts(QStringList(50, silent.Entry()));
    QElapsedTimer timer;
    timer.start();
    CreateDialog();
    const qint64 nElapsedMs = timer.elapsed();
    std::printf("[ measured ] dialog with 50 silent tcp: ports built and shown in %lld ms\n",
                static_cast<long long>(nElapsedMs));
    EXPECT_EQ(Text(IDC_PORT), QStringLiteral("NONE"));
    // One port after the other would take 49 connect limits; a wide margin for a busy machine.
    EXPECT_LT(nElapsedMs, 5 * CTcpTransport::kConnectTimeoutMs);
}

TEST_F(TcpPortTest, ConnectsThroughSer2netAndShowsATransmitter)
{
    if (CSer2netProcess::Program().isEmpty())
        GTEST_SKIP() << "ser2net is not installed (scripts/install-deps installs it)";
    CTcpPeer refusing;
    ASSERT_TRUE(refusing.Listen());
    refusing.CloseListener();
    ASSERT_TRUE(StartSim());
    CSer2netProcess ser2net;
    ASSERT_TRUE(ser2net.Start(SimPath())) << ser2net.ErrorString().toStdString();
    SetPorts({refusing.Entry(), QStringLiteral("tcp:127.0.0.1"), ser2net.Entry()});

    CreateDialog();
    EXPECT_EQ(Text(IDC_PORT), QStringLiteral("127.0.0.1:%1").arg(ser2net.Port()));
    Connect();
    ASSERT_TRUE(TickFrame());
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Bexon Transmitter"));
    EXPECT_EQ(Dlg().frameGeometry().size(), QSize(645, 330));
    EXPECT_EQ(Text(IDC_FORWARD_POWER), QStringLiteral("15.0 W FWD."));
    EXPECT_EQ(Text(IDC_REFLECTED_POWER), QStringLiteral("0.3 W REV."));
    EXPECT_EQ(Text(IDC_DEVIATION), QStringLiteral("60 Khz"));
    Click(IDC_POWER_UP);
    EXPECT_TRUE(SimReceived("ww3"));
    Click(IDC_CONNECT);
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Corvex Control"));
}
