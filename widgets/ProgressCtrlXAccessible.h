#pragma once

#include <QAccessibleWidget>

class CProgressCtrlX;

// What a screen reader learns of a bar reading: a read-only progress bar with its position and
// range, and as its value text the label the bar shows ("28 V"), or the bare position when it
// shows none.
class CProgressCtrlXAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit CProgressCtrlXAccessible(CProgressCtrlX* pBar);

    void* interface_cast(QAccessible::InterfaceType t) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    // A reading has no parts of its own: a border drawn over the bar is only its look.
    int childCount() const override;
    QAccessibleInterface* child(int nIndex) const override;
    int indexOfChild(const QAccessibleInterface* pChild) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    const CProgressCtrlX* Bar() const;
};
