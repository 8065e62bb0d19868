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
        {IDC_RESET_ALARMS, '6', 250},   {IDC_MUTE, 'o', 200},     {IDC_FREQUENCY_UP, '1', 250},
        {IDC_FREQUENCY_DOWN, '2', 250}, {IDC_POWER_UP, '3', 250}, {IDC_POWER_DOWN, '4', 250},
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
    Click(IDC_FREQUENCY_UP);
    Click(IDC_MUTE);
    ASSERT_TRUE(SimReceived("ww1o"));
    ASSERT_TRUE(TickFrame()); // the reply to the second poll came before the commands
    // Polls after a command carry its effect.
    ASSERT_TRUE(TickFrame());
    EXPECT_EQ(ItemAs<CStaticCounter>(IDC_FREQUENCY_COUNTER)->Text(), QStringLiteral("98.60"));
    EXPECT_EQ(Text(IDC_MUTE), QStringLiteral("UNMUTE RF"));
}

TEST_F(CommandsTest, MuteBeforeAnyFrameSendsUnmute)
{
    ConnectTo({});
    Click(IDC_MUTE);
    EXPECT_TRUE(SimReceived("wf"));
    EXPECT_EQ(Text(IDC_MUTE), QStringLiteral("MUTE RF"));
}

TEST_F(CommandsTest, MutePressedTwiceBeforeANewFrameSendsMuteTwice)
{
    ConnectTo({});
    ASSERT_TRUE(TickFrame());
    Click(IDC_MUTE);
    Click(IDC_MUTE);
    EXPECT_TRUE(SimReceived("wwoo"));
    EXPECT_EQ(Text(IDC_MUTE), QStringLiteral("MUTE RF")); // the caption waits for a frame
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
        Click(IDC_CONNECT);
        EXPECT_EQ(Text(IDC_MUTE), QString::fromLatin1(c.pszCaption));
        Connect();
        Click(IDC_MUTE);
        EXPECT_TRUE(SimReceived(c.pszSent));
        StopSim();
    }
}

TEST_F(CommandsTest, CodeOneNeverGetsPowerCommands)
{
    ConnectTo({QStringLiteral("--type"), QStringLiteral("1")});
    ASSERT_TRUE(TickFrame());
    EXPECT_FALSE(Item(IDC_POWER_UP)->isEnabled());
    EXPECT_FALSE(Item(IDC_POWER_DOWN)->isEnabled());
    Click(IDC_POWER_UP);
    Click(IDC_POWER_DOWN);
    Click(IDC_FREQUENCY_UP);
    EXPECT_TRUE(SimReceived("ww1"));
}
