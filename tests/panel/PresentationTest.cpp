#include "LinePanelFixture.h"

#include <QDir>
#include <QGroupBox>
#include <QImage>

namespace {

constexpr int kTransmitterOnly[] = {
    IDC_AUX_VOLTAGE_BAR, IDC_AUX_LABEL, IDC_PLL_FAIL_LABEL, IDC_MOD_FAIL_LABEL, IDC_PLL_FAIL_LED,
    IDC_MOD_FAIL_LED,    IDC_MUTE};

struct BarPositions
{
    int nPaVoltage, nAuxVoltage, nGainReduction, nDeviationLow, nDeviationHigh, nTemperature;
};

} // namespace

// Frames written by hand on a pseudo-terminal line: any 16 bytes, several per connection.
class PresentationTest : public CLinePanelFixture
{
protected:
    void SetUp() override
    {
        CLinePanelFixture::SetUp();
        ConnectLine();
    }

    BarPositions Bars() const
    {
        const auto pos = [&](int nId) { return ItemAs<CProgressCtrlX>(nId)->GetPos(); };
        return {pos(IDC_PA_VOLTAGE_BAR),     pos(IDC_AUX_VOLTAGE_BAR),
                pos(IDC_GAIN_REDUCTION_BAR), pos(IDC_DEVIATION_LOW_BAR),
                pos(IDC_DEVIATION_HIGH_BAR), pos(IDC_TEMPERATURE_BAR)};
    }

    int LampMode(int nId) const { return ItemAs<CLed>(nId)->Mode(); }
};

TEST_F(PresentationTest, ReadingsReachBarsTextsAndCounter)
{
    const struct
    {
        QByteArray frame;
        BarPositions bars;
        const char* pszGain;
        const char* pszDeviation;
        const char* pszCounter;
    } cases[] = {
        {Frame({{1, 0x03}, {2, 0xD9}, {6, 60}, {7, 6}, {8, 28}, {9, 15}, {10, 45}}),
         {28, 15, 6, 60, 75, 45},
         "6 dB",
         "60 Khz",
         "98.50"},
        // Above 75 kHz the lower bar is full and the upper one shows the rest.
        {Frame({{6, 80}}), {0, 0, 0, 75, 80, 0}, "0 dB", "80 Khz", "0.00"},
        // Signed bytes: -1 dB, -10 kHz and -106 C stay at the lower ends.
        {Frame({{6, 0xF6}, {7, 0xFF}, {10, 0x96}, {8, 0x7F}}),
         {50, 0, 0, 0, 75, 0},
         "-1 dB",
         "-10 Khz",
         "0.00"},
        {Frame({{1, 0xFF}, {2, 0xFF}}), {0, 0, 0, 0, 75, 0}, "0 dB", "0 Khz", "6553.50"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCounter);
        Show(c.frame);
        const BarPositions bars = Bars();
        EXPECT_EQ(bars.nPaVoltage, c.bars.nPaVoltage);
        EXPECT_EQ(bars.nAuxVoltage, c.bars.nAuxVoltage);
        EXPECT_EQ(bars.nGainReduction, c.bars.nGainReduction);
        EXPECT_EQ(bars.nDeviationLow, c.bars.nDeviationLow);
        EXPECT_EQ(bars.nDeviationHigh, c.bars.nDeviationHigh);
        EXPECT_EQ(bars.nTemperature, c.bars.nTemperature);
        EXPECT_EQ(Text(IDC_GAIN_REDUCTION), QString::fromLatin1(c.pszGain));
        EXPECT_EQ(Text(IDC_DEVIATION), QString::fromLatin1(c.pszDeviation));
        EXPECT_EQ(ItemAs<CStaticCounter>(IDC_FREQUENCY_COUNTER)->Text(),
                  QString::fromLatin1(c.pszCounter));
    }
}

TEST_F(PresentationTest, TextsChangeOnlyWhenTheTickCopiesThem)
{
    m_pty.WriteMaster(Frame({{4, 150}, {5, 3}, {7, 6}}));
    ASSERT_TRUE(WaitForBytes(16));
    // Copying the controls back before the tick keeps what they show now.
    Dlg().UpdateData(true);
    EXPECT_EQ(Text(IDC_GAIN_REDUCTION), QStringLiteral("?"));
    EXPECT_EQ(Text(IDC_FORWARD_POWER), QString());
    Tick();
    EXPECT_EQ(Text(IDC_GAIN_REDUCTION), QStringLiteral("6 dB"));
    EXPECT_EQ(Text(IDC_FORWARD_POWER), QStringLiteral("15.0 W FWD."));
    EXPECT_EQ(Text(IDC_REFLECTED_POWER), QStringLiteral("0.3 W REV."));
}

TEST_F(PresentationTest, UnitRowSetsTitlePowerTextsAndButtons)
{
    const struct
    {
        int nCode;
        const char* pszTitle;
        const char* pszForward;
        bool bPowerButtons;
    } cases[] = {
        {1, "Arvel Transmitter", "", false},
        {3, "Corlan Transmitter", "-56 W FWD.", true},
        {56, "Unknown unit using default settings", "800 W FWD.", true},
        {0x81, "Unknown unit using default settings", "800 W FWD.", true},
        {8, "Hestin Transmitter", "1600 W FWD.", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nCode);
        Show(Frame({{13, c.nCode}, {4, 0xC8}, {0, 0x5A}, {12, 0xA5}, {14, 0xFF}, {15, 0x11}}));
        EXPECT_EQ(Dlg().windowTitle(), QString::fromLatin1(c.pszTitle));
        EXPECT_EQ(Text(IDC_FORWARD_POWER), QString::fromLatin1(c.pszForward));
        EXPECT_EQ(Item(IDC_POWER_UP)->isEnabled(), c.bPowerButtons);
        EXPECT_EQ(Item(IDC_POWER_DOWN)->isEnabled(), c.bPowerButtons);
        // Each unit on a connection of its own.
        Click(IDC_CONNECT);
        Connect();
        ASSERT_EQ(m_pty.ReadMaster(1000), QByteArray("w"));
    }
}

TEST_F(PresentationTest, CodeOneAfterCodeTwoKeepsThePowerButtons)
{
    Show(Frame({{13, 2}, {4, 255}, {5, 255}}));
    EXPECT_EQ(Text(IDC_FORWARD_POWER), QStringLiteral("25.5 W FWD."));
    EXPECT_TRUE(Item(IDC_POWER_UP)->isEnabled());
    Show(Frame({{13, 1}, {4, 255}, {5, 255}}));
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Arvel Transmitter"));
    EXPECT_EQ(Text(IDC_FORWARD_POWER), QString());
    EXPECT_EQ(Text(IDC_REFLECTED_POWER), QString());
    EXPECT_TRUE(Item(IDC_POWER_UP)->isEnabled());
    EXPECT_TRUE(Item(IDC_POWER_DOWN)->isEnabled());
}

TEST_F(PresentationTest, FlagBytesLightLampsAndSetTheMuteCaption)
{
    const struct
    {
        int nStatus;
        int nAlarms;
        int nPllLock, nRfFail, nPllFail, nModFail;
        const char* pszMute;
    } cases[] = {
        {0x81, 0xC8, CLed::On, CLed::On, CLed::On, CLed::On, "UNMUTE RF"},
        {0x00, 0x37, CLed::Off, CLed::Off, CLed::Off, CLed::Off, "MUTE RF"},
        {0x7E, 0x40, CLed::Off, CLed::On, CLed::Off, CLed::Off, "MUTE RF"},
        {0x01, 0x08, CLed::On, CLed::Off, CLed::On, CLed::Off, "MUTE RF"},
        {0x80, 0x80, CLed::Off, CLed::Off, CLed::Off, CLed::On, "UNMUTE RF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nStatus);
        Show(Frame({{3, c.nStatus}, {11, c.nAlarms}}));
        EXPECT_EQ(LampMode(IDC_PLL_LOCK_LED), c.nPllLock);
        EXPECT_EQ(LampMode(IDC_RF_FAIL_LED), c.nRfFail);
        EXPECT_EQ(LampMode(IDC_PLL_FAIL_LED), c.nPllFail);
        EXPECT_EQ(LampMode(IDC_MOD_FAIL_LED), c.nModFail);
        for (int nId : {IDC_PLL_LOCK_LED, IDC_RF_FAIL_LED, IDC_PLL_FAIL_LED, IDC_MOD_FAIL_LED}) {
            EXPECT_EQ(ItemAs<CLed>(nId)->Color(), CLed::Red) << nId;
            EXPECT_EQ(ItemAs<CLed>(nId)->Shape(), CLed::Square) << nId;
        }
        EXPECT_EQ(Text(IDC_MUTE), QString::fromLatin1(c.pszMute));
    }
}

TEST_F(PresentationTest, DisconnectResetsEveryDisplayButTheMuteCaption)
{
    Show(Frame({{1, 0x03},
                {2, 0xD9},
                {3, 0x81},
                {4, 10},
                {6, 90},
                {7, 12},
                {8, 30},
                {9, 20},
                {10, 60},
                {11, 0xC8}}));
    Click(IDC_CONNECT);
    const BarPositions bars = Bars();
    EXPECT_EQ(bars.nPaVoltage, 0);
    EXPECT_EQ(bars.nAuxVoltage, 0);
    EXPECT_EQ(bars.nGainReduction, 0);
    EXPECT_EQ(bars.nDeviationLow, 0);
    EXPECT_EQ(bars.nDeviationHigh, 75); // its range starts at 75
    EXPECT_EQ(bars.nTemperature, 0);
    for (int nId : {IDC_PLL_LOCK_LED, IDC_RF_FAIL_LED, IDC_PLL_FAIL_LED, IDC_MOD_FAIL_LED})
        EXPECT_EQ(LampMode(nId), CLed::Off) << nId;
    EXPECT_EQ(ItemAs<CStaticCounter>(IDC_FREQUENCY_COUNTER)->Text(), QStringLiteral("0.00"));
    EXPECT_EQ(Text(IDC_GAIN_REDUCTION), QStringLiteral("?"));
    EXPECT_EQ(Text(IDC_DEVIATION), QStringLiteral("?"));
    EXPECT_EQ(Text(IDC_FORWARD_POWER), QString());
    EXPECT_EQ(Text(IDC_REFLECTED_POWER), QString());
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("Corvex Control"));
    for (int nId : {IDC_RESET_ALARMS, IDC_MUTE, IDC_POWER_UP, IDC_POWER_DOWN, IDC_FREQUENCY_UP,
                    IDC_FREQUENCY_DOWN})
        EXPECT_FALSE(Item(nId)->isEnabled()) << nId;
    EXPECT_EQ(Text(IDC_MUTE), QStringLiteral("UNMUTE RF"));
    for (int nId : kTransmitterOnly)
        EXPECT_TRUE(Item(nId)->isVisible()) << nId;
}

// Renders the connected transmitter panel to panel-transmitter.png beside the test binary.
TEST_F(PresentationTest, ConnectedTransmitterPanelRenders)
{
    Show(Frame({{1, 0x03},
                {2, 0xD9},
                {3, 0x01},
                {4, 150},
                {5, 3},
                {6, 82},
                {7, 6},
                {8, 28},
                {9, 15},
                {10, 45},
                {11, 0x40}}));
    const QImage image = Dlg().grab().toImage();
    EXPECT_EQ(Dlg().frameGeometry().size(), QSize(645, 330));
    EXPECT_EQ(image.size(), Dlg().size() * image.devicePixelRatio());
    const QString strPath =
        QDir(QCoreApplication::applicationDirPath()).filePath("panel-transmitter.png");
    EXPECT_TRUE(image.save(strPath)) << strPath.toStdString();

    // A lit lamp shows red in its middle; a dark one does not.
    const auto centre = [&](int nId) {
        return image.pixelColor(Item(nId)->geometry().center() * image.devicePixelRatio());
    };
    EXPECT_GT(centre(IDC_RF_FAIL_LED).red(), 150);
    EXPECT_LT(centre(IDC_RF_FAIL_LED).green(), 100);
    EXPECT_LT(centre(IDC_PLL_FAIL_LED).red(), centre(IDC_RF_FAIL_LED).red());
}

namespace {

// Counts the paint events that the watched widgets receive.
class CPaintCounter : public QObject
{
public:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint)
            ++m_nPaints;
        return QObject::eventFilter(pWatched, pEvent);
    }
    int m_nPaints = 0;
};

} // namespace

// A frame whose every reading differs from the last repaints the displays that show them and no
// group box: the group boxes lie below the controls, and the changing texts fill their own
// background. (A group box repainted with each change tripled the panel's cost with a live unit.)
TEST_F(PresentationTest, ChangingReadingsRepaintNoGroupBox)
{
    Dlg().repaint(); // the whole window once, as when it is first shown
    const QByteArray frames[] = {
        Frame({{4, 150}, {5, 3}, {6, 60}, {7, 6}, {8, 28}, {9, 15}, {10, 45}}),
        Frame({{4, 151}, {5, 4}, {6, 80}, {7, 9}, {8, 29}, {9, 16}, {10, 46}}),
    };
    Show(frames[0]);
    QCoreApplication::processEvents();
    CPaintCounter groupPaints, barPaints;
    for (QGroupBox* pGroup : Dlg().findChildren<QGroupBox*>())
        pGroup->installEventFilter(&groupPaints);
    Item(IDC_PA_VOLTAGE_BAR)->installEventFilter(&barPaints);
    Show(frames[1]);
    WaitUntil([&] { return barPaints.m_nPaints > 0; }, 1000);
    QCoreApplication::processEvents();
    EXPECT_GT(barPaints.m_nPaints, 0) << "the readings were not repainted at all";
    EXPECT_EQ(groupPaints.m_nPaints, 0);
}
