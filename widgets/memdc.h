#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRect>
#include <QString>

#include <cmath>
#include <optional>
#include <utility>

constexpr int TRANSPARENT = 1, OPAQUE = 2;
constexpr quint32 TA_LEFT = 0x0000, TA_RIGHT = 0x0002, TA_CENTER = 0x0006, TA_TOP = 0x0000,
                  TA_BOTTOM = 0x0008, TA_BASELINE = 0x0018;

// A painter together with the text attributes a classic device context keeps beside it.
// Logical coordinates map to the painter's as (point - window origin + viewport origin).
// Each setter returns the previous value, or nothing when it refuses the new one.
class CDC
{
public:
    CDC(QPainter& painter, const QColor& clrBk) : m_painter(painter), m_clrBk(clrBk) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    QColor GetBkColor() const { return m_clrBk; }
    QFont GetFont() const { return m_painter.font(); }
    QColor GetTextColor() const { return m_clrText; }
    int GetBkMode() const { return m_nBkMode; }
    quint32 GetTextAlign() const { return m_nTextAlign; }
    QPoint GetWindowOrg() const { return m_ptWindowOrg; }
    QPoint GetViewportOrg() const { return m_ptViewportOrg; }

    std::optional<QFont> SelectFont(const QFont& font)
    {
        QFont fontOld = m_painter.font();
        m_painter.setFont(font);
        return fontOld;
    }
    std::optional<QColor> SetTextColor(const QColor& clr)
    {
        if (!clr.isValid())
            return std::nullopt;
        return std::exchange(m_clrText, clr);
    }
    std::optional<int> SetBkMode(int nMode)
    {
        if (nMode != TRANSPARENT && nMode != OPAQUE)
            return std::nullopt;
        return std::exchange(m_nBkMode, nMode);
    }
    std::optional<quint32> SetTextAlign(quint32 nFlags)
    {
        if (nFlags & ~(TA_CENTER | TA_BASELINE))
            return std::nullopt;
        return std::exchange(m_nTextAlign, nFlags);
    }
    QPoint SetWindowOrg(const QPoint& pt) { return std::exchange(m_ptWindowOrg, pt); }
    QPoint SetViewportOrg(const QPoint& pt) { return std::exchange(m_ptViewportOrg, pt); }

    QPoint LPtoDP(const QPoint& pt) const { return pt - m_ptWindowOrg + m_ptViewportOrg; }

    QSize GetTextExtent(const QString& text) const
    {
        const QFontMetrics fm = m_painter.fontMetrics();
        return {fm.horizontalAdvance(text), fm.height()};
    }

    void FillSolidRect(const QRect& rc, const QColor& clr)
    {
        m_painter.fillRect(rc.translated(LPtoDP(QPoint())), clr);
    }

    // Restricts drawing to a rectangle in device coordinates; an empty one lifts the restriction.
    void SelectClipRect(const QRect& rcDevice)
    {
        if (rcDevice.isEmpty())
            m_painter.setClipping(false);
        else
            m_painter.setClipRect(rcDevice);
    }

    // Draws text with its reference point at logical (x, y), placed by the text alignment.
    void TextOut(int x, int y, const QString& text)
    {
        const QFontMetrics fm = m_painter.fontMetrics();
        const QSize extent = GetTextExtent(text);
        QPoint pt = LPtoDP(QPoint(x, y));
        if ((m_nTextAlign & TA_CENTER) == TA_CENTER)
            pt.rx() -= extent.width() / 2;
        else if (m_nTextAlign & TA_RIGHT)
            pt.rx() -= extent.width();
        if ((m_nTextAlign & TA_BASELINE) == TA_BASELINE)
            pt.ry() -= fm.ascent();
        else if (m_nTextAlign & TA_BOTTOM)
            pt.ry() -= extent.height();
        if (m_nBkMode == OPAQUE)
            m_painter.fillRect(QRect(pt, extent), m_clrBk);
        m_painter.setPen(m_clrText);
        m_painter.drawText(pt + QPoint(0, fm.ascent()), text);
    }

private:
    QPainter& m_painter;
    QColor m_clrBk;
    QColor m_clrText = Qt::black;
    int m_nBkMode = OPAQUE;
    quint32 m_nTextAlign = TA_LEFT | TA_TOP;
    QPoint m_ptWindowOrg;
    QPoint m_ptViewportOrg;
};

namespace memdc_detail {
// The off-screen image and its painter, made before the device context that draws with them.
struct CSurface
{
    CSurface(const QSize& size, qreal dDpr)
        : m_surfaceImage(
              QSize(int(std::ceil(size.width() * dDpr)), int(std::ceil(size.height() * dDpr)))
                  .expandedTo(QSize(1, 1)),
              QImage::Format_ARGB32_Premultiplied)
    {
        m_surfaceImage.setDevicePixelRatio(dDpr);
        m_surfacePainter.begin(&m_surfaceImage);
        m_surfacePainter.setRenderHint(QPainter::Antialiasing, false);
        m_surfacePainter.setRenderHint(QPainter::TextAntialiasing, false);
    }
    QImage m_surfaceImage;
    QPainter m_surfacePainter;
};
} // namespace memdc_detail

// Off-screen composition of one rectangle of a painter's target: starts filled with the
// target's background, is drawn into with the target's coordinates, and lands on the target
// in one copy when it goes out of scope. A paint handler passes the paint event's rectangle.
class CMemDC : private memdc_detail::CSurface, public CDC
{
public:
    CMemDC(QPainter& target, const QRect& rect)
        : CSurface(rect.size(), target.device() ? target.device()->devicePixelRatioF() : 1.0),
          CDC(m_surfacePainter, target.background().color()), m_target(target), m_rect(rect)
    {
        Q_ASSERT_X(target.isActive(), "memdc.h", "CMemDC needs an active target painter");
        SetWindowOrg(m_rect.topLeft());
        FillSolidRect(m_rect, GetBkColor());
    }
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    ~CMemDC()
    {
        m_surfacePainter.end();
        if (!m_rect.isEmpty())
            m_target.drawImage(m_rect.topLeft(), m_surfaceImage);
    }

private:
    QPainter& m_target;
    QRect m_rect;
};
