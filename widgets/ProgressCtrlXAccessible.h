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

    // The interface of a CProgressCtrlX, for QAccessible::installFactory.
    static QAccessibleInterface* Factory(const QString& strClass, QObject* pObject);

    void* interface_cast(QAccessible::InterfaceType t) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    const CProgressCtrlX* Bar() const;
};
