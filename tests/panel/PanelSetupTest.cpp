#include "PanelFixture.h"

#include "CaptionClipping.h"
#include "DialogTemplate.h"
#include "FileModesApply.h"
#include "PortTable.h"
#include "Pty.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSerialPort>

namespace {

constexpr int kLamps[] = {IDC_RF_FAIL_LED, IDC_PLL_FAIL_LED, IDC_MOD_FAIL_LED, IDC_PLL_LOCK_LED};
constexpr int kCommandButtons[] = {IDC_MUTE,       IDC_RESET_ALARMS, IDC_POWER_UP,
                                   IDC_POWER_DOWN, IDC_FREQUENCY_UP, IDC_FREQUENCY_DOWN};

QString MissingPort(int n)
{
    return QStringLiteral("/nonexistent/corvex-port-%1").arg(n);
}

// Presses the up (+1) or down (-1) half of the up-down control with the mouse.
void PressSpin(QWidget* pSpin, int nDirection)
{
    const QRect rc = nDirection > 0 ? CSpinButtonCtrl::UpRect(pSpin->size())
                                    : CSpinButtonCtrl::DownRect(pSpin->size());
    const QPointF pt = rc.center();
    QMouseEvent press(QEvent::MouseButtonPress, pt, pSpin->mapToGlobal(pt), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, pt, pSpin->mapToGlobal(pt), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pSpin, &press);
    QCoreApplication::sendEvent(pSpin, &release);
}

} // namespace

TEST(DialogTemplateTest, DialogUnitsBecomePixelsOfTheEightPointBaseUnits)
{
    const struct
    {
        QRect rcDlu;
        QRect rcPixels;
    } cases[] = {
        {QRect(0, 0, 0, 0), QRect(0, 0, 0, 0)},
        {QRect(23, 17, 53, 14), QRect(35, 28, 80, 23)}, // halves round up
        {QRect(1, 1, 2, 4), QRect(2, 2, 3, 7)},
        {QRect(420, 185, 8, 8), QRect(630, 301, 12, 13)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CDialogTemplate::DluToPixels(c.rcDlu), c.rcPixels) << c.rcDlu.x();
}

TEST(DialogTemplateTest, ParsesHeaderAndControlsWithQuotedTexts)
{
    CDialogTemplate dlgTemplate;
    ASSERT_TRUE(dlgTemplate.Parse(QStringLiteral(
        "// comment\n"
        "7 DIALOGEX 0, 0, 100, 50\n"
        "STYLE WS_POPUP | WS_CAPTION\n"
        "EXSTYLE WS_EX_APPWINDOW\n"
        "CAPTION \"Say \"\"hi\"\", world\"\n"
        "FONT 9, \"Any\"\n"
        "BEGIN\n"
        "  CONTROL \"A, b\", -1, \"STATIC\", SS_RIGHT|SS_SUNKEN, 1, 2, 3, 4\n"
        "  CONTROL \"\", 12, \"BUTTON\", BS_PUSHBUTTON, 5, 6, 7, 8, WS_EX_STATICEDGE\n"
        "END\n")))
        << dlgTemplate.ErrorString().toStdString();
    EXPECT_EQ(dlgTemplate.Id(), 7);
    EXPECT_EQ(dlgTemplate.Caption(), QStringLiteral("Say \"hi\", world"));
    EXPECT_EQ(dlgTemplate.RectDlu(), QRect(0, 0, 100, 50));
    EXPECT_EQ(dlgTemplate.Styles(), QStringList({"WS_POPUP", "WS_CAPTION", "WS_EX_APPWINDOW"}));
    EXPECT_EQ(dlgTemplate.FontPointSize(), 9);
    ASSERT_EQ(dlgTemplate.Controls().size(), 2u);
    const ControlTemplate& first = dlgTemplate.Controls()[0];
    EXPECT_EQ(first.strText, QStringLiteral("A, b"));
    EXPECT_EQ(first.nId, -1);
    EXPECT_EQ(first.styles, QStringList({"SS_RIGHT", "SS_SUNKEN"}));
    EXPECT_EQ(first.rcDlu, QRect(1, 2, 3, 4));
    const ControlTemplate& second = dlgTemplate.Controls()[1];
    EXPECT_TRUE(second.strText.isEmpty());
    EXPECT_EQ(second.nId, 12);
    EXPECT_TRUE(second.HasStyle("WS_EX_STATICEDGE"));
}

TEST(DialogTemplateTest, RejectsMalformedLines)
{
    const char* const cases[] = {
        "",                      // no header
        "CAPTION \"x\"",         // no header before it
        "1 DIALOGEX 0, 0, 10\n", // three numbers
        "1 DIALOGEX 0, 0, 10, 10\nCONTROL \"a\", 1, \"STATIC\", SS_LEFT, 1, 2, 3\n",
        "1 DIALOGEX 0, 0, 10, 10\nCONTROL \"a\", x, \"STATIC\", SS_LEFT, 1, 2, 3, 4\n",
        "1 DIALOGEX 0, 0, 10, 10\nCONTROL \"a\", 1, \"LISTBOX\", 0, 1, 2, 3, 4\n",
        "1 DIALOGEX 0, 0, 10, 10\nCONTROL \"a\", 1, \"STATIC\", SS_LEFT, 1, 2, -3, 4\n",
        "1 DIALOGEX 0, 0, 10, 10\nCONTROL \"a, 1, \"STATIC\", SS_LEFT, 1, 2, 3, 4\n",
        "1 DIALOGEX 0, 0, 10, 10\nFONT x, \"Any\"\n",
        "1 DIALOGEX 0, 0, 10, 10\nMENU 3\n",
    };
    for (const char* pszText : cases) {
        CDialogTemplate dlgTemplate;
        EXPECT_FALSE(dlgTemplate.Parse(QString::fromLatin1(pszText))) << pszText;
        EXPECT_FALSE(dlgTemplate.ErrorString().isEmpty()) << pszText;
    }
}

TEST(DialogTemplateTest, MainWindowTemplateHoldsItsFiftySixControls)
{
    CDialogTemplate dlgTemplate;
    ASSERT_TRUE(dlgTemplate.Load(QStringLiteral(":/dialog102.rc")))
        << dlgTemplate.ErrorString().toStdString();
    EXPECT_EQ(dlgTemplate.Id(), IDD_CORVEXCONTROL_DIALOG);
    EXPECT_EQ(dlgTemplate.Caption(), QStringLiteral("Corvex Control"));
    EXPECT_EQ(dlgTemplate.RectDlu(), QRect(0, 0, 420, 185));
    EXPECT_TRUE(dlgTemplate.Styles().contains("WS_MINIMIZEBOX"));
    EXPECT_EQ(dlgTemplate.FontPointSize(), 8);
    ASSERT_EQ(dlgTemplate.Controls().size(), 56u);
    EXPECT_EQ(dlgTemplate.Controls().front().nId, IDCANCEL);
    EXPECT_EQ(dlgTemplate.Controls().back().nId, IDC_PORT_SPIN);
    EXPECT_EQ(dlgTemplate.Controls()[54].nId, IDC_PORT);
}

// Every identifier of the two templates has its name, and each name is the control it says.
TEST(DialogTemplateTest, NamesSayWhichControlEachIdentifierIs)
{
    struct Named
    {
        int nId;
        const char* pszClass;
        const char* pszCaption;
    };
    const struct
    {
        const char* pszPath;
        int nIdd;
        std::vector<Named> controls;
    } templates[] = {
        {":/dialog100.rc",
         IDD_ABOUTBOX,
         {{IDOK, "BUTTON", "OK"}, {IDC_UPDATES_LINK, "BUTTON", ""}}},
        {":/dialog102.rc",
         IDD_CORVEXCONTROL_DIALOG,
         {
             {IDCANCEL, "BUTTON", "E&xit"},
             {IDC_CONNECT, "BUTTON", "Connect"},
             {IDC_FREQUENCY_GROUP, "BUTTON", "Frequency"},
             {IDC_RESET_ALARMS, "BUTTON", "Reset Alarms"},
             {IDC_PLL_FAIL_LABEL, "STATIC", "PLL Fail"},
             {IDC_MOD_FAIL_LABEL, "STATIC", "Mod. Fail"},
             {IDC_MUTE, "BUTTON", "MUTE RF"},
             {IDC_CONNECTION_GROUP, "BUTTON", "Connection"},
             {IDC_ABOUT, "BUTTON", "&About"},
             {IDC_FORWARD_POWER, "STATIC", "12W"},
             {IDC_GAIN_REDUCTION_BAR, "msctls_progress32", "Progress1"},
             {IDC_RF_FAIL_LED, "STATIC", ""},
             {IDC_PLL_FAIL_LED, "STATIC", ""},
             {IDC_MOD_FAIL_LED, "STATIC", ""},
             {IDC_FREQUENCY_COUNTER, "STATIC", ""},
             {IDC_REFLECTED_POWER, "STATIC", "1W"},
             {IDC_TEMPERATURE_BAR, "msctls_progress32", "Progress1"},
             {IDC_GAIN_REDUCTION_LABEL, "STATIC", "Gain Reduction"},
             {IDC_DEVIATION_LABEL, "STATIC", "Peak Deviation"},
             {IDC_PLL_LOCK_LED, "STATIC", ""},
             {IDC_PLL_LOCK_LABEL, "STATIC", "PLL LOCK"},
             {IDC_AUDIO_GROUP, "BUTTON", "Audio"},
             {IDC_AUX_LABEL, "STATIC", "AUX"},
             {IDC_PA_VOLTAGE_BAR, "msctls_progress32", "Progress2"},
             {IDC_AUX_VOLTAGE_BAR, "msctls_progress32", "Progress3"},
             {IDC_GAIN_REDUCTION, "STATIC", "db"},
             {IDC_DEVIATION_LOW_BAR, "msctls_progress32", "Progress1"},
             {IDC_DEVIATION_SCALE_100, "STATIC", "100"},
             {IDC_DEVIATION_SCALE_0, "STATIC", "0"},
             {IDC_DEVIATION_SCALE_25, "STATIC", "25"},
             {IDC_DEVIATION_SCALE_50, "STATIC", "50"},
             {IDC_DEVIATION_SCALE_75, "STATIC", "75"},
             {IDC_DEVIATION_HIGH_BAR, "msctls_progress32", "Progress2"},
             {IDC_DEVIATION, "STATIC", "Khz"},
             {IDC_GAIN_REDUCTION_SCALE_0, "STATIC", "0"},
             {IDC_GAIN_REDUCTION_SCALE_24, "STATIC", "24"},
             {IDC_GAIN_REDUCTION_SCALE_12, "STATIC", "12"},
             {IDC_GAIN_REDUCTION_SCALE_6, "STATIC", "6"},
             {IDC_GAIN_REDUCTION_SCALE_18, "STATIC", "18"},
             {IDC_POWER_UP, "BUTTON", "UP"},
             {IDC_POWER_DOWN, "BUTTON", "DOWN"},
             {IDC_FREQUENCY_UP, "BUTTON", "UP"},
             {IDC_FREQUENCY_DOWN, "BUTTON", "DOWN"},
             {IDC_PORT, "EDIT", ""},
             {IDC_PORT_SPIN, "msctls_updown32", "Spin1"},
         }},
    };
    for (const auto& t : templates) {
        SCOPED_TRACE(t.pszPath);
        CDialogTemplate dlgTemplate;
        ASSERT_TRUE(dlgTemplate.Load(QString::fromLatin1(t.pszPath)));
        EXPECT_EQ(dlgTemplate.Id(), t.nIdd);
        std::vector<int> identified;
        for (const ControlTemplate& ctl : dlgTemplate.Controls())
            if (ctl.nId != -1)
                identified.push_back(ctl.nId);
        std::vector<int> named;
        for (const Named& n : t.controls)
            named.push_back(n.nId);
        EXPECT_EQ(named, identified); // all of them, in template order
        for (const Named& n : t.controls) {
            const auto it =
                std::find_if(dlgTemplate.Controls().begin(), dlgTemplate.Controls().end(),
                             [&](const ControlTemplate& ctl) { return ctl.nId == n.nId; });
            ASSERT_NE(it, dlgTemplate.Controls().end()) << n.nId;
            EXPECT_EQ(it->strClass, QLatin1String(n.pszClass)) << n.nId;
            EXPECT_EQ(it->strText, QLatin1String(n.pszCaption)) << n.nId;
        }
    }
}

class PanelSetupTest : public CPanelFixture
{
};

TEST_F(PanelSetupTest, StartsCompactAndDisconnected)
{
    CControlDlg& dlg = CreateDialog();
    EXPECT_EQ(dlg.frameGeometry().size(), QSize(236, 139));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Corvex Control"));
    EXPECT_EQ(Text(IDC_GAIN_REDUCTION), QStringLiteral("?"));
    EXPECT_EQ(Text(IDC_DEVIATION), QStringLiteral("?"));
    EXPECT_EQ(Text(IDC_FORWARD_POWER), QString());
    EXPECT_EQ(Text(IDC_REFLECTED_POWER), QString());
    EXPECT_EQ(Text(IDC_PORT), QStringLiteral("NONE"));
    EXPECT_EQ(Text(IDC_CONNECT), QStringLiteral("Connect"));
    EXPECT_TRUE(Item(IDC_CONNECT)->isEnabled());
    EXPECT_TRUE(Item(IDC_PORT_SPIN)->isEnabled());
    EXPECT_FALSE(dlg.IsPolling());
    for (int nId : kCommandButtons)
        EXPECT_FALSE(Item(nId)->isEnabled()) << nId;
    for (int nId : kLamps) {
        const CLed* pLed = ItemAs<CLed>(nId);
        ASSERT_NE(pLed, nullptr) << nId;
        EXPECT_EQ(pLed->Color(), CLed::Red) << nId;
        EXPECT_EQ(pLed->Mode(), CLed::Off) << nId;
        EXPECT_EQ(pLed->Shape(), CLed::Square) << nId;
    }

    const CStaticCounter* pCounter = ItemAs<CStaticCounter>(IDC_FREQUENCY_COUNTER);
    ASSERT_NE(pCounter, nullptr);
    EXPECT_EQ(pCounter->Text(), QStringLiteral("0.00"));
    EXPECT_FALSE(pCounter->IsBarShown());
    EXPECT_EQ(pCounter->SegmentColor(), QColor(0, 0, 0));
    EXPECT_EQ(pCounter->BackgroundColor(), QColor(236, 233, 216));
    EXPECT_EQ(pCounter->UnlitColor(), QColor(215, 215, 215));
    EXPECT_TRUE(pCounter->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(PanelSetupTest, BarsGetTheirRangesStylesAndLabels)
{
    CreateDialog();
    const struct
    {
        int nId;
        int nLower;
        int nUpper;
        quint32 dwStyle;
        const char* pszLabel;
    } bars[] = {
        {IDC_GAIN_REDUCTION_BAR, 0, 24, PBS_SMOOTH | PBS_VERTICAL | PBS_FLIPPED, "Progress1"},
        {IDC_DEVIATION_LOW_BAR, 0, 75, PBS_SMOOTH | PBS_VERTICAL | 0x0070, "Progress1"},
        {IDC_DEVIATION_HIGH_BAR, 75, 100, PBS_SMOOTH | PBS_VERTICAL | 0x0070, "Progress2"},
        {IDC_TEMPERATURE_BAR, 0, 100, PBS_VERTICAL | 0x1070 | PBS_LABELVALUE, "%d C"},
        {IDC_PA_VOLTAGE_BAR, 0, 50, 0x10B0 | PBS_LABELVALUE, "%d V"},
        {IDC_AUX_VOLTAGE_BAR, 0, 50, 0x10B0 | PBS_LABELVALUE, "%d V"},
    };
    for (const auto& bar : bars) {
        const CProgressCtrlX* pBar = ItemAs<CProgressCtrlX>(bar.nId);
        ASSERT_NE(pBar, nullptr) << bar.nId;
        int nLower = -1, nUpper = -1;
        pBar->GetRange(nLower, nUpper);
        EXPECT_EQ(nLower, bar.nLower) << bar.nId;
        EXPECT_EQ(nUpper, bar.nUpper) << bar.nId;
        EXPECT_EQ(pBar->GetStyle() & 0xFFFF, bar.dwStyle) << bar.nId;
        EXPECT_EQ(pBar->WindowText(), QString::fromLatin1(bar.pszLabel)) << bar.nId;
    }
    EXPECT_EQ(ItemAs<CProgressCtrlX>(IDC_PA_VOLTAGE_BAR)->GetPos(), 0);
    EXPECT_EQ(ItemAs<CProgressCtrlX>(IDC_TEMPERATURE_BAR)->GetPos(), 0);
}

TEST_F(PanelSetupTest, ControlsSitAtTheirRectanglesInTabOrder)
{
    CControlDlg& dlg = CreateDialog();
    CDialogTemplate dlgTemplate;
    ASSERT_TRUE(dlgTemplate.Load(QStringLiteral(":/dialog102.rc")));

    std::vector<QWidget*> tabStops;
    for (const ControlTemplate& ctl : dlgTemplate.Controls()) {
        if (ctl.nId == -1)
            continue;
        QWidget* pControl = Item(ctl.nId);
        ASSERT_NE(pControl, nullptr) << ctl.nId;
        EXPECT_EQ(pControl->geometry(), CDialogTemplate::DluToPixels(ctl.rcDlu)) << ctl.nId;
        if (pControl->focusPolicy() & Qt::TabFocus)
            tabStops.push_back(pControl);
    }
    EXPECT_EQ(Item(IDC_CONNECT)->geometry(), QRect(35, 28, 80, 23));
    // Every control of the template exists as a direct child, anonymous ones included.
    EXPECT_EQ(dlg.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly).size(), 27);
    EXPECT_EQ(dlg.findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly).size(), 7);

    // Walking the focus chain meets the tab stops in template order.
    std::vector<QWidget*> chain;
    QWidget* pWidget = tabStops.front();
    do {
        if (std::find(tabStops.begin(), tabStops.end(), pWidget) != tabStops.end())
            chain.push_back(pWidget);
        pWidget = pWidget->nextInFocusChain();
    } while (pWidget != tabStops.front() && chain.size() < tabStops.size() + 1);
    EXPECT_EQ(chain, tabStops);
}

TEST_F(PanelSetupTest, ControlsCarryTheirTemplateStyles)
{
    CControlDlg& dlg = CreateDialog();
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dlg.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_EQ(dlg.font().pointSize(), 8);

    EXPECT_TRUE(ItemAs<QPushButton>(IDC_CONNECT)->isDefault());
    EXPECT_FALSE(ItemAs<QPushButton>(IDC_ABOUT)->isDefault());
    for (int nId : {IDC_AUDIO_GROUP, IDC_FREQUENCY_GROUP, IDC_CONNECTION_GROUP})
        EXPECT_EQ(ItemAs<QGroupBox>(nId)->alignment(), Qt::AlignHCenter) << nId;
    for (int nId : {IDC_FORWARD_POWER, IDC_REFLECTED_POWER})
        EXPECT_EQ(ItemAs<QLabel>(nId)->alignment(), Qt::AlignRight | Qt::AlignVCenter) << nId;
    for (int nId : {IDC_GAIN_REDUCTION, IDC_DEVIATION}) {
        EXPECT_EQ(ItemAs<QLabel>(nId)->alignment(), Qt::AlignCenter) << nId;
        EXPECT_EQ(ItemAs<QLabel>(nId)->frameStyle(), QFrame::Panel | QFrame::Sunken) << nId;
    }
    const QLineEdit* pPort = ItemAs<QLineEdit>(IDC_PORT);
    ASSERT_NE(pPort, nullptr);
    EXPECT_TRUE(pPort->isReadOnly());
    EXPECT_EQ(pPort->alignment(), Qt::AlignCenter);
    for (int nId : {IDC_RESET_ALARMS, IDC_MUTE}) {
        const QFrame* pEdge = Item(nId)->findChild<QFrame*>();
        ASSERT_NE(pEdge, nullptr) << nId;
        EXPECT_EQ(pEdge->frameStyle(), QFrame::Panel | QFrame::Sunken) << nId;
        EXPECT_EQ(pEdge->geometry(), Item(nId)->rect()) << nId;
    }
    const auto* pSpin = ItemAs<CSpinButtonCtrl>(IDC_PORT_SPIN);
    ASSERT_NE(pSpin, nullptr);
    EXPECT_EQ(pSpin->GetBuddy(), Item(IDC_PORT));
    int nLower = 0, nUpper = 0;
    pSpin->GetRange(nLower, nUpper);
    EXPECT_EQ(nLower, 1);
    EXPECT_EQ(nUpper, 50);
    EXPECT_EQ(pSpin->size(), QSize(17, 26));
}

TEST_F(PanelSetupTest, NoCaptionIsClipped)
{
    CControlDlg& dlg = CreateDialog();
    for (const std::string& strClipped : ClippedCaptions(dlg))
        ADD_FAILURE() << strClipped;
}

TEST_F(PanelSetupTest, PortSearchFindsTheOpenPortsOfTheTable)
{
    CPty pty3, pty7;
    ASSERT_TRUE(pty3.Open()) << pty3.ErrorString().toStdString();
    ASSERT_TRUE(pty7.Open()) << pty7.ErrorString().toStdString();
    SetPorts({MissingPort(1), MissingPort(2), pty3.SlavePath(), MissingPort(4), MissingPort(5),
              MissingPort(6), pty7.SlavePath(), MissingPort(8)});
    const QString strPort3 = CPortTable::DisplayName(3);
    const QString strPort7 = CPortTable::DisplayName(7);
    ASSERT_FALSE(strPort3.isEmpty());
    ASSERT_NE(strPort3, strPort7);

    CreateDialog();
    EXPECT_EQ(Text(IDC_PORT), strPort3);
    const struct
    {
        int nDelta;
        QString strShown;
    } steps[] = {{1, strPort7}, {1, strPort7}, {-1, strPort3}, {-1, strPort3}, {1, strPort7}};
    for (const auto& step : steps) {
        PressSpin(Item(IDC_PORT_SPIN), step.nDelta);
        EXPECT_EQ(Text(IDC_PORT), step.strShown) << step.nDelta;
    }
}

TEST_F(PanelSetupTest, ArrowKeysOnThePortBoxStepThePort)
{
    CPty pty1, pty2;
    ASSERT_TRUE(pty1.Open());
    ASSERT_TRUE(pty2.Open());
    SetPorts({pty1.SlavePath(), pty2.SlavePath()});
    CreateDialog();
    EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(1));
    const auto pressKey = [&](Qt::Key key, bool bAutoRepeat) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, QString(), bAutoRepeat);
        QCoreApplication::sendEvent(Item(IDC_PORT), &event);
    };
    pressKey(Qt::Key_Up, false);
    EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(2));
    pressKey(Qt::Key_Down, true); // a held key repeats nothing
    EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(2));
    pressKey(Qt::Key_Down, false);
    EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(1));
}

TEST_F(PanelSetupTest, WithoutPortsTheBoxAlwaysShowsNone)
{
    CreateDialog();
    EXPECT_EQ(Text(IDC_PORT), QStringLiteral("NONE"));
    for (int nDelta : {1, -1, 0}) {
        Dlg().OnPortSpin(nDelta);
        EXPECT_EQ(Text(IDC_PORT), QStringLiteral("NONE")) << nDelta;
    }
}

// Up searches the ports above the current one up to 49, down the ports below it down to 1:
// port 50 is never selected, and from "NONE" down tries nothing.
TEST_F(PanelSetupTest, SearchesStayWithinTheirBounds)
{
    CPty pty49, pty50;
    ASSERT_TRUE(pty49.Open());
    ASSERT_TRUE(pty50.Open());
    QStringList missing48;
    for (int n = 1; n <= 48; ++n)
        missing48 << MissingPort(n);
    const struct
    {
        const char* pszCase;
        QStringList portsAtStart;
        QStringList portsAtPress; // the table when the arrow is pressed
        int nDirection;
        int nShownBefore; // 0 for "NONE"
        int nShownAfter;
    } cases[] = {
        {"up from NONE, only port 50 opens",
         missing48 + QStringList{MissingPort(49), pty50.SlavePath()},
         missing48 + QStringList{MissingPort(49), pty50.SlavePath()}, 1, 0, 0},
        {"up from port 49, port 50 opens",
         missing48 + QStringList{pty49.SlavePath(), pty50.SlavePath()},
         missing48 + QStringList{pty49.SlavePath(), pty50.SlavePath()}, 1, 49, 49},
        {"down from NONE, port 1 opens", {}, {pty49.SlavePath()}, -1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        SetPorts(c.portsAtStart);
        CreateDialog();
        const auto shown = [](int nPort) {
            return nPort == 0 ? QStringLiteral("NONE") : CPortTable::DisplayName(nPort);
        };
        EXPECT_EQ(Text(IDC_PORT), shown(c.nShownBefore));
        SetPorts(c.portsAtPress);
        PressSpin(Item(IDC_PORT_SPIN), c.nDirection);
        EXPECT_EQ(Text(IDC_PORT), shown(c.nShownAfter));
    }
}

// A port skipped because this user may not open it is named once, in the port box's tool tip,
// with the reason and the remedy; the tool tip goes when a search opens that port.
TEST_F(PanelSetupTest, PortSkippedForPermissionIsNamedInThePortBox)
{
    CPty pty1, pty2;
    ASSERT_TRUE(pty1.Open());
    ASSERT_TRUE(pty2.Open());
    SetPorts({pty1.SlavePath(), pty2.SlavePath()});
    {
        CFileModesApply modes(pty1.SlavePath());
        ASSERT_TRUE(modes.IsApplied());
        CreateDialog();
        EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(2));
        PressSpin(Item(IDC_PORT_SPIN), -1); // meets port 1 again: still one notice
    }
    const QString strTip = Item(IDC_PORT)->toolTip();
    EXPECT_TRUE(strTip.startsWith(
        QStringLiteral("Skipped %1: %2.\n").arg(pty1.SlavePath(), qt_error_string(EACCES))))
        << strTip.toStdString();
    EXPECT_EQ(strTip.count(QStringLiteral("Skipped")), 1);
    EXPECT_TRUE(strTip.contains(QStringLiteral("sudo adduser $USER dialout")));
    PressSpin(Item(IDC_PORT_SPIN), -1); // now it opens
    EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(1));
    EXPECT_TRUE(Item(IDC_PORT)->toolTip().isEmpty());
}

TEST_F(PanelSetupTest, PortHeldByAnotherProgramIsSkipped)
{
    CPty pty1, pty2, pty3;
    ASSERT_TRUE(pty1.Open());
    ASSERT_TRUE(pty2.Open());
    ASSERT_TRUE(pty3.Open());
    SetPorts({pty1.SlavePath(), pty2.SlavePath(), pty3.SlavePath()});
    QSerialPort holder1(pty1.SlavePath());
    QSerialPort holder2(pty2.SlavePath());
    ASSERT_TRUE(holder2.open(QIODevice::ReadWrite)) << holder2.errorString().toStdString();
    ASSERT_TRUE(holder1.open(QIODevice::ReadWrite)) << holder1.errorString().toStdString();

    CreateDialog(); // start-up skips 1 and 2
    EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(3));
    holder1.close();
    Dlg().OnPortSpin(-1); // skips 2, finds 1
    EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(1));
    Dlg().OnPortSpin(1); // skips 2, finds 3
    EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(3));
}

TEST_F(PanelSetupTest, StepOfZeroSearchesNothingButRewritesTheBox)
{
    CPty pty1, pty2;
    ASSERT_TRUE(pty1.Open());
    ASSERT_TRUE(pty2.Open());
    SetPorts({pty1.SlavePath(), pty2.SlavePath()});
    CreateDialog();
    ItemAs<QLineEdit>(IDC_PORT)->setText(QStringLiteral("edited"));
    Dlg().OnPortSpin(0);
    EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(1));
}

TEST_F(PanelSetupTest, UpdateDataCopiesControlTextsBack)
{
    CreateDialog();
    ItemAs<QLabel>(IDC_FORWARD_POWER)->setText(QStringLiteral("7 W FWD."));
    ItemAs<QLineEdit>(IDC_PORT)->setText(QStringLiteral("COM9"));
    Dlg().UpdateData(true);
    ItemAs<QLabel>(IDC_FORWARD_POWER)->clear();
    ItemAs<QLineEdit>(IDC_PORT)->clear();
    Dlg().UpdateData(false);
    EXPECT_EQ(Text(IDC_FORWARD_POWER), QStringLiteral("7 W FWD."));
    EXPECT_EQ(Text(IDC_PORT), QStringLiteral("COM9"));
}
