#pragma once

#include <QAccessibleWidget>

class CLed;

// What a screen reader learns of a lamp: static text named after the lamp and its state
// ("PLL LOCK: on"), the state alone as its value, and the checked state while it is lit.
class CLedAccessible : public QAccessibleWidget
{
public:
    explicit CLedAccessible(CLed* pLed);

    // "on", "off" or, for the grey picture, "unavailable", in the program's language.
    static QString ModeText(int nMode);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

private:
    const CLed* Led() const;
};
