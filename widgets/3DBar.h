#pragma once

#include <QColor>
#include <QRect>

class QPainter;

// Paints a horizontal bar with a rounded, three-dimensional look into a rectangle: a light middle,
// rows darkening towards the top and bottom, a darker right end and a two-column shadow beyond it.
class C3DBar
{
public:
    C3DBar();
    virtual ~C3DBar();

    // Takes a new base colour, derives its shades and rereads the palette's shadow colours.
    void SetColor(const QColor& crBase);
    // Draws the bar into rect and the two shadow columns just right of it; a zero width draws
    // nothing.
    void Draw(QPainter* pPainter, const QRect& rect) const;

    QColor Base() const { return m_crBase; }
    QColor Light1() const { return m_crLight1; }
    QColor Light2() const { return m_crLight2; }
    QColor Light3() const { return m_crLight3; }
    QColor Dark1() const { return m_crDark1; }
    QColor Dark2() const { return m_crDark2; }
    QColor DkShadow() const { return m_crDkShadow; }
    QColor MidShadow() const { return m_crMidShadow; }
    QColor Shadow() const { return m_crShadow; }

    // Each channel gains nStep unless that would pass 255, in which case it keeps its value.
    static QColor Lighter(const QColor& cr, int nStep);
    // Each channel loses nStep unless it is below nStep, in which case it keeps its value.
    static QColor Darker(const QColor& cr, int nStep);
    // Per channel, the mean of the two colours rounded down.
    static QColor MidColor(const QColor& crA, const QColor& crB);

    // Sets the pixels from ptFrom up to but not including ptTo along a horizontal or vertical
    // line, in either direction; equal points set nothing.
    static void Line(QPainter* pPainter, QPoint ptFrom, QPoint ptTo, const QColor& cr);

private:
    void ComputeShades();

    QColor m_crBase;
    QColor m_crLight1;
    QColor m_crLight2;
    QColor m_crLight3;
    QColor m_crDark1;
    QColor m_crDark2;
    QColor m_crDkShadow;
    QColor m_crMidShadow;
    QColor m_crShadow;
};
