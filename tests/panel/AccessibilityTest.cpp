#include "AccessibilityMain.h"
#include "LinePanelFixture.h"
#include "PortTable.h"

#include <QAccessible>
#include <QAccessibleValueInterface>

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace {

// The events that reached assistive technology, by control and kind.
std::vector<std::pair<QString, QAccessible::Event>>& Events()
{
    static std::vector<std::pair<QString, QAccessible::Event>> events;
    return events;
}

void RecordEvent(QAccessibleEvent* pEvent)
{
    const QObject* pObject = pEvent->object();
    Events().emplace_back(pObject ? pObject->objectName() : QString(), pEvent->type());
}

// What a screen reader learns of one control.
struct Heard
{
    int nId;
    QAccessible::Role role;
    const char* pszName;
    const char* pszValue; // null: not checked
};

class AccessibilityTest : public CLinePanelFixture
{
protected:
    void SetUp() override
    {
        if (!AccessibilityUnavailable().isEmpty())
            GTEST_SKIP() << AccessibilityUnavailable().toStdString();
        CLinePanelFixture::SetUp();
        ASSERT_TRUE(QAccessible::isActive());
        Events().clear();
        QAccessible::installUpdateHandler(&RecordEvent);
    }
    void TearDown() override
    {
        QAccessible::installUpdateHandler(nullptr);
        CLinePanelFixture::TearDown();
    }

    QAccessibleInterface* Interface(int nId) const
    {
        return QAccessible::queryAccessibleInterface(Item(nId));
    }
};

// After one frame of a known unit, every control says what it is and every reading what it shows.
TEST_F(AccessibilityTest, ConnectedPanelReadsAsAScreenReaderHearsIt)
{
    ASSERT_TRUE(StartSim({QStringLiteral("--alarms"), QStringLiteral("0x40")}));
    SetPorts({SimPath()});
    CreateDialog();
    Connect();
    ASSERT_TRUE(TickFrame());

    const std::string strPort = CPortTable::DisplayName(1).toStdString();
    const Heard heard[] = {
        {IDCANCEL, QAccessible::Button, "Exit", nullptr},
        {IDC_CONNECT, QAccessible::Button, "Disconnect", nullptr},
        {IDC_FREQUENCY_GROUP, QAccessible::Grouping, "Frequency", nullptr},
        {IDC_RESET_ALARMS, QAccessible::Button, "Reset Alarms", nullptr},
        {IDC_MUTE, QAccessible::Button, "MUTE RF", nullptr},
        {IDC_ABOUT, QAccessible::Button, "About", nullptr},
        {IDC_FORWARD_POWER, QAccessible::StaticText, "Forward power: 15.0 W FWD.", nullptr},
        {IDC_GAIN_REDUCTION_BAR, QAccessible::ProgressBar, "Gain Reduction", "6"},
        {IDC_RF_FAIL_LED, QAccessible::StaticText, "RF Fail: on", "on"},
        {IDC_PLL_FAIL_LED, QAccessible::StaticText, "PLL Fail: off", "off"},
        {IDC_MOD_FAIL_LED, QAccessible::StaticText, "Modulation Fail: off", "off"},
        {IDC_FREQUENCY_COUNTER, QAccessible::StaticText, "Frequency: 98.50", "98.50"},
        {IDC_REFLECTED_POWER, QAccessible::StaticText, "Reflected power: 0.3 W REV.", nullptr},
        {IDC_TEMPERATURE_BAR, QAccessible::ProgressBar, "PA temperature", "45 C"},
        {IDC_PLL_LOCK_LED, QAccessible::StaticText, "PLL LOCK: on", "on"},
        {IDC_PA_VOLTAGE_BAR, QAccessible::ProgressBar, "P.A. voltage", "28 V"},
        {IDC_AUX_VOLTAGE_BAR, QAccessible::ProgressBar, "AUX voltage", "15 V"},
        {IDC_GAIN_REDUCTION, QAccessible::StaticText, "Gain Reduction: 6 dB", nullptr},
        {IDC_DEVIATION_LOW_BAR, QAccessible::ProgressBar, "Peak deviation up to 75 kHz", "60"},
        {IDC_DEVIATION_HIGH_BAR, QAccessible::ProgressBar, "Peak deviation above 75 kHz", "75"},
        {IDC_DEVIATION, QAccessible::StaticText, "Peak Deviation: 60 Khz", nullptr},
        {IDC_POWER_UP, QAccessible::Button, "R.F. power UP", nullptr},
        {IDC_POWER_DOWN, QAccessible::Button, "R.F. power DOWN", nullptr},
        {IDC_FREQUENCY_UP, QAccessible::Button, "Frequency UP", nullptr},
        {IDC_FREQUENCY_DOWN, QAccessible::Button, "Frequency DOWN", nullptr},
        {IDC_PORT, QAccessible::EditableText, "Port", strPort.c_str()},
        {IDC_PORT_SPIN, QAccessible::Grouping, "Port search", nullptr},
    };
    for (const Heard& h : heard) {
        SCOPED_TRACE(h.pszName);
        QAccessibleInterface* pInterface = Interface(h.nId);
        ASSERT_NE(pInterface, nullptr);
        EXPECT_EQ(pInterface->role(), h.role);
        EXPECT_EQ(pInterface->text(QAccessible::Name), QString::fromUtf8(h.pszName));
        if (h.pszValue) {
            EXPECT_EQ(pInterface->text(QAccessible::Value), QString::fromUtf8(h.pszValue));
        }
    }
    // The lamps are checked while lit; the bars give their positions within their ranges.
    EXPECT_TRUE(Interface(IDC_RF_FAIL_LED)->state().checked);
    EXPECT_FALSE(Interface(IDC_PLL_FAIL_LED)->state().checked);
    const struct
    {
        int nId;
        int nValue, nMinimum, nMaximum;
    } bars[] = {
        {IDC_GAIN_REDUCTION_BAR, 6, 0, 24}, {IDC_TEMPERATURE_BAR, 45, 0, 100},
        {IDC_PA_VOLTAGE_BAR, 28, 0, 50},    {IDC_AUX_VOLTAGE_BAR, 15, 0, 50},
        {IDC_DEVIATION_LOW_BAR, 60, 0, 75}, {IDC_DEVIATION_HIGH_BAR, 75, 75, 100},
    };
    for (const auto& bar : bars) {
        SCOPED_TRACE(bar.nId);
        QAccessibleValueInterface* pValue = Interface(bar.nId)->valueInterface();
        ASSERT_NE(pValue, nullptr);
        EXPECT_EQ(pValue->currentValue().toInt(), bar.nValue);
        EXPECT_EQ(pValue->minimumValue().toInt(), bar.nMinimum);
        EXPECT_EQ(pValue->maximumValue().toInt(), bar.nMaximum);
        EXPECT_TRUE(Interface(bar.nId)->state().readOnly);
        EXPECT_EQ(Interface(bar.nId)->childCount(), 0) << "the border drawn over it is no part";
    }
    // Every control of the window has a name: nothing is read as an empty client area.
    QAccessibleInterface* pWindow = QAccessible::queryAccessibleInterface(&Dlg());
    ASSERT_NE(pWindow, nullptr);
    EXPECT_EQ(pWindow->text(QAccessible::Name), QStringLiteral("Bexon Transmitter"));
    for (int i = 0; i < pWindow->childCount(); ++i) {
        QAccessibleInterface* pChild = pWindow->child(i);
        if (pChild->state().invisible)
            continue;
        EXPECT_NE(pChild->role(), QAccessible::Client)
            << pChild->object()->objectName().toStdString();
        EXPECT_FALSE(pChild->text(QAccessible::Name).isEmpty())
            << pChild->object()->objectName().toStdString();
    }
}

// The arrows beside the port box are buttons a screen reader can press: each searches as a
// click on it does.
TEST_F(AccessibilityTest, PortArrowsAreNamedButtonsThatSearch)
{
    CPty pty1, pty2;
    ASSERT_TRUE(pty1.Open());
    ASSERT_TRUE(pty2.Open());
    SetPorts({pty1.SlavePath(), pty2.SlavePath()});
    CreateDialog();
    QAccessibleInterface* pSpin = Interface(IDC_PORT_SPIN);
    ASSERT_EQ(pSpin->childCount(), 2);
    const struct
    {
        const char* pszName;
        int nPortAfter;
    } arrows[] = {{"Next port", 2}, {"Previous port", 1}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(arrows[i].pszName);
        QAccessibleInterface* pArrow = pSpin->child(i);
        ASSERT_NE(pArrow, nullptr);
        EXPECT_EQ(pSpin->indexOfChild(pArrow), i);
        EXPECT_EQ(pArrow->parent(), pSpin);
        EXPECT_EQ(pArrow->role(), QAccessible::Button);
        EXPECT_EQ(pArrow->text(QAccessible::Name), QString::fromUtf8(arrows[i].pszName));
        EXPECT_TRUE(Item(IDC_PORT_SPIN)
                        ->rect()
                        .translated(Item(IDC_PORT_SPIN)->mapToGlobal(QPoint()))
                        .contains(pArrow->rect()));
        EXPECT_EQ(pSpin->childAt(pArrow->rect().center().x(), pArrow->rect().center().y()), pArrow);
        ASSERT_NE(pArrow->actionInterface(), nullptr);
        EXPECT_EQ(pArrow->actionInterface()->actionNames(),
                  QStringList{QAccessibleActionInterface::pressAction()});
        pArrow->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(Text(IDC_PORT), CPortTable::DisplayName(arrows[i].nPortAfter));
    }
    // While connected the search is off, and the arrows say so.
    Connect();
    EXPECT_TRUE(pSpin->child(0)->state().disabled);
}

// A reading that changes tells assistive technology once; one that stays tells nothing, so that a
// screen reader is not flooded ten times a second.
TEST_F(AccessibilityTest, ReadingsTellOncePerChange)
{
    ConnectLine();
    const QByteArray first = Frame({{1, 0x03},
                                    {2, 0xD9},
                                    {3, 0x01},
                                    {4, 150},
                                    {5, 3},
                                    {6, 60},
                                    {7, 6},
                                    {8, 28},
                                    {9, 15},
                                    {10, 45}});
    Show(first);
    Events().clear();
    Show(first);
    Show(first);
    EXPECT_TRUE(Events().empty()) << Events().size() << " events for unchanged readings, the first "
                                  << Events().front().first.toStdString() << " "
                                  << Events().front().second;

    // Forward power, P.A. voltage, deviation, the frequency and the RF fail lamp change.
    QByteArray second = first;
    second[4] = char(151);
    second[8] = 29;
    second[6] = 61;
    second[2] = char(0xDA);
    second[11] = 0x40;
    Show(second);
    std::map<std::pair<QString, QAccessible::Event>, int> counted;
    for (const auto& event : Events())
        ++counted[event];
    const auto id = [](int nId) { return QString::number(nId); };
    const std::map<std::pair<QString, QAccessible::Event>, int> expected = {
        {{id(IDC_FORWARD_POWER), QAccessible::NameChanged}, 1},
        {{id(IDC_PA_VOLTAGE_BAR), QAccessible::ValueChanged}, 1},
        {{id(IDC_DEVIATION_LOW_BAR), QAccessible::ValueChanged}, 1},
        {{id(IDC_DEVIATION), QAccessible::NameChanged}, 1},
        {{id(IDC_FREQUENCY_COUNTER), QAccessible::NameChanged}, 1},
        {{id(IDC_RF_FAIL_LED), QAccessible::NameChanged}, 1},
        {{id(IDC_RF_FAIL_LED), QAccessible::StateChanged}, 1},
    };
    EXPECT_EQ(counted, expected);
    EXPECT_EQ(Interface(IDC_FORWARD_POWER)->text(QAccessible::Name),
              QStringLiteral("Forward power: 15.1 W FWD."));
    EXPECT_EQ(Interface(IDC_RF_FAIL_LED)->text(QAccessible::Name), QStringLiteral("RF Fail: on"));
}

} // namespace
