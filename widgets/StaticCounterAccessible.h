#pragma once

#include <QAccessibleWidget>

class CStaticCounter;

// What a screen reader learns of a counter: static text named after the counter and the number
// it shows ("Frequency: 98.50"), the number alone as its value.
class CStaticCounterAccessible : public QAccessibleWidget
{
public:
    explicit CStaticCounterAccessible(CStaticCounter* pCounter);

    QString text(QAccessible::Text t) const override;

private:
    const CStaticCounter* Counter() const;
};
