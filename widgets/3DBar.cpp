#include "3DBar.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

namespace {

constexpr int kShadeStep = 51;

int LighterChannel(int nChannel, int nStep)
{
    return nChannel + nStep <= 255 ? nChannel + nStep : nChannel;
}

int DarkerChannel(int nChannel, int nStep)
{
    return nChannel >= nStep ? nChannel - nStep : nChannel;
}

} // namespace

C3DBar::C3DBar() : m_crBase(0, 100, 0)
{
    ComputeShades();
}

C3DBar::~C3DBar() = default;

void C3DBar::SetColor(const QColor& crBase)
{
    m_crBase = QColor(crBase.rgb());
    ComputeShades();
}

QColor C3DBar::Lighter(const QColor& cr, int nStep)
{
    return QColor(LighterChannel(cr.red(), nStep), LighterChannel(cr.green(), nStep),
                  LighterChannel(cr.blue(), nStep));
}

QColor C3DBar::Darker(const QColor& cr, int nStep)
{
    return QColor(DarkerChannel(cr.red(), nStep), DarkerChannel(cr.green(), nStep),
                  DarkerChannel(cr.blue(), nStep));
}

QColor C3DBar::MidColor(const QColor& crA, const QColor& crB)
{
    return QColor((crA.red() + crB.red()) / 2, (crA.green() + crB.green()) / 2,
                  (crA.blue() + crB.blue()) / 2);
}

void C3DBar::ComputeShades()
{
    m_crLight1 = Lighter(m_crBase, kShadeStep);
    m_crLight2 = Lighter(m_crLight1, kShadeStep);
    m_crLight3 = Lighter(m_crLight2, kShadeStep);
    m_crDark1 = Darker(m_crBase, kShadeStep);
    m_crDark2 = Darker(m_crDark1, kShadeStep);
    const QPalette palette = QGuiApplication::palette();
    m_crDkShadow = QColor(palette.color(QPalette::Shadow).rgb());
    m_crShadow = QColor(palette.color(QPalette::Dark).rgb());
    m_crMidShadow = MidColor(m_crDkShadow, m_crShadow);
}

void C3DBar::Line(QPainter* pPainter, QPoint ptFrom, QPoint ptTo, const QColor& cr)
{
    if (ptFrom.y() == ptTo.y()) {
        const int nLeft = ptTo.x() > ptFrom.x() ? ptFrom.x() : ptTo.x() + 1;
        const int nRight = ptTo.x() > ptFrom.x() ? ptTo.x() - 1 : ptFrom.x();
        if (nLeft <= nRight)
            pPainter->fillRect(QRect(QPoint(nLeft, ptFrom.y()), QPoint(nRight, ptFrom.y())), cr);
    } else if (ptFrom.x() == ptTo.x()) {
        const int nTop = ptTo.y() > ptFrom.y() ? ptFrom.y() : ptTo.y() + 1;
        const int nBottom = ptTo.y() > ptFrom.y() ? ptTo.y() - 1 : ptFrom.y();
        pPainter->fillRect(QRect(QPoint(ptFrom.x(), nTop), QPoint(ptFrom.x(), nBottom)), cr);
    } else {
        Q_ASSERT_X(false, "C3DBar::Line", "only horizontal and vertical lines are drawn");
    }
}

void C3DBar::Draw(QPainter* pPainter, const QRect& rect) const
{
    Q_ASSERT(pPainter);
    const int l = rect.left();
    const int t = rect.top();
    const int r = rect.left() + rect.width();
    const int b = rect.top() + rect.height();
    if (!pPainter || r == l)
        return;

    const auto pixel = [pPainter](int x, int y, const QColor& cr) {
        pPainter->fillRect(QRect(x, y, 1, 1), cr);
    };
    const auto line = [pPainter](QPoint ptFrom, QPoint ptTo, const QColor& cr) {
        Line(pPainter, ptFrom, ptTo, cr);
    };
    const auto chain = [pPainter](std::initializer_list<QPoint> points, const QColor& cr) {
        for (auto it = points.begin(); it + 1 != points.end(); ++it)
            Line(pPainter, *it, *(it + 1), cr);
    };

    pPainter->fillRect(rect, m_crLight3);

    line({l + 2, b - 4}, {r - 2, b - 4}, m_crLight1);
    line({l + 2, t + 2}, {r - 2, t + 2}, m_crLight1);
    pixel(l + 1, b - 3, m_crLight1);
    pixel(l + 1, t + 1, m_crLight1);

    chain({{l + 2, b - 5}, {r - 3, b - 5}, {r - 3, t + 3}, {l + 1, t + 3}}, m_crLight2);
    pixel(l + 1, b - 4, m_crLight2);
    pixel(l + 1, t + 2, m_crLight2);

    chain({{l, b - 1}, {l, t}, {l + 2, t}}, m_crBase);
    pixel(l + 1, b - 2, m_crBase);
    line({l + 2, b - 3}, {r - 2, b - 3}, m_crBase);
    line({l + 2, t + 1}, {r - 1, t + 1}, m_crBase);

    chain({{l + 2, b - 2}, {r - 2, b - 2}, {r - 2, t + 1}}, m_crDark1);
    line({l + 2, t}, {r, t}, m_crDark1);
    pixel(l + 1, b - 1, m_crDark1);

    chain({{l + 2, b - 1}, {r - 1, b - 1}, {r - 1, t}}, m_crDark2);

    line({r, t}, {r, b}, m_crMidShadow);
    line({r + 1, t}, {r + 1, b}, m_crShadow);
}
