#include "ProgressCtrlX.h"

#include "Pixels.h"
#include "Render.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QPalette>

#include <climits>
#include <functional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);

BarPaintInfo Info(quint32 dwStyle, const QRect& rcClient)
{
    BarPaintInfo info;
    info.dwStyle = dwStyle;
    info.rcClient = rcClient;
    return info;
}

// A bar as the panel sets one up: 8-point sans label font, solid colour.
struct BarFixture : ::testing::Test
{
    BarFixture()
    {
        bar.setFont(QFont(QStringLiteral("Sans Serif"), 8));
        bar.SetBarColors(kRed, kRed);
    }

    const QPalette pal = QApplication::palette();
    const QColor clrBk = pal.color(QPalette::Button);
    const QColor clrOnBar = pal.color(QPalette::HighlightedText);
    const QColor clrOnBk = pal.color(QPalette::ButtonText);
    CProgressCtrlX bar;
};

} // namespace

TEST(ProgressCtrlXGeometry, MapToClientInAllFourOrientations)
{
    struct Case
    {
        quint32 dwStyle;
        QRect rcClient;
        QRect expected;
    };
    const BarSpan r{10, 30};
    const Case cases[] = {
        {0, QRect(5, 7, 100, 20), QRect(15, 7, 20, 20)},
        {PBS_FLIPPED, QRect(5, 7, 100, 20), QRect(75, 7, 20, 20)},
        {PBS_VERTICAL, QRect(5, 7, 20, 100), QRect(5, 77, 20, 20)},
        {PBS_VERTICAL | PBS_FLIPPED, QRect(5, 7, 20, 100), QRect(5, 17, 20, 20)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CProgressCtrlX::MapToClient(Info(c.dwStyle, c.rcClient), r), c.expected)
            << c.dwStyle;
}

TEST(ProgressCtrlXGeometry, PositionToPixelTruncatesAndSurvivesEqualBounds)
{
    struct Case
    {
        int nPos, nLower, nUpper, nLength, expected;
    };
    const Case cases[] = {
        {0, 0, 100, 100, 0},
        {100, 0, 100, 100, 100},
        {28, 0, 50, 203, 113},
        {45, 0, 100, 141, 63},
        {1, 0, 3, 100, 33},
        {5, 5, 5, 80, 0},
        {0, -32768, 32767, 65535, 32768},
        {32767, -32768, 32767, 300, 300},
        {-50, -100, 0, 10, 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CProgressCtrlX::PosToPixel(c.nPos, c.nLower, c.nUpper, c.nLength), c.expected)
            << c.nPos << " in " << c.nLower << ".." << c.nUpper;
}

TEST(ProgressCtrlXGeometry, GreenToRedOver300PixelsMakes255Bands)
{
    const auto bands = CProgressCtrlX::GradientBands({0, 300}, {0, 300}, kGreen, kRed);
    ASSERT_EQ(bands.size(), 255u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(bands[size_t(i)].rcBand.left, i);
    EXPECT_EQ(bands.back().rcBand.right, 300);
    EXPECT_EQ(bands.back().clr, QColor(254, 1, 0));
    for (size_t i = 0; i < bands.size(); ++i) {
        EXPECT_EQ(bands[i].clr, QColor(int(i), 255 - int(i), 0)) << i;
        if (i + 1 < bands.size()) {
            EXPECT_EQ(bands[i].rcBand.right, bands[i + 1].rcBand.left) << i;
        }
    }
}

TEST(ProgressCtrlXGeometry, BandsFollowTheClipAndNeverPaintTheEndColour)
{
    struct Case
    {
        BarSpan rcSpan, rcClip;
        QColor clrStart, clrEnd;
        size_t nBands;
        BarSpan first;
        BarSpan last;
        QColor clrLast;
    };
    const Case cases[] = {
        {{0, 300}, {0, 300}, kRed, kRed, 1, {0, 300}, {0, 300}, kRed},
        {{0, 100}, {0, 100}, kGreen, kRed, 100, {0, 1}, {99, 100}, QColor(252, 3, 0)},
        {{0, 300}, {0, 150}, kGreen, kRed, 128, {0, 1}, {149, 150}, QColor(127, 128, 0)},
        {{0, 300}, {150, 300}, kGreen, kRed, 127, {150, 151}, {298, 300}, QColor(254, 1, 0)},
        {{20, 40},
         {20, 40},
         QColor(0, 0, 10),
         QColor(0, 0, 0),
         10,
         {20, 22},
         {38, 40},
         QColor(0, 0, 1)},
    };
    for (const Case& c : cases) {
        const auto bands = CProgressCtrlX::GradientBands(c.rcSpan, c.rcClip, c.clrStart, c.clrEnd);
        ASSERT_EQ(bands.size(), c.nBands) << c.rcClip.left << ".." << c.rcClip.right;
        EXPECT_EQ(bands.front().rcBand, c.first);
        EXPECT_EQ(bands.back().rcBand, c.last);
        EXPECT_EQ(bands.back().clr, c.clrLast);
    }
    EXPECT_TRUE(CProgressCtrlX::GradientBands({0, 300}, {50, 50}, kGreen, kRed).empty());
}

TEST(ProgressCtrlXGeometry, SpansShareTheGradientAndStopAtTheClip)
{
    struct Case
    {
        BarSpan rcGradient, rcClip;
        int nColors;
        std::vector<std::pair<BarSpan, BarSpan>> expected; // span, clipped copy
    };
    const Case cases[] = {
        {{0, 300}, {0, 300}, 3, {{{0, 150}, {0, 150}}, {{150, 300}, {150, 300}}}},
        {{0, 301}, {0, 301}, 3, {{{0, 150}, {0, 150}}, {{150, 301}, {150, 301}}}},
        {{0, 300}, {0, 100}, 3, {{{0, 150}, {0, 100}}}},
        {{0, 300}, {200, 250}, 3, {{{150, 300}, {200, 250}}}},
        {{0, 300}, {0, 300}, 1, {}},
    };
    for (const Case& c : cases) {
        const auto spans = CProgressCtrlX::GradientSpans(c.rcGradient, c.rcClip, c.nColors);
        ASSERT_EQ(spans.size(), c.expected.size());
        for (size_t i = 0; i < spans.size(); ++i) {
            EXPECT_EQ(spans[i].rcSpan, c.expected[i].first) << i;
            EXPECT_EQ(spans[i].rcClip, c.expected[i].second) << i;
        }
    }
}

TEST(ProgressCtrlXGeometry, LabelOriginPutsTheCellAgainstTheChosenEdges)
{
    struct Case
    {
        quint32 dwStyle;
        QPoint expected; // centre of the cell's bottom edge
    };
    const QRect rc(10, 20, 100, 30);
    const QSize extent(40, 12);
    const Case cases[] = {
        {0, {60, 41}},
        {PBS_LABELLEFT, {30, 41}},
        {PBS_LABELRIGHT, {90, 41}},
        {PBS_LABELLEFT | PBS_LABELRIGHT, {60, 41}},
        {PBS_LABELTOP, {60, 32}},
        {PBS_LABELBOTTOM, {60, 50}},
        {PBS_LABELTOP | PBS_LABELBOTTOM, {60, 41}},
        {PBS_LABELLEFT | PBS_LABELTOP, {30, 32}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CProgressCtrlX::LabelOrigin(c.dwStyle, rc, extent), c.expected) << c.dwStyle;
}

TEST(ProgressCtrlXLabel, FormatsOneIntAndRefusesAnythingElse)
{
    struct Case
    {
        quint32 dwStyle;
        const char* format;
        int nPos, nLower, nUpper;
        const char* expected;
    };
    const quint32 both = PBS_LABELPERCENT | PBS_LABELVALUE;
    const Case cases[] = {
        {PBS_LABELPERCENT, "", 1, 0, 3, "33%"},
        {PBS_LABELPERCENT, "", 5, 5, 5, "0%"},
        {PBS_LABELPERCENT, "", 100, 0, 100, "100%"},
        {PBS_LABELVALUE, "%d C", 57, 0, 100, "57 C"},
        {PBS_LABELVALUE, "", -7, -10, 10, "-7"},
        {PBS_LABELVALUE, "%3d%%", 7, 0, 100, "  7%"},
        {PBS_LABELVALUE, "%#x", 255, 0, 300, "0xff"},
        {PBS_LABELVALUE, "%%d", 3, 0, 100, "%d"},
        {PBS_LABELVALUE, "Progress1", 3, 0, 100, "Progress1"},
        {PBS_LABELVALUE,
         "%d \xc2\xb0"
         "C",
         21, 0, 100,
         "21 \xc2\xb0"
         "C"},
        {both, "", 5, 0, 100, ""},
        {both, "Temp %d", 5, 0, 100, "Temp 0"},
        {0, "", 5, 0, 100, ""},
        // Formats that would read a second argument or something other than an int.
        {PBS_LABELVALUE, "%s", 5, 0, 100, ""},
        {PBS_LABELVALUE, "%d %d", 5, 0, 100, ""},
        {PBS_LABELVALUE, "%n", 5, 0, 100, ""},
        {PBS_LABELVALUE, "%*d", 5, 0, 100, ""},
        {PBS_LABELVALUE, "%ld", 5, 0, 100, ""},
        {PBS_LABELVALUE, "%f", 5, 0, 100, ""},
        {PBS_LABELVALUE, "%c", 5, 0, 100, ""},
        {PBS_LABELVALUE, "100%", 5, 0, 100, ""},
        {PBS_LABELVALUE, "%123d", 5, 0, 100, ""},
        {PBS_LABELVALUE, "%.100d", 5, 0, 100, ""},
    };
    for (const Case& c : cases) {
        const float value = CProgressCtrlX::LabelValue(c.dwStyle, c.nPos, c.nLower, c.nUpper);
        EXPECT_EQ(CProgressCtrlX::FormatLabel(c.dwStyle, QString::fromUtf8(c.format), value),
                  QString::fromUtf8(c.expected))
            << c.format;
    }
    EXPECT_EQ(CProgressCtrlX::FormatLabel(PBS_LABELVALUE, QString(), -5.7f), QStringLiteral("-5"));
    EXPECT_EQ(CProgressCtrlX::FormatLabel(PBS_LABELVALUE, QString(), 1e20f),
              QString::number(INT_MAX));
}

TEST(ProgressCtrlXGeometry, StepPositionStartsOverPastEitherBound)
{
    struct Case
    {
        int nPos, nStep, nLower, nUpper, expected;
    };
    const Case cases[] = {
        {0, 10, 0, 100, 10},      {95, 10, 0, 100, 5},      {100, 10, 0, 100, 10},
        {5, -10, 0, 100, 95},     {50, 10, 5, 5, 5},        {32767, 10, -32768, 32767, -32758},
        {0, INT_MAX, 0, 100, 47}, {0, INT_MIN, 0, 100, 52},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CProgressCtrlX::StepPosition(c.nPos, c.nStep, c.nLower, c.nUpper), c.expected)
            << c.nPos << " + " << c.nStep;
}

TEST(ProgressCtrlXSegment, LongMovesAreCutToOnePass)
{
    struct Case
    {
        int nHead, nTail;
        qint64 nPos;
        bool bRelative;
        int nPosAfter, nTailAfter;
        bool bFlip;
    };
    const Case cases[] = {
        {0, 0, 1000, true, 100, 100, true},
        {0, 0, -10, true, 10, 0, false},
        {0, 0, qint64(INT_MIN), true, 100, 100, true},
        {50, 10, 120, false, 100, 80, false},
        {50, 10, -20, false, 0, 0, false},
    };
    for (const Case& c : cases) {
        const SegmentMove move =
            CProgressCtrlX::NextSegment(c.nHead, c.nTail, 0, 100, 40, c.nPos, c.bRelative);
        EXPECT_EQ(move.nPos, c.nPosAfter) << c.nPos;
        EXPECT_EQ(move.nTail, c.nTailAfter) << c.nPos;
        EXPECT_EQ(move.bFlip, c.bFlip) << c.nPos;
    }
}

TEST_F(BarFixture, PositionCallsReturnThePreviousValueAndClamp)
{
    struct Step
    {
        const char* what;
        std::function<int(CProgressCtrlX&)> op;
        int nReturned, nPosAfter;
    };
    const Step steps[] = {
        {"SetPos 50", [](CProgressCtrlX& b) { return b.SetPos(50); }, 0, 50},
        {"SetPos 150", [](CProgressCtrlX& b) { return b.SetPos(150); }, 50, 100},
        {"SetPos -3", [](CProgressCtrlX& b) { return b.SetPos(-3); }, 100, 0},
        {"OffsetPos 30", [](CProgressCtrlX& b) { return b.OffsetPos(30); }, 0, 30},
        {"OffsetPos -40", [](CProgressCtrlX& b) { return b.OffsetPos(-40); }, 30, 0},
        {"OffsetPos max", [](CProgressCtrlX& b) { return b.OffsetPos(INT_MAX); }, 0, 100},
        {"OffsetPos min", [](CProgressCtrlX& b) { return b.OffsetPos(INT_MIN); }, 100, 0},
        {"SetPos min", [](CProgressCtrlX& b) { return b.SetPos(INT_MIN); }, 0, 0},
        {"StepIt", [](CProgressCtrlX& b) { return b.StepIt(); }, 0, 10},
        {"SetStep 95", [](CProgressCtrlX& b) { return b.SetStep(95); }, 10, 10},
        {"StepIt", [](CProgressCtrlX& b) { return b.StepIt(); }, 10, 5},
        {"SetStep 10", [](CProgressCtrlX& b) { return b.SetStep(10); }, 95, 5},
        {"SetPos 80", [](CProgressCtrlX& b) { return b.SetPos(80); }, 5, 80},
        {"SetRange 0..50",
         [](CProgressCtrlX& b) {
             b.SetRange(0, 50);
             return 0;
         },
         0, 50},
        {"SetRange 16 bit",
         [](CProgressCtrlX& b) {
             b.SetRange(-32768, 32767);
             return 0;
         },
         0, 50},
        {"SetPos 40000", [](CProgressCtrlX& b) { return b.SetPos(40000); }, 50, 32767},
        {"SetPos -40000", [](CProgressCtrlX& b) { return b.SetPos(-40000); }, 32767, -32768},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.op(bar), step.nReturned) << step.what;
        EXPECT_EQ(bar.GetPos(), step.nPosAfter) << step.what;
    }
    int nLower = 0, nUpper = 0;
    bar.GetRange(nLower, nUpper);
    EXPECT_EQ(nLower, -32768);
    EXPECT_EQ(nUpper, 32767);
}

TEST_F(BarFixture, FilledPartFollowsOrientationAndFlip)
{
    struct Case
    {
        quint32 dwStyle;
        int nPos;
        bool (*filled)(int nAlong); // nAlong: x for horizontal, y for vertical
    };
    const Case cases[] = {
        {0, 30, [](int x) { return x < 30; }},
        {PBS_FLIPPED, 30, [](int x) { return x >= 70; }},
        {PBS_VERTICAL, 30, [](int y) { return y >= 70; }},
        {PBS_VERTICAL | PBS_FLIPPED, 30, [](int y) { return y < 30; }},
        {0, 0, [](int) { return false; }},
        {PBS_VERTICAL, 0, [](int) { return false; }},
        {PBS_FLIPPED, 100, [](int) { return true; }},
        {PBS_SMOOTH, 45, [](int x) { return x < 45; }},
    };
    for (const Case& c : cases) {
        CProgressCtrlX b;
        b.SetBarColors(kRed, kRed);
        b.ModifyStyle(0, c.dwStyle);
        b.SetPos(c.nPos);
        const bool bVertical = c.dwStyle & PBS_VERTICAL;
        const QImage image = RenderWidget(b, bVertical ? QSize(10, 100) : QSize(100, 10));
        for (int n = 0; n < 100; ++n) {
            for (int across : {0, 9}) {
                const QColor clr = bVertical ? Pixel(image, across, n) : Pixel(image, n, across);
                ASSERT_EQ(clr, c.filled(n) ? kRed : clrBk)
                    << "style " << c.dwStyle << " pos " << c.nPos << " at " << n;
            }
        }
    }
}

TEST_F(BarFixture, InvertedAndEqualBoundsPaintNoFilledPart)
{
    bar.ModifyStyle(0, PBS_LABELPERCENT);
    bar.SetRange(100, 0);
    int nLower = 0, nUpper = 0;
    bar.GetRange(nLower, nUpper);
    EXPECT_EQ(nLower, 100);
    EXPECT_EQ(nUpper, 0);
    EXPECT_EQ(bar.SetPos(50), 0);
    EXPECT_EQ(bar.SetPos(200), 50);
    EXPECT_EQ(bar.GetPos(), 100);
    QImage image = RenderWidget(bar, QSize(100, 20));
    EXPECT_EQ(ColouredBox(image, clrBk), image.rect()) << "background only, no label";

    bar.SetRange(5, 5);
    EXPECT_EQ(bar.GetPos(), 5);
    image = RenderWidget(bar, QSize(100, 20));
    EXPECT_TRUE(ColouredBox(image, kRed).isEmpty());
    EXPECT_FALSE(ColouredBox(image, clrOnBk).isEmpty()) << "the 0% label";
}

TEST_F(BarFixture, GradientPixelsMatchTheBands)
{
    bar.SetBarColors(kGreen, kRed);
    bar.SetPos(100);
    QImage image = RenderWidget(bar, QSize(300, 10));
    EXPECT_EQ(Pixel(image, 0, 5), QColor(0, 255, 0));
    EXPECT_EQ(Pixel(image, 1, 5), QColor(1, 254, 0));
    EXPECT_EQ(Pixel(image, 299, 5), QColor(254, 1, 0));
    const auto bands = CProgressCtrlX::GradientBands({0, 300}, {0, 300}, kGreen, kRed);
    for (const GradientBand& band : bands)
        for (int x = band.rcBand.left; x < band.rcBand.right; ++x)
            ASSERT_EQ(Pixel(image, x, 5), band.clr) << x;

    // Half way: the filled part shows its share of the whole track's gradient...
    bar.SetPos(50);
    image = RenderWidget(bar, QSize(300, 10));
    std::vector<QColor> full(300);
    for (const GradientBand& band : bands)
        for (int x = band.rcBand.left; x < band.rcBand.right; ++x)
            full[size_t(x)] = band.clr;
    for (int x = 0; x < 300; ++x)
        ASSERT_EQ(Pixel(image, x, 5), x < 150 ? full[size_t(x)] : clrBk) << x;
    EXPECT_EQ(Pixel(image, 149, 5), QColor(127, 128, 0));

    // ...or, stretched, the whole gradient.
    bar.ModifyStyle(0, PBS_STRETCHGRADIENT);
    image = RenderWidget(bar, QSize(300, 10));
    EXPECT_EQ(Pixel(image, 0, 5), QColor(0, 255, 0));
    EXPECT_EQ(Pixel(image, 149, 5), QColor(253, 2, 0));
    EXPECT_EQ(Pixel(image, 150, 5), clrBk);
}

TEST_F(BarFixture, LabelOnTheBarShowsOnlyWhenItFits)
{
    struct Case
    {
        quint32 dwStyle;
        QSize size;
        int nUpper, nPos;
        QRect rcBar; // the filled part
        bool bShown;
    };
    const quint32 onBar = PBS_LABELONBAR | PBS_LABELLEFT | PBS_LABELRIGHT;
    const Case cases[] = {
        {onBar | PBS_LABELBOTTOM, {203, 16}, 50, 28, QRect(0, 0, 113, 16), true},
        {onBar | PBS_LABELBOTTOM, {203, 16}, 50, 2, QRect(0, 0, 8, 16), false},
        {onBar | PBS_LABELTOP | PBS_VERTICAL, {30, 141}, 100, 45, QRect(0, 78, 30, 63), true},
        {onBar | PBS_LABELTOP | PBS_VERTICAL, {30, 141}, 100, 5, QRect(0, 134, 30, 7), false},
    };
    for (const Case& c : cases) {
        CProgressCtrlX b;
        b.setFont(QFont(QStringLiteral("Sans Serif"), 8));
        b.SetBarColors(kRed, kRed);
        b.ModifyStyle(0, c.dwStyle);
        b.SetRange(0, short(c.nUpper));
        b.SetLabelFormat(QStringLiteral("%d C"), PBS_LABELVALUE);
        b.SetPos(c.nPos);
        const QImage image = RenderWidget(b, c.size);
        const QRect rcLabel = ColouredBox(image, clrOnBar);
        EXPECT_EQ(!rcLabel.isEmpty(), c.bShown) << c.nPos;
        EXPECT_TRUE(c.rcBar.contains(rcLabel) || rcLabel.isEmpty()) << c.nPos;
        EXPECT_EQ(ColouredBox(image, kRed) | rcLabel, c.rcBar) << c.nPos;
    }
}

TEST_F(BarFixture, LabelPlacementFlags)
{
    struct Case
    {
        quint32 dwStyle;
        bool (*placed)(const QRect& glyphs);
    };
    // A 200 x 40 track at the lower bound: the label is all in the background colour.
    const Case cases[] = {
        {0,
         [](const QRect& r) {
             return qAbs(r.center().x() - 100) <= 3 && qAbs(r.center().y() - 20) <= 3;
         }},
        {PBS_LABELLEFT, [](const QRect& r) { return r.left() <= 3; }},
        {PBS_LABELRIGHT, [](const QRect& r) { return r.right() >= 196; }},
        {PBS_LABELLEFT | PBS_LABELRIGHT,
         [](const QRect& r) { return qAbs(r.center().x() - 100) <= 3; }},
        {PBS_LABELTOP, [](const QRect& r) { return r.top() <= 5; }},
        {PBS_LABELBOTTOM, [](const QRect& r) { return r.bottom() >= 34; }},
        {PBS_LABELTOP | PBS_LABELBOTTOM,
         [](const QRect& r) { return qAbs(r.center().y() - 20) <= 3; }},
        {PBS_LABELRIGHT | PBS_LABELBOTTOM,
         [](const QRect& r) { return r.right() >= 196 && r.bottom() >= 34; }},
    };
    for (const Case& c : cases) {
        CProgressCtrlX b;
        b.setFont(QFont(QStringLiteral("Sans Serif"), 8));
        b.ModifyStyle(0, c.dwStyle);
        b.SetLabelFormat(QStringLiteral("%d C"), PBS_LABELVALUE);
        const QImage image = RenderWidget(b, QSize(200, 40));
        const QRect rcGlyphs = ColouredBox(image, clrOnBk);
        ASSERT_FALSE(rcGlyphs.isEmpty()) << c.dwStyle;
        EXPECT_LE(rcGlyphs.width(), 30) << c.dwStyle;
        EXPECT_TRUE(c.placed(rcGlyphs))
            << "style " << c.dwStyle << " glyphs at " << rcGlyphs.x() << "," << rcGlyphs.y() << " "
            << rcGlyphs.width() << "x" << rcGlyphs.height();
    }
}

TEST_F(BarFixture, LabelChangesColourWhereTheFilledPartEnds)
{
    if (clrOnBar == clrOnBk || clrOnBar == kRed || clrOnBk == clrBk)
        GTEST_SKIP() << "the palette's label colours cannot be told apart";
    bar.SetLabelFormat(QString(), 0);
    bar.ModifyStyle(0, PBS_LABELPERCENT);
    bar.SetPos(50);
    const QImage image = RenderWidget(bar, QSize(200, 20));
    const QRect rcOnBar = ColouredBox(image, clrOnBar);
    const QRect rcOnBk = ColouredBox(image, clrOnBk);
    ASSERT_FALSE(rcOnBar.isEmpty());
    ASSERT_FALSE(rcOnBk.isEmpty());
    EXPECT_LT(rcOnBar.right(), 100);
    EXPECT_GE(rcOnBk.left(), 100);
    EXPECT_GT(rcOnBar.left(), 80) << "one centred label, not two";
    EXPECT_LT(rcOnBk.right(), 120);
}

TEST_F(BarFixture, LabelFormatIsTheControlText)
{
    bar.SetLabelFormat(QStringLiteral("%d C"), PBS_LABELVALUE);
    EXPECT_EQ(bar.GetStyle(), PBS_LABELVALUE);
    EXPECT_EQ(bar.WindowText(), QStringLiteral("%d C"));

    bar.SetLabelFormat(QStringLiteral("%d%%"), PBS_LABELPERCENT);
    EXPECT_EQ(bar.GetStyle(), PBS_LABELPERCENT) << "the other label bit is cleared";

    bar.SetLabelFormat(QString(), PBS_LABELVALUE);
    EXPECT_EQ(bar.GetStyle(), 0u);
    EXPECT_TRUE(bar.WindowText().isEmpty());
    EXPECT_EQ(ColouredBox(RenderWidget(bar, QSize(100, 20)), clrBk), QRect(0, 0, 100, 20));

    bar.SetLabelFormat(QStringLiteral("%d V"), 0);
    EXPECT_EQ(bar.GetStyle(), 0u);
    EXPECT_TRUE(bar.WindowText().isEmpty());

    // A caption given to the control and a label bit: the caption is the label.
    bar.SetWindowText(QStringLiteral("Progress1"));
    EXPECT_TRUE(bar.ModifyStyle(0, PBS_LABELVALUE));
    EXPECT_FALSE(bar.ModifyStyle(0, PBS_LABELVALUE));
    const QRect rcCaption = ColouredBox(RenderWidget(bar, QSize(100, 20)), clrOnBk);
    EXPECT_GT(rcCaption.width(), 30) << "nine characters";

    // A format reading a string would take garbage off the stack: nothing is shown.
    bar.SetLabelFormat(QStringLiteral("%s C"), PBS_LABELVALUE);
    EXPECT_EQ(ColouredBox(RenderWidget(bar, QSize(100, 20)), clrBk), QRect(0, 0, 100, 20));
}

TEST_F(BarFixture, MovingSegmentTravelsAndTurns)
{
    struct Expect
    {
        int nPos, nTail;
        bool bFlipped;
    };
    const Expect sequence[] = {
        {10, 0, false},   {20, 0, false},   {30, 0, false},   {40, 0, false},    {50, 10, false},
        {60, 20, false},  {70, 30, false},  {80, 40, false},  {90, 50, false},   {100, 60, false},
        {100, 70, false}, {100, 80, false}, {100, 90, false}, {100, 100, false}, {10, 0, true},
    };
    bar.ModifyStyle(0, PBS_SEGMENT);
    bar.SetRange(0, 100);
    EXPECT_EQ(bar.SetStep(10), 10);
    int nPrevious = 0;
    int nStep = 0;
    for (const Expect& e : sequence) {
        ++nStep;
        EXPECT_EQ(bar.StepIt(), nPrevious) << "step " << nStep;
        nPrevious = bar.GetPos();
        EXPECT_EQ(bar.GetPos(), e.nPos) << "step " << nStep;
        EXPECT_EQ(bool(bar.GetStyle() & PBS_FLIPPED), e.bFlipped) << "step " << nStep;
        const QImage image = RenderWidget(bar, QSize(100, 6));
        for (int x = 0; x < 100; ++x) {
            const int n = e.bFlipped ? 99 - x : x;
            const bool bFilled = n >= e.nTail && n < e.nPos;
            ASSERT_EQ(Pixel(image, x, 3), bFilled ? kRed : clrBk) << "step " << nStep << " x " << x;
        }
    }
}

TEST_F(BarFixture, PanelBarsRenderAsThePanelShowsThem)
{
    struct Panel
    {
        const char* file;
        QSize size;
        quint32 dwStyle;
        short nUpper;
        QColor clr; // invalid: the palette's default
        const char* format;
        int nPos;
    };
    const Panel bars[] = {
        {"progressctrlx-temperature.png",
         {30, 141},
         PBS_VERTICAL | PBS_LABELONBAR | PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELTOP,
         100,
         kRed,
         "%d C",
         45},
        {"progressctrlx-pa-voltage.png",
         {203, 16},
         PBS_LABELONBAR | PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELBOTTOM,
         50,
         QColor(),
         "%d V",
         28},
    };
    for (const Panel& p : bars) {
        CProgressCtrlX b;
        b.setFont(QFont(QStringLiteral("Sans Serif"), 8));
        b.SetRange(0, p.nUpper);
        b.ModifyStyle(0, p.dwStyle);
        if (p.clr.isValid())
            b.SetBarColors(p.clr, p.clr);
        b.SetLabelFormat(QString::fromLatin1(p.format), PBS_LABELVALUE);
        b.SetPos(p.nPos);
        const QImage image = RenderWidget(b, p.size);
        EXPECT_FALSE(ColouredBox(image, clrOnBar).isEmpty()) << p.file;
        const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(p.file);
        EXPECT_TRUE(image.save(path)) << path.toStdString();
    }
}
