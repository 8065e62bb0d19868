#include "SpinArrowAccessible.h"

#include "SpinButtonCtrl.h"

#include <QWidget>

CSpinArrowAccessible::CSpinArrowAccessible(CSpinButtonCtrl* pSpin, int nDelta)
    : m_pSpin(pSpin), m_nDelta(nDelta)
{
}

bool CSpinArrowAccessible::isValid() const
{
    return !m_pSpin.isNull();
}

QObject* CSpinArrowAccessible::object() const
{
    return nullptr;
}

QWindow* CSpinArrowAccessible::window() const
{
    return m_pSpin ? m_pSpin->window()->windowHandle() : nullptr;
}

QAccessibleInterface* CSpinArrowAccessible::parent() const
{
    return QAccessible::queryAccessibleInterface(m_pSpin.data());
}

QAccessibleInterface* CSpinArrowAccessible::child(int) const
{
    return nullptr;
}

int CSpinArrowAccessible::childCount() const
{
    return 0;
}

int CSpinArrowAccessible::indexOfChild(const QAccessibleInterface*) const
{
    return -1;
}

QAccessibleInterface* CSpinArrowAccessible::childAt(int, int) const
{
    return nullptr;
}

QString CSpinArrowAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name || !m_pSpin)
        return QString();
    return m_pSpin->AccessibleArrowName(m_nDelta);
}

void CSpinArrowAccessible::setText(QAccessible::Text, const QString&) {}

QRect CSpinArrowAccessible::rect() const
{
    if (!m_pSpin)
        return QRect();
    const QRect rc = m_nDelta > 0 ? CSpinButtonCtrl::UpRect(m_pSpin->size())
                                  : CSpinButtonCtrl::DownRect(m_pSpin->size());
    return rc.translated(m_pSpin->mapToGlobal(QPoint(0, 0)));
}

QAccessible::Role CSpinArrowAccessible::role() const
{
    return QAccessible::Button;
}

QAccessible::State CSpinArrowAccessible::state() const
{
    QAccessible::State st;
    if (!m_pSpin) {
        st.invalid = true;
        return st;
    }
    st.disabled = !m_pSpin->isEnabled();
    st.invisible = !m_pSpin->isVisible();
    return st;
}

void* CSpinArrowAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QStringList CSpinArrowAccessible::actionNames() const
{
    return {pressAction()};
}

void CSpinArrowAccessible::doAction(const QString& strAction)
{
    if (strAction == pressAction() && m_pSpin)
        m_pSpin->Step(m_nDelta);
}

QStringList CSpinArrowAccessible::keyBindingsForAction(const QString&) const
{
    return {};
}
