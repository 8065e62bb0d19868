#include "LedAccessible.h"

#include "AccessibleReading.h"
#include "Led.h"

CLedAccessible::CLedAccessible(CLed* pLed) : QAccessibleWidget(pLed, QAccessible::StaticText) {}

QString CLedAccessible::ModeText(int nMode)
{
    switch (nMode) {
    case CLed::On:
        return QCoreApplication::translate("CLed", "on", "a lamp that is lit");
    case CLed::Off:
        return QCoreApplication::translate("CLed", "off", "a lamp that is dark");
    default:
        return QCoreApplication::translate("CLed", "unavailable", "a lamp shown grey");
    }
}

QString CLedAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return AccessibleReading(widget()->accessibleName(), ModeText(Led()->Mode()));
    case QAccessible::Value:
        return ModeText(Led()->Mode());
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State CLedAccessible::state() const
{
    QAccessible::State st = QAccessibleWidget::state();
    st.checked = Led()->Mode() == CLed::On;
    return st;
}

const CLed* CLedAccessible::Led() const
{
    return static_cast<const CLed*>(widget());
}
