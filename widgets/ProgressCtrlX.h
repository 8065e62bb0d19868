#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

class CDC;

constexpr quint32 PBS_SMOOTH = 0x0001, PBS_VERTICAL = 0x0004, PBS_LABELLEFT = 0x0010,
                  PBS_LABELRIGHT = 0x0020, PBS_LABELTOP = 0x0040, PBS_LABELBOTTOM = 0x0080,
                  PBS_LABELPERCENT = 0x0100, PBS_LABELVALUE = 0x0200, PBS_LABELONBAR = 0x1000,
                  PBS_STRETCHGRADIENT = 0x2000, PBS_FLIPPED = 0x4000, PBS_SEGMENT = 0x8000;

// A stretch along the bar's axis, [left, right) in pixels from the bar's start.
struct BarSpan
{
    int left = 0;
    int right = 0;
    int Width() const { return right - left; }
    friend bool operator==(const BarSpan& a, const BarSpan& b)
    {
        return a.left == b.left && a.right == b.right;
    }
};

// What one paint knows about the bar: taken once, handed to every paint step.
struct BarPaintInfo
{
    CDC* pDC = nullptr;
    quint32 dwStyle = 0;
    QRect rcClient; // the bar area
    int nPos = 0;
    int nLower = 0;
    int nUpper = 0;
};

// One span of the colour list: its full extent, the part to paint, and its first colour's index.
struct GradientSpan
{
    BarSpan rcSpan;
    BarSpan rcClip;
    int nColor = 0;
};

struct GradientBand
{
    BarSpan rcBand;
    QColor clr;
};

// The moving segment after one move: stored position, tail, and whether the bar turns round.
struct SegmentMove
{
    int nPos = 0;
    int nTail = 0;
    bool bFlip = false;
};

// A progress bar that paints its filled part as a colour gradient, with an optional
// printf-style label and a moving-segment mode.
class CProgressCtrlX : public QWidget
{
    Q_OBJECT

public:
    explicit CProgressCtrlX(QWidget* pParent = nullptr);

    void SetRange(short nLower, short nUpper);
    void GetRange(int& nLower, int& nUpper) const;
    int GetPos() const;
    int SetPos(int nPos);      // returns the previous position
    int OffsetPos(int nDelta); // returns the previous position
    int SetStep(int nStep);    // returns the previous step
    int StepIt();              // returns the previous position

    quint32 GetStyle() const;
    bool ModifyStyle(quint32 dwRemove, quint32 dwAdd); // true when the style changed

    void SetBarColors(const QColor& clrStart, const QColor& clrEnd);
    void SetBkColor(const QColor& clrBk);
    void SetLabelFormat(const QString& strFormat, quint32 dwLabelStyle);

    // The label format is the control's text.
    QString WindowText() const;
    void SetWindowText(const QString& strText);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Pixel distance from the bar's start for a position; 0 when the bounds are equal.
    static int PosToPixel(int nPos, int nLower, int nUpper, int nLength);
    static QRect MapToClient(const BarPaintInfo& info, const BarSpan& rcBarRelative);
    static std::vector<GradientSpan> GradientSpans(const BarSpan& rcGradient, const BarSpan& rcClip,
                                                   int nColors);
    static std::vector<GradientBand> GradientBands(const BarSpan& rcSpan, const BarSpan& rcClip,
                                                   const QColor& clrStart, const QColor& clrEnd);
    // Viewport origin that puts a centre-bottom aligned label of the given extent within rc.
    static QPoint LabelOrigin(quint32 dwStyle, const QRect& rc, const QSize& extent);
    static float LabelValue(quint32 dwStyle, int nPos, int nLower, int nUpper);
    static QString FormatLabel(quint32 dwStyle, const QString& strFormat, float value);
    // Position after a step: past either bound it starts over from the other end.
    static int StepPosition(int nPos, int nStep, int nLower, int nUpper);
    static SegmentMove NextSegment(int nHead, int nTail, int nLower, int nUpper, int nSegmentLength,
                                   qint64 nPos, bool bRelative);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void PaintGradient(const BarPaintInfo& info, const BarSpan& rcGradient, const BarSpan& rcClip);
    void PaintGradientSpan(const BarPaintInfo& info, const GradientSpan& span);
    void PaintLabel(const BarPaintInfo& info, const BarSpan& rcTrack, const BarSpan& rcBar);
    void PaintLabelClipped(const BarPaintInfo& info, const BarSpan& rcClip, const QString& text,
                           const QPoint& ptWindowOrg);
    bool MoveSegment(int& nResult, qint64 nPos, bool bRelative);
    int StorePos(qint64 nPos);

    std::vector<QColor> m_colors;
    QColor m_clrBk;
    QColor m_clrLabelOnBar;
    QColor m_clrLabelOnBk;
    int m_nTail = 0;
    int m_nSegmentLength = 40;
    int m_nStep = 10;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
    quint32 m_dwStyle = 0;
    QString m_strText;
};
