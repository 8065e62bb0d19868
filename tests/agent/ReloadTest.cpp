#include "AgentFixture.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace {

using State = CUnitPoller::State;

class ReloadTest : public CAgentFixture
{
protected:
    bool Apply(const QString& strText, QStringList& errors)
    {
        AgentConfig config;
        if (!AgentConfig::Load(WriteConfig(strText), config, errors))
            return false;
        return Agent().Apply(config, errors);
    }

    // The unit code of the frame that a poll on 127.0.0.1:nPort brings back; -1 for none.
    static int CodeOnSharedLine(quint16 nPort)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, nPort);
        if (!socket.waitForConnected(3000))
            return -1;
        socket.write("w");
        if (!WaitUntil([&] { return socket.bytesAvailable() >= 16; }))
            return -1;
        return int(
            StatusFrame::Decode(reinterpret_cast<const quint8*>(socket.readAll().constData()))
                .unitType);
    }
};

// A new configuration moves a shared line from one unit to another on the same address, leaves
// a unit whose line settings did not change polling as it was, and is refused whole, with the
// agent unchanged, when one of its listeners cannot be bound.
TEST_F(ReloadTest, ListenersMoveUnitsStayAndABadOneChangesNothing)
{
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 nShare = probe.serverPort();
    probe.close();
    const QString strShare = QStringLiteral("share = 127.0.0.1:%1").arg(nShare);

    ASSERT_TRUE(StartSim("tx1"));
    ASSERT_TRUE(StartSim("pa1", {"--preset", "amplifier"}));
    StartAgent(UnitSection("tx1", strShare) + UnitSection("pa1"));
    ASSERT_TRUE(WaitForState("tx1", State::Online));
    ASSERT_TRUE(WaitForState("pa1", State::Online));
    EXPECT_EQ(CodeOnSharedLine(nShare), 2);
    const CUnitPoller* pTx1 = &Unit("tx1");
    const quint16 nHttp = Agent().HttpPort();

    QStringList errors;
    const QString strMoved = QStringLiteral("[agent]\nhttp = 127.0.0.1:0\n") +
                             UnitSection("tx1", "poll_ms = 100") + UnitSection("pa1", strShare);
    ASSERT_TRUE(Apply(strMoved, errors)) << errors.join('\n').toStdString();
    EXPECT_EQ(&Unit("tx1"), pTx1);
    EXPECT_EQ(Unit("tx1").GetState(), State::Online);
    EXPECT_EQ(Agent().SharePort("tx1"), 0);
    EXPECT_EQ(Agent().SharePort("pa1"), nShare);
    EXPECT_EQ(CodeOnSharedLine(nShare), 54);
    EXPECT_EQ(Agent().HttpPort(), nHttp);

    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost));
    const QString strBusy =
        QStringLiteral("[agent]\nhttp = 127.0.0.1:0\n") +
        UnitSection("tx1", QStringLiteral("share = 127.0.0.1:%1").arg(holder.serverPort())) +
        UnitSection("pa1", strShare) + UnitSection("gone");
    EXPECT_FALSE(Apply(strBusy, errors));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(
        errors[0].startsWith(QStringLiteral("[tx1] share 127.0.0.1:%1: ").arg(holder.serverPort())))
        << errors[0].toStdString();
    EXPECT_EQ(Agent().FindUnit("gone"), nullptr);
    EXPECT_EQ(Agent().Config().units.size(), 2u);
    EXPECT_EQ(CodeOnSharedLine(nShare), 54);

    // A unit whose port changes is restarted; one that is gone stops.
    ASSERT_TRUE(Apply(QStringLiteral("[agent]\nhttp = 127.0.0.1:0\n") +
                          QStringLiteral("[tx1]\nport = %1\n").arg(Path("pa1")),
                      errors))
        << errors.join('\n').toStdString();
    EXPECT_EQ(Agent().FindUnit("pa1"), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Unit("tx1").Frame().unitType == 54; }, kStateTimeoutMs));
    // The same unit name keeps what it saw: the new model is a change, not a first frame.
    EXPECT_TRUE(EventKinds("tx1").contains("model_changed"));
    EXPECT_EQ(Http().Get("/api/v1/units").Json().value("units").toArray().size(), 1);
}

} // namespace
