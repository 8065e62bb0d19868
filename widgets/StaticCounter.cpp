#include "StaticCounter.h"

#include "AccessibleFactory.h"
#include "StaticCounterAccessible.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kHintHeight = 36;
constexpr int kHintCells = 6;
constexpr int kMinimumHeight = 17;
constexpr int kBarOverhang = 3;
// The characters with a lit picture, in the order of their cache slots after the dimmed 8.
constexpr QStringView kLitChars = u"0123456789-.:";
constexpr int kCacheSlots = 1 + static_cast<int>(kLitChars.size());

// Off-screen surface of one paint: everything is drawn into Painter() and the destructor copies
// the covered rectangle to the target in one draw.
class CCounterMemDC
{
public:
    CCounterMemDC(QPainter* pDC, const QRect& rect, qreal dPixelRatio)
        : m_bitmap(QSize(qCeil(rect.width() * dPixelRatio), qCeil(rect.height() * dPixelRatio)),
                   QImage::Format_RGB32),
          m_pDC(pDC), m_rect(rect)
    {
        Q_ASSERT(m_pDC);
        m_bitmap.setDevicePixelRatio(dPixelRatio);
        m_painter.begin(&m_bitmap);
        m_painter.translate(-rect.topLeft());
    }
    ~CCounterMemDC()
    {
        m_painter.end();
        m_pDC->drawImage(m_rect.topLeft(), m_bitmap);
    }
    CCounterMemDC(const CCounterMemDC&) = delete;
    CCounterMemDC& operator=(const CCounterMemDC&) = delete;

    QPainter* Painter() { return &m_painter; }

private:
    QImage m_bitmap;
    QPainter* m_pDC;
    QRect m_rect;
    QPainter m_painter;
};

// Truncates toward zero, saturating at +-INT_MAX so that the result always has an absolute
// value; not-a-number gives 0.
int TruncToInt(double dValue)
{
    constexpr int nLimit = std::numeric_limits<int>::max();
    if (std::isnan(dValue))
        return 0;
    if (dValue >= nLimit)
        return nLimit;
    if (dValue <= -nLimit)
        return -nLimit;
    return static_cast<int>(dValue);
}

int MetricFloor1(double dProduct)
{
    return dProduct < 1.0 ? 1 : TruncToInt(dProduct);
}

enum class ConversionKind
{
    None,
    Integer,
    Floating,
    Unusable
};

// Classifies the conversions of a printf format: none, exactly one that takes an int or a double,
// or anything that would read another argument type or more than one argument.
ConversionKind ClassifyFormat(const QString& strFormat)
{
    const QString strFlags = QStringLiteral("-+ #0");
    ConversionKind kind = ConversionKind::None;
    for (int i = 0; i < strFormat.size(); ++i) {
        if (strFormat[i] != u'%')
            continue;
        if (++i < strFormat.size() && strFormat[i] == u'%')
            continue;
        while (i < strFormat.size() && strFlags.contains(strFormat[i]))
            ++i;
        while (i < strFormat.size() && strFormat[i].isDigit())
            ++i;
        if (i < strFormat.size() && strFormat[i] == u'.') {
            ++i;
            while (i < strFormat.size() && strFormat[i].isDigit())
                ++i;
        }
        if (i >= strFormat.size() || kind != ConversionKind::None)
            return ConversionKind::Unusable;
        const QChar ch = strFormat[i];
        if (QStringLiteral("diouxXc").contains(ch))
            kind = ConversionKind::Integer;
        else if (QStringLiteral("eEfFgG").contains(ch))
            kind = ConversionKind::Floating;
        else
            return ConversionKind::Unusable;
    }
    return kind;
}

} // namespace

CStaticCounter::CStaticCounter(QWidget* pParent) : QWidget(pParent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetRange(0.0f, 100.0f);
    QAccessible::installFactory(&AccessibleFactory<CStaticCounterAccessible, CStaticCounter>);
}

CStaticCounter::~CStaticCounter() = default;

CStaticCounter::Metrics CStaticCounter::ComputeMetrics(int nClientHeight, bool bShowBar,
                                                       int nBarHeight)
{
    const int h = bShowBar ? nClientHeight - (nBarHeight - 2) : nClientHeight;
    return {MetricFloor1(h * 0.35), MetricFloor1(h * 0.06)};
}

int CStaticCounter::CharCode(QChar ch)
{
    switch (ch.unicode()) {
    case u'0':
        return 0xFC;
    case u'1':
        return 0x60;
    case u'2':
        return 0xDA;
    case u'3':
        return 0xF2;
    case u'4':
        return 0x66;
    case u'5':
        return 0xB6;
    case u'6':
        return 0xBE;
    case u'7':
        return 0xE0;
    case u'8':
        return 0xFE;
    case u'9':
        return 0xF6;
    case u'-':
        return 0x02;
    case u'.':
        return kDecimalPoint;
    case u':':
        return kColon;
    default:
        return 0;
    }
}

std::vector<int> CStaticCounter::CellPositions(const QString& strText, const Metrics& metrics)
{
    const int L = metrics.nSegLength;
    const int T = metrics.nSegWidth;
    std::vector<int> positions;
    positions.reserve(strText.size());
    int x = 0;
    for (int i = 0; i < strText.size(); ++i) {
        if (i > 0) {
            if (strText[i] == u':')
                x += L + T;
            else if (strText[i - 1] == u':')
                x += L + 1;
            else
                x += L + 4 * T;
        }
        positions.push_back(x);
    }
    return positions;
}

std::vector<QLine> CStaticCounter::Strokes(int nCode, int nX, const Metrics& metrics)
{
    const int L = metrics.nSegLength;
    const int T = metrics.nSegWidth;
    const int x = nX;
    const bool bAll = nCode == kAllSegments;
    const auto lit = [&](int nBit) { return bAll || (nCode & nBit) != 0; };
    std::vector<QLine> strokes;
    if (lit(0x80))
        strokes.emplace_back(x + 2 * T, T, x + L, T);
    if (lit(0x40))
        strokes.emplace_back(x + L + T, 2 * T, x + L + T, L + 2 * T);
    if (lit(0x20))
        strokes.emplace_back(x + L + T, L + 4 * T, x + L + T, 2 * L + 3 * T);
    if (lit(0x10))
        strokes.emplace_back(x + 2 * T, 2 * L + 4 * T, x + L, 2 * L + 4 * T);
    if (lit(0x08))
        strokes.emplace_back(x + T, L + 4 * T, x + T, 2 * L + 3 * T);
    if (lit(0x04))
        strokes.emplace_back(x + T, 2 * T, x + T, L + 2 * T);
    if (lit(0x02))
        strokes.emplace_back(x + 2 * T, L + 3 * T, x + L, L + 3 * T);
    if (nCode == kDecimalPoint)
        strokes.emplace_back(x + 2 * T, 2 * L + 4 * T, x + L / 2, 2 * L + 4 * T);
    if (nCode == kColon) {
        strokes.emplace_back(x + 4 * T, L, x + L / 2 + 2 * T, L);
        strokes.emplace_back(x + 4 * T, 2 * L + T, x + L / 2 + 2 * T, 2 * L + T);
    }
    return strokes;
}

QColor CStaticCounter::DimmedColor(const QColor& crSegment)
{
    return QColor(crSegment.red() / 3, crSegment.green() / 3, crSegment.blue() / 3);
}

QString CStaticCounter::FormatNumber(const QString& strFormat, double dValue)
{
    const QByteArray format = strFormat.toUtf8();
    switch (ClassifyFormat(strFormat)) {
    case ConversionKind::None:
        // No conversion: every '%' stands in a "%%" pair. Collapsing the pairs here keeps a
        // format that is not a literal away from printf without arguments.
        return QString(strFormat).replace(QStringLiteral("%%"), QStringLiteral("%"));
    case ConversionKind::Integer:
        return QString::asprintf(format.constData(), TruncToInt(dValue));
    case ConversionKind::Floating:
        return QString::asprintf(format.constData(), dValue);
    case ConversionKind::Unusable:
        break;
    }
    return QString();
}

int CStaticCounter::BarLength(int nWidth, float fMin, float fMax, float fValue)
{
    const int nRange = std::abs(TruncToInt(100 * fMax - 100 * fMin));
    if (nRange == 0)
        return 0;
    const float fLength = static_cast<float>(static_cast<double>(nWidth) / nRange *
                                             static_cast<double>(100 * fValue - 100 * fMin));
    // Past three pixels beyond either end of the strip a longer bar shows the same pixels; the
    // hold keeps the bar's stroke arithmetic far from int overflow.
    return std::clamp(TruncToInt(fLength), -kBarOverhang, nWidth + kBarOverhang);
}

QColor CStaticCounter::UnlitColor() const
{
    return m_bUnlitColorSet ? m_crUnlit : DimmedColor(m_crSegment);
}

void CStaticCounter::Display(float fValue, bool bSetFormat, const QString& strFormat)
{
    m_bFloatMode = true;
    if (bSetFormat)
        m_strFormat = strFormat;
    const QString strText = FormatNumber(m_strFormat, static_cast<double>(fValue));
    // The host shows every status frame; an unchanged reading is already on screen.
    if (strText == m_strText)
        return;
    StoreText(strText);
    Update();
}

void CStaticCounter::Display(int nValue, bool bSetFormat, const QString& strFormat)
{
    m_bFloatMode = false;
    if (bSetFormat)
        m_strFormat = strFormat;
    StoreText(FormatNumber(m_strFormat, nValue));
    update();
}

void CStaticCounter::SetColors(const QColor& crSegments, const QColor& crBackground,
                               const QColor& crBar)
{
    m_crSegment = crSegments;
    m_crBackground = crBackground;
    m_bar.SetColor(crBar);
    m_imgChars = QImage();
    update();
}

void CStaticCounter::SetUnlitColor(const QColor& crUnlit)
{
    m_bUnlitColorSet = true;
    m_crUnlit = crUnlit;
    m_imgChars = QImage();
    update();
}

void CStaticCounter::ShowBar(bool bShow)
{
    m_bShowBar = bShow;
}

void CStaticCounter::SetRange(float fMin, float fMax)
{
    Q_ASSERT(fMin <= fMax);
    if (m_fValue < fMin)
        m_fValue = fMin;
    if (m_fValue > fMax)
        m_fValue = fMax;
    m_fMin = fMin;
    m_fMax = fMax;
}

void CStaticCounter::SetText(const QString& strText)
{
    StoreText(strText);
    update();
}

void CStaticCounter::StoreText(const QString& strText)
{
    if (strText == m_strText)
        return;
    m_strText = strText;
    // A screen reader hears of a number that changed; without one, nothing is built.
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void CStaticCounter::Update()
{
    if (testAttribute(Qt::WA_WState_Created))
        SetText(QString(m_strText));
}

QSize CStaticCounter::sizeHint() const
{
    const int nHeight = m_bShowBar ? kHintHeight + m_nBarHeight - 2 : kHintHeight;
    const Metrics metrics = ComputeMetrics(nHeight, m_bShowBar, m_nBarHeight);
    return {kHintCells * (metrics.nSegLength + 4 * metrics.nSegWidth) + metrics.nSegWidth, nHeight};
}

QSize CStaticCounter::minimumSizeHint() const
{
    const int nHeight = m_bShowBar ? kMinimumHeight + m_nBarHeight - 2 : kMinimumHeight;
    const Metrics metrics = ComputeMetrics(nHeight, m_bShowBar, m_nBarHeight);
    return {metrics.nSegLength + 4 * metrics.nSegWidth, nHeight};
}

void CStaticCounter::paintEvent(QPaintEvent*)
{
    OnPaint();
}

void CStaticCounter::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonDown(pEvent->position().toPoint());
    else if (pEvent->button() == Qt::RightButton)
        OnRButtonDown(pEvent->position().toPoint());
    else
        QWidget::mousePressEvent(pEvent);
}

void CStaticCounter::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonUp();
    else if (pEvent->button() == Qt::RightButton)
        OnRButtonUp();
    else
        QWidget::mouseReleaseEvent(pEvent);
}

void CStaticCounter::mouseMoveEvent(QMouseEvent* pEvent)
{
    OnMouseMove(pEvent->position().toPoint());
}

void CStaticCounter::OnPaint()
{
    m_rcClient = rect();
    if (m_rcClient.isEmpty())
        return;
    QPainter dc(this);
    CCounterMemDC memDC(&dc, m_rcClient, devicePixelRatioF());
    QPainter* pPainter = memDC.Painter();
    pPainter->fillRect(m_rcClient, m_crBackground);

    if (!m_bMetricsValid) {
        const Metrics metrics = ComputeMetrics(m_rcClient.height(), m_bShowBar, m_nBarHeight);
        m_nSegWidth = metrics.nSegWidth;
        m_nSegLength = metrics.nSegLength;
        m_nPenWidth = m_nSegWidth;
        m_bMetricsValid = true;
        m_imgChars = QImage();
    }
    // At a fractional pixel ratio cells start between device pixels, where a copied picture
    // would differ from the strokes: there each character is stroked in place.
    const qreal dPixelRatio = devicePixelRatioF();
    if (dPixelRatio != std::floor(dPixelRatio))
        m_imgChars = QImage();
    else if (m_imgChars.isNull() || m_imgChars.devicePixelRatio() != dPixelRatio)
        BuildCharCache(dPixelRatio);

    const QString strText = m_strText;
    const std::vector<int> positions = CellPositions(strText, {m_nSegLength, m_nSegWidth});
    for (int i = 0; i < strText.size(); ++i) {
        if (strText[i] != u':')
            PaintChar(pPainter, kAllSegments, 0, positions[i]);
        if (const int nCode = CharCode(strText[i]))
            PaintChar(pPainter, nCode, 1 + static_cast<int>(kLitChars.indexOf(strText[i])),
                      positions[i]);
    }

    if (m_bShowBar)
        DrawBarStrip(pPainter);
}

void CStaticCounter::DrawChar(QPainter* pPainter, int nCode, int nX) const
{
    const QColor cr = nCode == kAllSegments ? UnlitColor() : m_crSegment;
    const std::vector<QLine> strokes = Strokes(nCode, nX, {m_nSegLength, m_nSegWidth});
    if (m_nPenWidth == 1) {
        // A one-pixel pen stops just before its end point.
        for (const QLine& stroke : strokes)
            C3DBar::Line(pPainter, stroke.p1(), stroke.p2(), cr);
        return;
    }
    pPainter->save();
    pPainter->setRenderHint(QPainter::Antialiasing, false);
    pPainter->setPen(QPen(cr, m_nPenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // An odd pen is centred on the pixel its coordinates name, an even one on that pixel's
    // top-left corner, so that both lie symmetrically about the stroke.
    const qreal dCentre = m_nPenWidth % 2 ? 0.5 : 0.0;
    const QPointF ptCentre(dCentre, dCentre);
    for (const QLine& stroke : strokes)
        pPainter->drawLine(QLineF(stroke.p1() + ptCentre, stroke.p2() + ptCentre));
    pPainter->restore();
}

QRect CStaticCounter::CellBounds() const
{
    // Round caps reach half a pen beyond each end point, and an odd pen half a pixel further.
    const int nPad = m_nSegWidth + 2;
    return QRect(-nPad, -nPad, m_nSegLength + m_nSegWidth + 2 * nPad + 1,
                 2 * m_nSegLength + 4 * m_nSegWidth + 2 * nPad + 1);
}

void CStaticCounter::BuildCharCache(qreal dPixelRatio)
{
    const QRect rcCell = CellBounds();
    m_imgChars = QImage(qCeil(kCacheSlots * rcCell.width() * dPixelRatio),
                        qCeil(rcCell.height() * dPixelRatio), QImage::Format_ARGB32_Premultiplied);
    m_imgChars.setDevicePixelRatio(dPixelRatio);
    m_imgChars.fill(Qt::transparent);
    QPainter painter(&m_imgChars);
    painter.translate(-rcCell.topLeft());
    DrawChar(&painter, kAllSegments, 0);
    for (int nSlot = 1; nSlot < kCacheSlots; ++nSlot)
        DrawChar(&painter, CharCode(kLitChars[nSlot - 1]), nSlot * rcCell.width());
}

void CStaticCounter::PaintChar(QPainter* pPainter, int nCode, int nSlot, int nX) const
{
    if (m_imgChars.isNull()) {
        DrawChar(pPainter, nCode, nX);
        return;
    }
    const QRect rcCell = CellBounds();
    const qreal dRatio = m_imgChars.devicePixelRatio();
    pPainter->drawImage(QPointF(nX + rcCell.left(), rcCell.top()), m_imgChars,
                        QRectF(nSlot * rcCell.width() * dRatio, 0, rcCell.width() * dRatio,
                               rcCell.height() * dRatio));
}

void CStaticCounter::DrawBarStrip(QPainter* pPainter) const
{
    const int W = m_rcClient.width();
    const int H = m_rcClient.height();
    const int B = m_nBarHeight;
    const QRect rcStrip(0, H - B, W, B);
    const QPalette& pal = palette();
    pPainter->fillRect(rcStrip, pal.color(QPalette::Button));
    const QColor crShadow = pal.color(QPalette::Dark);
    const QColor crHighlight = pal.color(QPalette::Light);
    pPainter->fillRect(QRect(rcStrip.left(), rcStrip.top(), W - 1, 1), crShadow);
    pPainter->fillRect(QRect(rcStrip.left(), rcStrip.top(), 1, B - 1), crShadow);
    pPainter->fillRect(QRect(rcStrip.left() + W - 1, rcStrip.top(), 1, B), crHighlight);
    pPainter->fillRect(QRect(rcStrip.left(), rcStrip.top() + B - 1, W, 1), crHighlight);

    const int nLength = BarLength(W, m_fMin, m_fMax, m_fValue);
    m_bar.Draw(pPainter, QRect(0, H - B, nLength, B));
}

void CStaticCounter::OnLButtonDown(QPoint point)
{
    m_bLeftDrag = true;
    m_nLastX = point.x();
}

void CStaticCounter::OnRButtonDown(QPoint point)
{
    m_bRightDrag = true;
    m_nLastX = point.x();
}

void CStaticCounter::OnMouseMove(QPoint point)
{
    if (!m_bLeftDrag && !m_bRightDrag)
        return;
    m_nDragDelta = point.x() - m_nLastX;
    m_nLastX = point.x();
    if (m_bLeftDrag)
        m_fValue += static_cast<float>(m_nDragDelta);
    else
        m_fValue = static_cast<float>(m_fValue + m_nDragDelta / 100.0);
    ClampAndShow();
}

void CStaticCounter::OnLButtonUp()
{
    if (m_nDragDelta == 0)
        StepValue(m_bFloatMode ? -0.01 : -1.0);
    m_nDragDelta = 0;
    m_bLeftDrag = false;
}

void CStaticCounter::OnRButtonUp()
{
    if (m_nDragDelta == 0)
        StepValue(m_bFloatMode ? 0.01 : 1.0);
    m_nDragDelta = 0;
    m_bRightDrag = false;
}

void CStaticCounter::StepValue(double dDelta)
{
    m_fValue = static_cast<float>(m_fValue + dDelta);
    ClampAndShow();
}

void CStaticCounter::ClampAndShow()
{
    if (m_fValue < m_fMin)
        m_fValue = m_fMin;
    if (m_fValue > m_fMax)
        m_fValue = m_fMax;
    if (m_bFloatMode)
        Display(m_fValue, false, QStringLiteral("%.2f"));
    else
        Display(TruncToInt(m_fValue), false, QStringLiteral("%.3d"));
}
