#include "ProgressCtrlXAccessible.h"

#include "ProgressCtrlX.h"

#include <algorithm>

CProgressCtrlXAccessible::CProgressCtrlXAccessible(CProgressCtrlX* pBar)
    : QAccessibleWidget(pBar, QAccessible::ProgressBar)
{
}

void* CProgressCtrlXAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

QString CProgressCtrlXAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Value)
        return QAccessibleWidget::text(t);
    const quint32 dwStyle = Bar()->GetStyle();
    const int nPos = Bar()->GetPos();
    if (dwStyle & (PBS_LABELPERCENT | PBS_LABELVALUE)) {
        int nLower = 0, nUpper = 0;
        Bar()->GetRange(nLower, nUpper);
        const QString strLabel =
            CProgressCtrlX::FormatLabel(dwStyle, Bar()->WindowText(),
                                        CProgressCtrlX::LabelValue(dwStyle, nPos, nLower, nUpper));
        if (!strLabel.isEmpty())
            return strLabel;
    }
    return QString::number(nPos);
}

QAccessible::State CProgressCtrlXAccessible::state() const
{
    QAccessible::State st = QAccessibleWidget::state();
    st.readOnly = true;
    return st;
}

int CProgressCtrlXAccessible::childCount() const
{
    return 0;
}

QAccessibleInterface* CProgressCtrlXAccessible::child(int) const
{
    return nullptr;
}

int CProgressCtrlXAccessible::indexOfChild(const QAccessibleInterface*) const
{
    return -1;
}

QAccessibleInterface* CProgressCtrlXAccessible::childAt(int, int) const
{
    return nullptr;
}

QVariant CProgressCtrlXAccessible::currentValue() const
{
    return Bar()->GetPos();
}

// A reading is the unit's to change, never the operator's.
void CProgressCtrlXAccessible::setCurrentValue(const QVariant&) {}

QVariant CProgressCtrlXAccessible::maximumValue() const
{
    int nLower = 0, nUpper = 0;
    Bar()->GetRange(nLower, nUpper);
    return std::max(nLower, nUpper);
}

QVariant CProgressCtrlXAccessible::minimumValue() const
{
    int nLower = 0, nUpper = 0;
    Bar()->GetRange(nLower, nUpper);
    return std::min(nLower, nUpper);
}

QVariant CProgressCtrlXAccessible::minimumStepSize() const
{
    return 0;
}

const CProgressCtrlX* CProgressCtrlXAccessible::Bar() const
{
    return static_cast<const CProgressCtrlX*>(widget());
}
