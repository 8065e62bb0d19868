#include "ProgressCtrlX.h"

#include "AccessibleFactory.h"
#include "ProgressCtrlXAccessible.h"
#include "drawgdix.h"
#include "memdc.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

int Trunc(double d)
{
    return std::isfinite(d) ? int(std::clamp(std::trunc(d), double(INT_MIN), double(INT_MAX))) : 0;
}

// Cuts `whole` into nParts at truncated multiples of a single-precision part length, the last
// part ending at whole.right, and visits the non-empty clipped parts, skipping those left of
// rcClip and stopping at the one whose clipped end meets rcClip's end.
template <typename Visit>
void ForEachClippedPart(const BarSpan& whole, int nParts, const BarSpan& rcClip, Visit visit)
{
    if (nParts < 1)
        return;
    const float partLength = float(whole.Width()) / float(nParts);
    for (int i = 0; i < nParts; ++i) {
        BarSpan part{whole.left + Trunc(double(i) * partLength),
                     whole.left + Trunc(double(i + 1) * partLength)};
        if (i == nParts - 1)
            part.right = whole.right;
        if (part.right < rcClip.left)
            continue;
        const BarSpan clipped{std::max(part.left, rcClip.left), std::min(part.right, rcClip.right)};
        if (clipped.Width() > 0)
            visit(i, part, clipped);
        if (clipped.right == rcClip.right)
            return;
    }
}

// Skips a run of digits; false when it is longer than two (a label needs no wider field).
bool SkipShortNumber(const QString& str, qsizetype& i)
{
    qsizetype nDigits = 0;
    for (; i < str.size() && str[i] >= u'0' && str[i] <= u'9'; ++i)
        ++nDigits;
    return nDigits <= 2;
}

// True when the format reads at most one int: a single %d, %i, %u, %x or %X (with flags, and a
// width and precision of up to two digits), any number of %%, and nothing else taken from
// the argument list.
bool IsSafeLabelFormat(const QString& strFormat)
{
    int nConversions = 0;
    for (qsizetype i = 0; i < strFormat.size(); ++i) {
        if (strFormat[i] != u'%')
            continue;
        ++i;
        if (i < strFormat.size() && strFormat[i] == u'%')
            continue;
        while (i < strFormat.size() && QStringView(u"-+ #0").contains(strFormat[i]))
            ++i;
        if (!SkipShortNumber(strFormat, i))
            return false;
        if (i < strFormat.size() && strFormat[i] == u'.' && !SkipShortNumber(strFormat, ++i))
            return false;
        if (i == strFormat.size() || !QStringView(u"diuxX").contains(strFormat[i]))
            return false;
        if (++nConversions > 1)
            return false;
    }
    return true;
}

} // namespace

CProgressCtrlX::CProgressCtrlX(QWidget* pParent)
    : QWidget(pParent), m_clrBk(palette().color(QPalette::Button)),
      m_clrLabelOnBar(palette().color(QPalette::HighlightedText)),
      m_clrLabelOnBk(palette().color(QPalette::ButtonText))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    const QColor clrCaption = palette().color(QPalette::Highlight);
    SetBarColors(clrCaption, clrCaption);
    QAccessible::installFactory(&AccessibleFactory<CProgressCtrlXAccessible, CProgressCtrlX>);
}

void CProgressCtrlX::SetRange(short nLower, short nUpper)
{
    if (nLower == m_nLower && nUpper == m_nUpper)
        return;
    m_nLower = nLower;
    m_nUpper = nUpper;
    StorePos(m_nPos);
    update();
}

void CProgressCtrlX::GetRange(int& nLower, int& nUpper) const
{
    nLower = m_nLower;
    nUpper = m_nUpper;
}

int CProgressCtrlX::GetPos() const
{
    return m_nPos;
}

int CProgressCtrlX::SetPos(int nPos)
{
    int nResult = 0;
    if (MoveSegment(nResult, nPos, false))
        return nResult;
    return StorePos(nPos);
}

int CProgressCtrlX::OffsetPos(int nDelta)
{
    int nResult = 0;
    if (MoveSegment(nResult, nDelta, true))
        return nResult;
    return StorePos(qint64(m_nPos) + nDelta);
}

int CProgressCtrlX::SetStep(int nStep)
{
    return std::exchange(m_nStep, nStep);
}

int CProgressCtrlX::StepIt()
{
    int nResult = 0;
    if (MoveSegment(nResult, m_nStep, true))
        return nResult;
    return StorePos(StepPosition(m_nPos, m_nStep, m_nLower, m_nUpper));
}

quint32 CProgressCtrlX::GetStyle() const
{
    return m_dwStyle;
}

bool CProgressCtrlX::ModifyStyle(quint32 dwRemove, quint32 dwAdd)
{
    const quint32 dwStyle = (m_dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == m_dwStyle)
        return false;
    const bool bTurned = (dwStyle ^ m_dwStyle) & PBS_VERTICAL;
    m_dwStyle = dwStyle;
    if (bTurned)
        updateGeometry();
    update();
    return true;
}

void CProgressCtrlX::SetBarColors(const QColor& clrStart, const QColor& clrEnd)
{
    m_colors = {clrStart, clrEnd};
    update();
}

void CProgressCtrlX::SetBkColor(const QColor& clrBk)
{
    m_clrBk = clrBk;
    update();
}

void CProgressCtrlX::SetLabelFormat(const QString& strFormat, quint32 dwLabelStyle)
{
    ModifyStyle(PBS_LABELPERCENT | PBS_LABELVALUE, 0);
    if (strFormat.isEmpty() || dwLabelStyle == 0) {
        SetWindowText(QString());
        return;
    }
    ModifyStyle(0, dwLabelStyle);
    SetWindowText(strFormat);
}

QString CProgressCtrlX::WindowText() const
{
    return m_strText;
}

void CProgressCtrlX::SetWindowText(const QString& strText)
{
    if (strText == m_strText)
        return;
    m_strText = strText;
    update();
}

QSize CProgressCtrlX::sizeHint() const
{
    const QSize size(100, fontMetrics().height() + 4);
    return (m_dwStyle & PBS_VERTICAL) ? size.transposed() : size;
}

QSize CProgressCtrlX::minimumSizeHint() const
{
    return {4, 4};
}

int CProgressCtrlX::PosToPixel(int nPos, int nLower, int nUpper, int nLength)
{
    if (nUpper == nLower)
        return 0;
    return Trunc((double(nPos) - nLower) * nLength / (double(nUpper) - nLower));
}

QRect CProgressCtrlX::MapToClient(const BarPaintInfo& info, const BarSpan& r)
{
    const QRect& c = info.rcClient;
    const bool bFlipped = info.dwStyle & PBS_FLIPPED;
    if (info.dwStyle & PBS_VERTICAL) {
        const int nTop = c.top() + (bFlipped ? r.left : c.height() - r.right);
        return {c.left(), nTop, c.width(), r.Width()};
    }
    const int nLeft = c.left() + (bFlipped ? c.width() - r.right : r.left);
    return {nLeft, c.top(), r.Width(), c.height()};
}

std::vector<GradientSpan> CProgressCtrlX::GradientSpans(const BarSpan& rcGradient,
                                                        const BarSpan& rcClip, int nColors)
{
    std::vector<GradientSpan> spans;
    ForEachClippedPart(rcGradient, nColors - 1, rcClip,
                       [&](int i, const BarSpan& span, const BarSpan& clipped) {
                           spans.push_back({span, clipped, i});
                       });
    return spans;
}

std::vector<GradientBand> CProgressCtrlX::GradientBands(const BarSpan& rcSpan,
                                                        const BarSpan& rcClip,
                                                        const QColor& clrStart,
                                                        const QColor& clrEnd)
{
    const int dR = clrEnd.red() - clrStart.red();
    const int dG = clrEnd.green() - clrStart.green();
    const int dB = clrEnd.blue() - clrStart.blue();
    int nBands = std::max({std::abs(dR), std::abs(dG), std::abs(dB)});
    nBands = std::max(1, std::min(nBands, rcSpan.Width()));
    const float stepR = float(dR) / float(nBands);
    const float stepG = float(dG) / float(nBands);
    const float stepB = float(dB) / float(nBands);

    std::vector<GradientBand> bands;
    ForEachClippedPart(rcSpan, nBands, rcClip, [&](int i, const BarSpan&, const BarSpan& clipped) {
        const QColor clr((clrStart.red() + Trunc(double(i) * stepR)) & 0xFF,
                         (clrStart.green() + Trunc(double(i) * stepG)) & 0xFF,
                         (clrStart.blue() + Trunc(double(i) * stepB)) & 0xFF);
        bands.push_back({clipped, clr});
    });
    return bands;
}

QPoint CProgressCtrlX::LabelOrigin(quint32 dwStyle, const QRect& rc, const QSize& extent)
{
    // A centre-bottom reference point lies half the cell height below the cell's centre.
    int dx = 0;
    int dy = extent.height();
    const int nWidth = rc.width();
    const int nHeight = rc.height();
    if (dwStyle & PBS_LABELLEFT)
        dx += extent.width() - nWidth;
    if (dwStyle & PBS_LABELRIGHT)
        dx += nWidth - extent.width();
    if (dwStyle & PBS_LABELTOP)
        dy += extent.height() - nHeight;
    if (dwStyle & PBS_LABELBOTTOM)
        dy += nHeight - extent.height();
    return {rc.left() + (nWidth + dx) / 2, rc.top() + (nHeight + dy) / 2};
}

float CProgressCtrlX::LabelValue(quint32 dwStyle, int nPos, int nLower, int nUpper)
{
    switch (dwStyle & (PBS_LABELPERCENT | PBS_LABELVALUE)) {
    case PBS_LABELPERCENT:
        return nUpper == nLower
                   ? 0.0f
                   : float((double(nPos) - nLower) * 100.0 / (double(nUpper) - nLower));
    case PBS_LABELVALUE:
        return float(nPos);
    default:
        return 0.0f;
    }
}

QString CProgressCtrlX::FormatLabel(quint32 dwStyle, const QString& strFormat, float value)
{
    QString strUsed = strFormat;
    if (strUsed.isEmpty()) {
        switch (dwStyle & (PBS_LABELPERCENT | PBS_LABELVALUE)) {
        case PBS_LABELPERCENT:
            strUsed = QStringLiteral("%d%%");
            break;
        case PBS_LABELVALUE:
            strUsed = QStringLiteral("%d");
            break;
        default:
            return QString();
        }
    }
    // A format that would read anything but one int shows nothing rather than stack garbage.
    if (!IsSafeLabelFormat(strUsed))
        return QString();
    return QString::asprintf(strUsed.toUtf8().constData(), Trunc(double(value)));
}

int CProgressCtrlX::StepPosition(int nPos, int nStep, int nLower, int nUpper)
{
    const qint64 nRange = qint64(nUpper) - nLower;
    const qint64 nNext = qint64(nPos) + nStep;
    if (nRange <= 0)
        return nLower;
    if (nNext > nUpper)
        return int(nLower + (nNext - nLower) % nRange);
    if (nNext < nLower)
        return int(nUpper - (nUpper - nNext) % nRange);
    return int(nNext);
}

SegmentMove CProgressCtrlX::NextSegment(int nHead, int nTail, int nLower, int nUpper,
                                        int nSegmentLength, qint64 nPos, bool bRelative)
{
    if (bRelative) {
        qint64 nRealHead = nHead;
        // The stored position stops at the upper bound while the head runs on past it.
        if (nHead == nUpper && qint64(nHead) - nTail < nSegmentLength)
            nRealHead = qint64(nTail) + nSegmentLength;
        nPos = nRealHead + (nPos < 0 ? -nPos : nPos);
    }
    SegmentMove move;
    const qint64 nEnd = qint64(nUpper) + nSegmentLength;
    if (nPos > nEnd) {
        nPos -= qint64(nUpper) - nLower + nSegmentLength;
        nPos = std::min(nPos, nEnd);
        move.bFlip = true;
    }
    move.nTail = int(std::max(nPos - nSegmentLength, qint64(nLower)));
    move.nPos =
        int(std::clamp(nPos, qint64(std::min(nLower, nUpper)), qint64(std::max(nLower, nUpper))));
    return move;
}

bool CProgressCtrlX::MoveSegment(int& nResult, qint64 nPos, bool bRelative)
{
    if (!(m_dwStyle & PBS_SEGMENT))
        return false;
    const SegmentMove move =
        NextSegment(m_nPos, m_nTail, m_nLower, m_nUpper, m_nSegmentLength, nPos, bRelative);
    if (move.bFlip)
        ModifyStyle(PBS_FLIPPED & m_dwStyle, PBS_FLIPPED & ~m_dwStyle);
    if (move.nTail != m_nTail) {
        m_nTail = move.nTail;
        update();
    }
    nResult = StorePos(move.nPos);
    return true;
}

int CProgressCtrlX::StorePos(qint64 nPos)
{
    const int nPrevious = m_nPos;
    m_nPos = int(std::clamp(nPos, qint64(std::min(m_nLower, m_nUpper)),
                            qint64(std::max(m_nLower, m_nUpper))));
    if (m_nPos != nPrevious) {
        update();
        // A screen reader hears of a reading that moved; without one, nothing is built.
        if (QAccessible::isActive()) {
            QAccessibleValueChangeEvent event(this, m_nPos);
            QAccessible::updateAccessibility(&event);
        }
    }
    return nPrevious;
}

void CProgressCtrlX::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(this);
    CMemDC dc(painter, pEvent->rect());
    dc.FillSolidRect(rect(), m_clrBk);
    // An inverted range has no position inside it, so it shows the background only.
    if (m_nPos < m_nLower || m_nPos > m_nUpper)
        return;

    const BarPaintInfo info{&dc, m_dwStyle, rect(), m_nPos, m_nLower, m_nUpper};
    const int nLength = (m_dwStyle & PBS_VERTICAL) ? info.rcClient.height() : info.rcClient.width();
    const BarSpan rcTrack{0, nLength};
    const int nHead = PosToPixel(m_nPos, m_nLower, m_nUpper, nLength);
    const int nTail =
        (m_dwStyle & PBS_SEGMENT) ? PosToPixel(m_nTail, m_nLower, m_nUpper, nLength) : 0;
    const BarSpan rcBar{std::clamp(nTail, 0, nHead), nHead};
    PaintGradient(info, (m_dwStyle & PBS_STRETCHGRADIENT) ? rcBar : rcTrack, rcBar);
    PaintLabel(info, rcTrack, rcBar);
}

void CProgressCtrlX::PaintGradient(const BarPaintInfo& info, const BarSpan& rcGradient,
                                   const BarSpan& rcClip)
{
    for (const GradientSpan& span : GradientSpans(rcGradient, rcClip, int(m_colors.size())))
        PaintGradientSpan(info, span);
}

void CProgressCtrlX::PaintGradientSpan(const BarPaintInfo& info, const GradientSpan& span)
{
    const QColor& clrStart = m_colors[size_t(span.nColor)];
    const QColor& clrEnd = m_colors[size_t(span.nColor) + 1];
    for (const GradientBand& band : GradientBands(span.rcSpan, span.rcClip, clrStart, clrEnd))
        info.pDC->FillSolidRect(MapToClient(info, band.rcBand), band.clr);
}

void CProgressCtrlX::PaintLabel(const BarPaintInfo& info, const BarSpan& rcTrack,
                                const BarSpan& rcBar)
{
    if (!(info.dwStyle & (PBS_LABELPERCENT | PBS_LABELVALUE)))
        return;
    const float value = LabelValue(info.dwStyle, info.nPos, info.nLower, info.nUpper);
    const QString text = FormatLabel(info.dwStyle, m_strText, value);
    if (text.isEmpty())
        return;

    // Plain glyphs, as on the bar's classic screens: each pixel is label colour or untouched.
    QFont fontLabel = font();
    fontLabel.setStyleStrategy(QFont::NoAntialias);
    CDC& dc = *info.pDC;
    CFontDC fontScope(dc, fontLabel);
    CTextColorDC colorScope(dc, m_clrLabelOnBar);
    CBkModeDC bkModeScope(dc, TRANSPARENT);
    CTextAlignDC alignScope(dc, TA_CENTER | TA_BOTTOM);
    const QPoint ptWindowOrg = dc.GetWindowOrg();
    const QSize extent = dc.GetTextExtent(text);
    const QPoint ptViewportOrg = dc.GetViewportOrg();

    if (info.dwStyle & PBS_LABELONBAR) {
        const int nAlong = (info.dwStyle & PBS_VERTICAL) ? extent.height() : extent.width();
        if (nAlong <= rcBar.Width()) {
            dc.SetViewportOrg(LabelOrigin(info.dwStyle, MapToClient(info, rcBar), extent));
            PaintLabelClipped(info, rcBar, text, ptWindowOrg);
        }
    } else {
        dc.SetViewportOrg(LabelOrigin(info.dwStyle, info.rcClient, extent));
        colorScope.SetTextColor(m_clrLabelOnBk);
        PaintLabelClipped(info, rcTrack, text, ptWindowOrg);
        if (m_clrLabelOnBar != m_clrLabelOnBk) {
            colorScope.SetTextColor(m_clrLabelOnBar);
            PaintLabelClipped(info, rcBar, text, ptWindowOrg);
        }
    }
    dc.SetViewportOrg(ptViewportOrg);
}

void CProgressCtrlX::PaintLabelClipped(const BarPaintInfo& info, const BarSpan& rcClip,
                                       const QString& text, const QPoint& ptWindowOrg)
{
    const QRect rc = MapToClient(info, rcClip);
    if (rc.isEmpty())
        return;
    info.pDC->SelectClipRect(rc.translated(-ptWindowOrg));
    info.pDC->TextOut(0, 0, text);
    info.pDC->SelectClipRect(QRect());
}
