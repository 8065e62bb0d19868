#include "PanelFixture.h"
#include "PollInLoop.h"

#include <QTest>
#include <QTimer>

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

    // Space pressed and released on the keyboard: the window system hands it to the dialog's
    // window, which gives it to the control that has the focus.
    // A key that reaches another button (About) could open a modal box: it is ended in time.
    void PressSpace()
    {
        QTimer::singleShot(3000, &Dlg(), &EndModalDialogs);
        QTest::keyClick(Dlg().windowHandle(), Qt::Key_Space);
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

// A key pressed twice on the focused button sends its command twice: the focus stays on the
// button through the pause in which it is disabled.
TEST_F(CommandsTest, SpaceTwiceOnAFocusedButtonSendsItsCommandTwice)
{
    const struct
    {
        int nId;
        char chByte;
    } buttons[] = {
        {IDC_POWER_UP, '3'},       {IDC_POWER_DOWN, '4'},   {IDC_FREQUENCY_UP, '1'},
        {IDC_FREQUENCY_DOWN, '2'}, {IDC_RESET_ALARMS, '6'}, {IDC_MUTE, 'o'},
    };
    ConnectTo({});
    ASSERT_TRUE(TickFrame());
    ASSERT_TRUE(SimReceived("ww"));
    for (const auto& button : buttons) {
        SCOPED_TRACE(button.nId);
        const QByteArray before = SimLog();
        Item(button.nId)->setFocus(Qt::TabFocusReason);
        ASSERT_EQ(Dlg().focusWidget(), Item(button.nId));
        PressSpace();
        EXPECT_EQ(Dlg().focusWidget(), Item(button.nId));
        PressSpace();
        EXPECT_EQ(Dlg().focusWidget(), Item(button.nId));
        EXPECT_TRUE(SimReceived(before + QByteArray(2, button.chByte)));
    }
}

TEST_F(CommandsTest, FocusStaysOnMuteWhenItsCaptionChanges)
{
    ConnectTo({});
    ASSERT_TRUE(TickFrame());
    Item(IDC_MUTE)->setFocus(Qt::TabFocusReason);
    PressSpace();
    ASSERT_TRUE(SimReceived("wwo"));
    ASSERT_TRUE(TickFrame()); // the reply to the poll before the command
    ASSERT_TRUE(TickFrame());
    ASSERT_EQ(Text(IDC_MUTE), QStringLiteral("UNMUTE RF"));
    EXPECT_EQ(Dlg().focusWidget(), Item(IDC_MUTE));
    PressSpace();
    EXPECT_TRUE(SimReceived("wwowwf"));
}
