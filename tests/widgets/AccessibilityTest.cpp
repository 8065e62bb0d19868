#include "Led.h"
#include "ProgressCtrlX.h"
#include "StaticCounter.h"

#include <QAccessible>
#include <QAccessibleValueInterface>

#include <gtest/gtest.h>

namespace {

QAccessibleInterface* InterfaceOf(QWidget& widget)
{
    return QAccessible::queryAccessibleInterface(&widget);
}

TEST(WidgetAccessibility, LampIsTextNamedWithItsStateAndCheckedWhileLit)
{
    const struct
    {
        int nMode;
        const char* pszState;
        bool bChecked;
    } modes[] = {
        {CLed::On, "on", true}, {CLed::Off, "off", false}, {CLed::Disabled, "unavailable", false}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.pszState);
        CLed led;
        led.SetState(CLed::Green, mode.nMode, CLed::Circle);
        QAccessibleInterface* pInterface = InterfaceOf(led);
        ASSERT_NE(pInterface, nullptr);
        EXPECT_EQ(pInterface->role(), QAccessible::StaticText);
        EXPECT_EQ(pInterface->text(QAccessible::Name), QLatin1String(mode.pszState));
        led.setAccessibleName(QStringLiteral("PLL LOCK"));
        EXPECT_EQ(pInterface->text(QAccessible::Name),
                  QStringLiteral("PLL LOCK: ") + QLatin1String(mode.pszState));
        EXPECT_EQ(pInterface->text(QAccessible::Value), QLatin1String(mode.pszState));
        EXPECT_EQ(pInterface->state().checked, mode.bChecked);
    }
}

TEST(WidgetAccessibility, BarIsAReadOnlyProgressBarWithItsRangeAndTheLabelItShows)
{
    const struct
    {
        const char* pszCase;
        short nLower, nUpper;
        int nPos;
        quint32 dwLabel;
        const char* pszFormat;
        const char* pszValue;
        int nMinimum, nMaximum;
    } cases[] = {
        {"value label", 0, 50, 28, PBS_LABELVALUE, "%d V", "28 V", 0, 50},
        {"percent label", 0, 50, 25, PBS_LABELPERCENT, "%d%%", "50%", 0, 50},
        {"no label: the position", 75, 100, 80, 0, "", "80", 75, 100},
        {"a label format the bar refuses: the position", 0, 24, 6, PBS_LABELVALUE, "%s", "6", 0,
         24},
        {"inverted range", 10, 0, 10, 0, "", "10", 0, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCase);
        CProgressCtrlX bar;
        bar.SetWindowText(QStringLiteral("Progress1"));
        bar.SetRange(c.nLower, c.nUpper);
        bar.SetLabelFormat(QLatin1String(c.pszFormat), c.dwLabel);
        bar.SetPos(c.nPos);
        bar.setAccessibleName(QStringLiteral("P.A. voltage"));
        QAccessibleInterface* pInterface = InterfaceOf(bar);
        ASSERT_NE(pInterface, nullptr);
        EXPECT_EQ(pInterface->role(), QAccessible::ProgressBar);
        EXPECT_EQ(pInterface->text(QAccessible::Name), QStringLiteral("P.A. voltage"));
        EXPECT_EQ(pInterface->text(QAccessible::Value), QLatin1String(c.pszValue));
        EXPECT_TRUE(pInterface->state().readOnly);
        QAccessibleValueInterface* pValue = pInterface->valueInterface();
        ASSERT_NE(pValue, nullptr);
        EXPECT_EQ(pValue->currentValue().toInt(), bar.GetPos());
        EXPECT_EQ(pValue->minimumValue().toInt(), c.nMinimum);
        EXPECT_EQ(pValue->maximumValue().toInt(), c.nMaximum);
        // A reading is never set from outside.
        pValue->setCurrentValue(c.nMinimum + 1);
        EXPECT_EQ(bar.GetPos(), c.nPos);
    }
}

TEST(WidgetAccessibility, CounterIsTextNamedWithTheNumberItShows)
{
    CStaticCounter counter;
    counter.Display(98.5f, true, QStringLiteral("%.2f"));
    QAccessibleInterface* pInterface = InterfaceOf(counter);
    ASSERT_NE(pInterface, nullptr);
    EXPECT_EQ(pInterface->role(), QAccessible::StaticText);
    EXPECT_EQ(pInterface->text(QAccessible::Name), QStringLiteral("98.50"));
    counter.setAccessibleName(QStringLiteral("Frequency"));
    EXPECT_EQ(pInterface->text(QAccessible::Name), QStringLiteral("Frequency: 98.50"));
    counter.Display(0.0f, true, QStringLiteral("%.2f"));
    EXPECT_EQ(pInterface->text(QAccessible::Name), QStringLiteral("Frequency: 0.00"));
    EXPECT_EQ(pInterface->text(QAccessible::Value), QStringLiteral("0.00"));
}

} // namespace
