#include "PanelFixture.h"

class CommandsTest : public CPanelFixture
{
protected:
    void ConnectTo(const QStringList& options)
    {
        ASSERT_TRUE(StartSim(options));
        SetPorts({SimPath()});
        CreateDialog();
        Connect();
    }
};

TEST_F(CommandsTest, EachButtonSendsItsByteOnceAndPausesDisabled)
{
    const struct
    {
        int nId;
        char chByte;
        int nPauseMs;
    } buttons[] = {
        {1005, '6', 250}, {1006, 'o', 200}, {1063, '1', 250},
        {1064, '2', 250}, {1061, '3', 250}, {1062, '4', 250},
    };
    ConnectTo({});
    ASSERT_TRUE(TickFrame()); // enables the power buttons and reports the carrier on
    QByteArray expected("ww");
    for (const auto& button : buttons) {
        SCOPED_TRACE(button.nId);
        m_pauses.clear();
        bool bEnabledDuringPause = true;
        m_fnDuringPause = [&] { bEnabledDuringPause = Item(button.nId)->isEnabled(); };
        ASSERT_TRUE(Item(button.nId)->isEnabled());
        Click(button.nId);
        EXPECT_EQ(m_pauses, std::vector<int>{button.nPauseMs});
        EXPECT_FALSE(bEnabledDuringPause);
        EXPECT_TRUE(Item(button.nId)->isEnabled());
        expected += button.chByte;
        EXPECT_TRUE(SimReceived(expected));
    }
}

TEST_F(CommandsTest, CommandsReachTheUnitAndShowInLaterFrames)
{
    ConnectTo({QStringLiteral("--frequency"), QStringLiteral("985")});
    ASSERT_TRUE(TickFrame());
    Click(1063);
    Click(1006);
    ASSERT_TRUE(SimReceived("ww1o"));
    ASSERT_TRUE(TickFrame()); // the reply to the second poll came before the commands
    // Polls after a command carry its effect.
    ASSERT_TRUE(TickFrame());
    EXPECT_EQ(ItemAs<CStaticCounter>(1022)->Text(), QStringLiteral("98.60"));
    EXPECT_EQ(Text(1006), QStringLiteral("UNMUTE RF"));
}

TEST_F(CommandsTest, MuteBeforeAnyFrameSendsUnmute)
{
    ConnectTo({});
    Click(1006);
    EXPECT_TRUE(SimReceived("wf"));
    EXPECT_EQ(Text(1006), QStringLiteral("MUTE RF"));
}

TEST_F(CommandsTest, MutePressedTwiceBeforeANewFrameSendsMuteTwice)
{
    ConnectTo({});
    ASSERT_TRUE(TickFrame());
    Click(1006);
    Click(1006);
    EXPECT_TRUE(SimReceived("wwoo"));
    EXPECT_EQ(Text(1006), QStringLiteral("MUTE RF")); // the caption waits for a frame
}

TEST_F(CommandsTest, MuteAfterReconnectActsOnTheLastReportedState)
{
    const struct
    {
        const char* pszStatus;
        const char* pszCaption;
        const char* pszSent;
    } cases[] = {
        {"0x01", "MUTE RF", "wwwo"},
        {"0x81", "UNMUTE RF", "wwwf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszStatus);
        ConnectTo({QStringLiteral("--status"), QString::fromLatin1(c.pszStatus)});
        ASSERT_TRUE(TickFrame());
        Click(1008);
        EXPECT_EQ(Text(1006), QString::fromLatin1(c.pszCaption));
        Connect();
        Click(1006);
        EXPECT_TRUE(SimReceived(c.pszSent));
        StopSim();
    }
}

TEST_F(CommandsTest, CodeOneNeverGetsPowerCommands)
{
    ConnectTo({QStringLiteral("--type"), QStringLiteral("1")});
    ASSERT_TRUE(TickFrame());
    EXPECT_FALSE(Item(1061)->isEnabled());
    EXPECT_FALSE(Item(1062)->isEnabled());
    Click(1061);
    Click(1062);
    Click(1063);
    EXPECT_TRUE(SimReceived("ww1"));
}
