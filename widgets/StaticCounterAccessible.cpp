#include "StaticCounterAccessible.h"

#include "AccessibleReading.h"
#include "StaticCounter.h"

CStaticCounterAccessible::CStaticCounterAccessible(CStaticCounter* pCounter)
    : QAccessibleWidget(pCounter, QAccessible::StaticText)
{
}

QString CStaticCounterAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        return AccessibleReading(widget()->accessibleName(), Counter()->Text());
    case QAccessible::Value:
        return Counter()->Text();
    default:
        return QAccessibleWidget::text(t);
    }
}

const CStaticCounter* CStaticCounterAccessible::Counter() const
{
    return static_cast<const CStaticCounter*>(widget());
}
