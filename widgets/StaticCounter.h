#pragma once

#include "3DBar.h"

#include <QColor>
#include <QImage>
#include <QLine>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

// A numeric readout of seven-segment characters stroked with round-ended pens, unlit segments
// faintly visible, with an optional sunken strip holding a 3D bar that shows its own value.
// Each character picture is stroked once into a cache and copied from there at paint time.
// The mouse steps that value by clicks and changes it by horizontal drags.
class CStaticCounter : public QWidget
{
    Q_OBJECT

public:
    // Segment code that draws all seven segments, used for the unlit pass.
    static constexpr int kAllSegments = 999;
    static constexpr int kDecimalPoint = 256;
    static constexpr int kColon = 257;

    struct Metrics
    {
        int nSegLength; // L
        int nSegWidth;  // T
    };

    explicit CStaticCounter(QWidget* pParent = nullptr);
    ~CStaticCounter() override;

    void Display(float fValue, bool bSetFormat, const QString& strFormat);
    void Display(int nValue, bool bSetFormat, const QString& strFormat);
    void SetColors(const QColor& crSegments, const QColor& crBackground, const QColor& crBar);
    void SetUnlitColor(const QColor& crUnlit);
    // Takes effect on the digit height only when called before the first paint.
    void ShowBar(bool bShow);
    void SetRange(float fMin, float fMax);
    void SetText(const QString& strText);
    // Redraws the current text when the widget has been shown; before that it only keeps it.
    void Update();

    QString Text() const { return m_strText; }
    QString Format() const { return m_strFormat; }
    float Value() const { return m_fValue; }
    float Min() const { return m_fMin; }
    float Max() const { return m_fMax; }
    bool IsFloatMode() const { return m_bFloatMode; }
    bool IsBarShown() const { return m_bShowBar; }
    bool HasMetrics() const { return m_bMetricsValid; }
    int SegmentLength() const { return m_nSegLength; }
    int SegmentWidth() const { return m_nSegWidth; }
    int BarHeight() const { return m_nBarHeight; }
    QColor SegmentColor() const { return m_crSegment; }
    QColor BackgroundColor() const { return m_crBackground; }
    // The colour of unlit segments: the explicit one once set, else the segment colour / 3.
    QColor UnlitColor() const;
    const C3DBar& Bar() const { return m_bar; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Segment length and thickness for a client height, derived once at the first paint.
    static Metrics ComputeMetrics(int nClientHeight, bool bShowBar, int nBarHeight);
    // The segment code of a character, or 0 for one that lights nothing.
    static int CharCode(QChar ch);
    // The left edge of each character's cell.
    static std::vector<int> CellPositions(const QString& strText, const Metrics& metrics);
    // The strokes of a segment code in a cell whose left edge is nX.
    static std::vector<QLine> Strokes(int nCode, int nX, const Metrics& metrics);
    // Each channel of the segment colour divided by 3, the remainder dropped.
    static QColor DimmedColor(const QColor& crSegment);
    // Applies a printf format with at most one integer or floating conversion to the value,
    // converted to the type the conversion takes; any other format gives an empty text.
    static QString FormatNumber(const QString& strFormat, double dValue);
    // Length in pixels of the value bar in a strip nWidth wide; 0 when the range is empty, and
    // held within three pixels beyond either end of the strip.
    static int BarLength(int nWidth, float fMin, float fMax, float fValue);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;

private:
    void OnPaint();
    void OnLButtonDown(QPoint point);
    void OnLButtonUp();
    void OnMouseMove(QPoint point);
    void OnRButtonDown(QPoint point);
    void OnRButtonUp();

    void DrawChar(QPainter* pPainter, int nCode, int nX) const;
    QRect CellBounds() const;
    void BuildCharCache(qreal dPixelRatio);
    // Copies cache slot nSlot to the cell at nX, or strokes nCode there when there is no cache.
    void PaintChar(QPainter* pPainter, int nCode, int nSlot, int nX) const;
    void DrawBarStrip(QPainter* pPainter) const;
    // Takes a new text; a screen reader hears of it when it differs from the one before.
    void StoreText(const QString& strText);
    void StepValue(double dDelta);
    void ClampAndShow();

    int m_nDragDelta = 0;
    quint16 m_nBarHeight = 10;
    bool m_bMetricsValid = false;
    bool m_bUnlitColorSet = false;
    QString m_strText = QStringLiteral("0");
    QString m_strFormat = QStringLiteral("%.3d");
    QRect m_rcClient;
    float m_fMin = 0.0f;
    float m_fMax = 100.0f;
    int m_nLastX = 0;
    C3DBar m_bar;
    int m_nPenWidth = 0;
    int m_nSegLength = 0;
    int m_nSegWidth = 0;
    QColor m_crBackground = QColor(0, 0, 0);
    QColor m_crSegment = QColor(100, 255, 100);
    QColor m_crUnlit;
    // The dimmed 8 then every lit character, side by side over a transparent background, one
    // CellBounds() wide each; null after colours or metrics change until the next paint.
    QImage m_imgChars;
    float m_fValue = 0.0f;
    bool m_bShowBar = true;
    bool m_bLeftDrag = false;
    bool m_bRightDrag = false;
    bool m_bFloatMode = false;
};
