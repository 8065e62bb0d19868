#include "SpinButtonAccessible.h"

#include "SpinArrowAccessible.h"
#include "SpinButtonCtrl.h"

namespace {

constexpr int kArrowDeltas[] = {1, -1};

} // namespace

CSpinButtonAccessible::CSpinButtonAccessible(CSpinButtonCtrl* pSpin)
    : QAccessibleWidget(pSpin, QAccessible::Grouping)
{
}

// The arrows have no widget whose end would take them out of the cache: they go with the control.
CSpinButtonAccessible::~CSpinButtonAccessible()
{
    for (QAccessible::Id id : m_arrowIds)
        if (id != 0)
            QAccessible::deleteAccessibleInterface(id);
}

int CSpinButtonAccessible::childCount() const
{
    return int(m_arrowIds.size());
}

QAccessibleInterface* CSpinButtonAccessible::child(int nIndex) const
{
    if (nIndex < 0 || nIndex >= childCount())
        return nullptr;
    QAccessible::Id& id = m_arrowIds[size_t(nIndex)];
    if (id == 0)
        id = QAccessible::registerAccessibleInterface(new CSpinArrowAccessible(
            static_cast<CSpinButtonCtrl*>(widget()), kArrowDeltas[nIndex]));
    return QAccessible::accessibleInterface(id);
}

int CSpinButtonAccessible::indexOfChild(const QAccessibleInterface* pChild) const
{
    for (int i = 0; i < childCount(); ++i)
        if (m_arrowIds[size_t(i)] != 0 &&
            QAccessible::accessibleInterface(m_arrowIds[size_t(i)]) == pChild)
            return i;
    return -1;
}

QAccessibleInterface* CSpinButtonAccessible::childAt(int x, int y) const
{
    for (int i = 0; i < childCount(); ++i)
        if (QAccessibleInterface* pArrow = child(i); pArrow->rect().contains(x, y))
            return pArrow;
    return nullptr;
}
