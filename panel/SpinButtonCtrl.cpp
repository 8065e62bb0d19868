#include "SpinButtonCtrl.h"

#include "AccessibleFactory.h"
#include "SpinButtonAccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

CSpinButtonCtrl::CSpinButtonCtrl(QWidget* pParent) : QWidget(pParent)
{
    setFocusPolicy(Qt::NoFocus);
    QAccessible::installFactory(&AccessibleFactory<CSpinButtonAccessible, CSpinButtonCtrl>);
}

void CSpinButtonCtrl::SetRange(short nLower, short nUpper)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
}

void CSpinButtonCtrl::GetRange(int& nLower, int& nUpper) const
{
    nLower = m_nLower;
    nUpper = m_nUpper;
}

void CSpinButtonCtrl::SetBuddy(QWidget* pBuddy)
{
    if (m_pBuddy)
        m_pBuddy->removeEventFilter(this);
    m_pBuddy = pBuddy;
    if (m_pBuddy)
        m_pBuddy->installEventFilter(this);
}

void CSpinButtonCtrl::SetAccessibleArrowNames(const QString& strUp, const QString& strDown)
{
    m_strUpName = strUp;
    m_strDownName = strDown;
}

void CSpinButtonCtrl::Step(int nDelta)
{
    if (isEnabled() && nDelta != 0)
        emit DeltaPos(nDelta);
}

QSize CSpinButtonCtrl::sizeHint() const
{
    return QSize(17, 26);
}

QSize CSpinButtonCtrl::minimumSizeHint() const
{
    return QSize(9, 10);
}

QRect CSpinButtonCtrl::UpRect(QSize size)
{
    return QRect(0, 0, size.width(), size.height() / 2);
}

QRect CSpinButtonCtrl::DownRect(QSize size)
{
    const int nTop = size.height() / 2;
    return QRect(0, nTop, size.width(), size.height() - nTop);
}

int CSpinButtonCtrl::DeltaAt(QSize size, QPoint pt)
{
    if (UpRect(size).contains(pt))
        return 1;
    if (DownRect(size).contains(pt))
        return -1;
    return 0;
}

int CSpinButtonCtrl::KeyDelta(int nKey)
{
    if (nKey == Qt::Key_Up)
        return 1;
    if (nKey == Qt::Key_Down)
        return -1;
    return 0;
}

void CSpinButtonCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const struct
    {
        QRect rc;
        int nDelta;
        QStyle::PrimitiveElement arrow;
    } buttons[] = {{UpRect(size()), 1, QStyle::PE_IndicatorArrowUp},
                   {DownRect(size()), -1, QStyle::PE_IndicatorArrowDown}};
    for (const auto& button : buttons) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = button.rc;
        option.state |= m_nPressed == button.nDelta ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
        option.rect = button.rc.adjusted(2, 1, -2, -1);
        style()->drawPrimitive(button.arrow, &option, &painter, this);
    }
}

void CSpinButtonCtrl::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return;
    m_nPressed = DeltaAt(size(), pEvent->position().toPoint());
    update();
    Step(m_nPressed);
}

void CSpinButtonCtrl::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return;
    m_nPressed = 0;
    update();
}

bool CSpinButtonCtrl::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pBuddy && m_bArrowKeys && isEnabled() && pEvent->type() == QEvent::KeyPress) {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        const int nDelta = KeyDelta(pKey->key());
        if (nDelta != 0) {
            if (!pKey->isAutoRepeat())
                Step(nDelta);
            return true;
        }
    }
    return QWidget::eventFilter(pWatched, pEvent);
}
