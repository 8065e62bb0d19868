#pragma once

#include <QAccessibleInterface>
#include <QPointer>

class CSpinButtonCtrl;

// One arrow of an up-down control as a screen reader sees it: a button with its name and a
// press action that steps the control as a click on the arrow does. It has no widget of its own.
class CSpinArrowAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    // nDelta is +1 for the up arrow, -1 for the down arrow.
    CSpinArrowAccessible(CSpinButtonCtrl* pSpin, int nDelta);

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int nIndex) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* pChild) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& strText) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    QStringList actionNames() const override;
    void doAction(const QString& strAction) override;
    QStringList keyBindingsForAction(const QString& strAction) const override;

private:
    QPointer<CSpinButtonCtrl> m_pSpin;
    int m_nDelta;
};
