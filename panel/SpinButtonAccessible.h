#pragma once

#include <QAccessibleWidget>

#include <array>

class CSpinButtonCtrl;

// An up-down control as a screen reader sees it: a group named as the control, holding its two
// arrows as buttons (CSpinArrowAccessible), the up arrow first.
class CSpinButtonAccessible : public QAccessibleWidget
{
public:
    explicit CSpinButtonAccessible(CSpinButtonCtrl* pSpin);
    ~CSpinButtonAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int nIndex) const override;
    int indexOfChild(const QAccessibleInterface* pChild) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

private:
    // The arrows' entries in Qt's interface cache, made when first asked for; 0 until then.
    mutable std::array<QAccessible::Id, 2> m_arrowIds{};
};
