#include "StaticCounter.h"

#include "Render.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QWindow>
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

static void PrintTo(const QColor& cr, std::ostream* pOut)
{
    *pOut << cr.name().toStdString();
}

static void PrintTo(const QLine& line, std::ostream* pOut)
{
    *pOut << "(" << line.x1() << ", " << line.y1() << ")-(" << line.x2() << ", " << line.y2()
          << ")";
}

namespace {

const QColor kPanelSegments(0, 0, 0);
const QColor kPanelBackground(236, 233, 216);
const QColor kPanelUnlit(215, 215, 215);
const QSize kPanelSize(125, 36);

// The frequency readout as the panel configures it.
void ConfigureAsPanel(CStaticCounter& counter)
{
    counter.ShowBar(false);
    counter.SetColors(kPanelSegments, kPanelBackground, QColor(0, 0, 0));
    counter.SetUnlitColor(kPanelUnlit);
    counter.Display(0.0f, true, QStringLiteral("%.2f"));
}

QColor Px(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

void SavePng(const QImage& image, const QString& strName)
{
    image.save(QDir::current().filePath(strName));
}

// A pixel on the middle of each stroke of segments a to g, for a cell at nX.
std::vector<QPoint> SegmentProbes(int nX, int L, int T)
{
    return {
        {nX + (2 * T + L) / 2, T},             // a
        {nX + L + T, (4 * T + L) / 2},         // b
        {nX + L + T, (3 * L + 7 * T) / 2},     // c
        {nX + (2 * T + L) / 2, 2 * L + 4 * T}, // d
        {nX + T, (3 * L + 7 * T) / 2},         // e
        {nX + T, (4 * T + L) / 2},             // f
        {nX + (2 * T + L) / 2, L + 3 * T},     // g
    };
}

// lit names the lit segments in the order abcdefg, '-' for an unlit one.
void ExpectCell(const QImage& image, int nX, const char* lit, const QColor& crLit,
                const QColor& crUnlit, int L = 12, int T = 2)
{
    const std::vector<QPoint> probes = SegmentProbes(nX, L, T);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Px(image, probes[i].x(), probes[i].y()), lit[i] == '-' ? crUnlit : crLit)
            << "segment " << char('a' + i) << " of the cell at x = " << nX;
}

void SendMouse(QObject* pReceiver, QEvent::Type type, Qt::MouseButton button,
               Qt::MouseButtons buttons, QPoint pos)
{
    QMouseEvent event(type, QPointF(pos), QPointF(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(pReceiver, &event);
}

// A counter whose own value is 50 within 0..100.
void StartAtFifty(CStaticCounter& counter)
{
    counter.SetRange(50.0f, 100.0f);
    counter.SetRange(0.0f, 100.0f);
}

} // namespace

TEST(CStaticCounter, StartsInIntegerModeShowingZero)
{
    CStaticCounter counter;
    EXPECT_EQ(counter.Text(), "0");
    EXPECT_EQ(counter.Format(), "%.3d");
    EXPECT_EQ(counter.Value(), 0.0f);
    EXPECT_EQ(counter.Min(), 0.0f);
    EXPECT_EQ(counter.Max(), 100.0f);
    EXPECT_FALSE(counter.IsFloatMode());
    EXPECT_TRUE(counter.IsBarShown());
    EXPECT_FALSE(counter.HasMetrics());
    EXPECT_TRUE(counter.testAttribute(Qt::WA_OpaquePaintEvent));

    const QImage image = RenderWidget(counter, QSize(40, 44));
    EXPECT_TRUE(counter.HasMetrics());
    EXPECT_EQ(counter.SegmentWidth(), 2);
    EXPECT_EQ(counter.SegmentLength(), 12);
    ExpectCell(image, 0, "abcdef-", QColor(100, 255, 100), QColor(33, 85, 33));
    EXPECT_EQ(Px(image, 8, 10), QColor(0, 0, 0));
    EXPECT_EQ(Px(image, 30, 10), QColor(0, 0, 0));
}

TEST(CStaticCounter, MetricsFollowHeightAndBarWithFloorsOfOne)
{
    struct Case
    {
        int nHeight;
        bool bShowBar;
        int nLength, nWidth;
    };
    const Case cases[] = {
        {36, false, 12, 2}, {44, true, 12, 2}, {34, false, 11, 2}, {100, false, 35, 6},
        {17, false, 5, 1},  {16, false, 5, 1}, {3, false, 1, 1},   {2, false, 1, 1},
        {0, false, 1, 1},   {8, true, 1, 1},   {5, true, 1, 1},
    };
    for (const Case& c : cases) {
        const CStaticCounter::Metrics metrics =
            CStaticCounter::ComputeMetrics(c.nHeight, c.bShowBar, 10);
        EXPECT_EQ(metrics.nSegLength, c.nLength) << c.nHeight << (c.bShowBar ? " bar" : "");
        EXPECT_EQ(metrics.nSegWidth, c.nWidth) << c.nHeight << (c.bShowBar ? " bar" : "");
    }
}

TEST(CStaticCounter, CharacterCodesAndCellAdvances)
{
    const std::pair<char, int> codes[] = {
        {'0', 252}, {'1', 96},  {'2', 218}, {'3', 242}, {'4', 102}, {'5', 182},
        {'6', 190}, {'7', 224}, {'8', 254}, {'9', 246}, {'-', 2},   {'.', 256},
        {':', 257}, {' ', 0},   {'E', 0},   {'+', 0},
    };
    for (const auto& [ch, nCode] : codes)
        EXPECT_EQ(CStaticCounter::CharCode(QChar(ch)), nCode) << ch;

    const CStaticCounter::Metrics metrics{12, 2};
    EXPECT_EQ(CStaticCounter::CellPositions("98.50", metrics),
              (std::vector<int>{0, 20, 40, 60, 80}));
    EXPECT_EQ(CStaticCounter::CellPositions("12:34", metrics),
              (std::vector<int>{0, 20, 34, 47, 67}));
    EXPECT_EQ(CStaticCounter::CellPositions("1 E1", metrics), (std::vector<int>{0, 20, 40, 60}));
    EXPECT_EQ(CStaticCounter::CellPositions("::", metrics), (std::vector<int>{0, 14}));
    EXPECT_TRUE(CStaticCounter::CellPositions("", metrics).empty());
}

TEST(CStaticCounter, StrokeCoordinates)
{
    const CStaticCounter::Metrics metrics{12, 2};
    EXPECT_EQ(CStaticCounter::Strokes(CStaticCounter::kAllSegments, 20, metrics),
              (std::vector<QLine>{
                  {24, 2, 32, 2},
                  {34, 4, 34, 16},
                  {34, 20, 34, 30},
                  {24, 32, 32, 32},
                  {22, 20, 22, 30},
                  {22, 4, 22, 16},
                  {24, 18, 32, 18},
              }));
    EXPECT_EQ(CStaticCounter::Strokes(CStaticCounter::CharCode('1'), 0, metrics),
              (std::vector<QLine>{{14, 4, 14, 16}, {14, 20, 14, 30}}));
    EXPECT_EQ(CStaticCounter::Strokes(CStaticCounter::kDecimalPoint, 0, metrics),
              (std::vector<QLine>{{4, 32, 6, 32}}));
    EXPECT_EQ(CStaticCounter::Strokes(CStaticCounter::kColon, 34, metrics),
              (std::vector<QLine>{{42, 12, 44, 12}, {42, 26, 44, 26}}));
}

// Texts as the panel's readout shows them (T = 2, L = 12: cells advance 20 pixels).
TEST(CStaticCounter, CellsShowLitSegmentsOverADimmedEight)
{
    struct Cell
    {
        int nX;
        const char* lit;
    };
    struct Case
    {
        const char* text;
        std::vector<Cell> cells;
        std::vector<QPoint> lit;
        std::vector<QPoint> background;
        const char* png;
    };
    const Case cases[] = {
        // The point is the left part of the third cell's bottom segment; the rest stays dimmed.
        {"98.50",
         {{0, "abcd-fg"}, {20, "abcdefg"}, {40, "-------"}, {60, "a-cd-fg"}, {80, "abcdef-"}},
         {{45, 32}},
         {{8, 10}, {28, 26}, {17, 18}, {110, 18}, {124, 35}, {0, 0}},
         "counter-98.50.png"},
        // The colon's cell starts L + T after the 2 and holds only its two strokes: no dimmed 8
        // where its a, d, e, f and g would lie. The 3 starts L + 1 after it.
        {"12:34",
         {{0, "-bc----"}, {20, "ab-de-g"}, {47, "abcd--g"}, {67, "-bc--fg"}},
         {{44, 12}, {44, 26}},
         {{42, 2}, {42, 32}, {36, 25}, {36, 10}, {42, 18}},
         "counter-12-34.png"},
        {"-1.00", {{0, "------g"}, {20, "-bc----"}, {40, "-------"}}, {{45, 32}}, {}, nullptr},
        {"1 E1",
         {{0, "-bc----"}, {20, "-------"}, {40, "-------"}, {60, "-bc----"}},
         {},
         {{78, 18}},
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CStaticCounter counter;
        ConfigureAsPanel(counter);
        counter.SetText(QString::fromLatin1(c.text));
        const QImage image = RenderWidget(counter, kPanelSize);
        if (c.png)
            SavePng(image, QString::fromLatin1(c.png));
        for (const Cell& cell : c.cells)
            ExpectCell(image, cell.nX, cell.lit, kPanelSegments, kPanelUnlit);
        for (const QPoint& pt : c.lit)
            EXPECT_EQ(Px(image, pt.x(), pt.y()), kPanelSegments) << pt.x() << ", " << pt.y();
        for (const QPoint& pt : c.background)
            EXPECT_EQ(Px(image, pt.x(), pt.y()), kPanelBackground) << pt.x() << ", " << pt.y();
    }
}

TEST(CStaticCounter, EmptyTextPaintsOnlyTheBackground)
{
    CStaticCounter counter;
    ConfigureAsPanel(counter);
    counter.SetText(QString());
    const QImage image = RenderWidget(counter, kPanelSize);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(Px(image, x, y), kPanelBackground) << x << ", " << y;
}

TEST(CStaticCounter, UnlitColourIsExplicitOnceSetElseAThirdOfTheSegments)
{
    EXPECT_EQ(CStaticCounter::DimmedColor(QColor(100, 255, 100)), QColor(33, 85, 33));
    EXPECT_EQ(CStaticCounter::DimmedColor(QColor(200, 91, 2)), QColor(66, 30, 0));

    CStaticCounter counter;
    counter.ShowBar(false);
    counter.SetColors(QColor(200, 91, 2), QColor(0, 0, 40), QColor(0, 0, 0));
    counter.SetText(QStringLiteral("1"));
    QImage image = RenderWidget(counter, QSize(40, 36));
    ExpectCell(image, 0, "-bc----", QColor(200, 91, 2), QColor(66, 30, 0));

    counter.SetUnlitColor(QColor(1, 2, 3));
    counter.SetColors(QColor(250, 250, 250), QColor(0, 0, 40), QColor(0, 0, 0));
    EXPECT_EQ(counter.UnlitColor(), QColor(1, 2, 3));
    image = RenderWidget(counter, QSize(40, 36));
    ExpectCell(image, 0, "-bc----", QColor(250, 250, 250), QColor(1, 2, 3));
}

// Character pictures are kept between paints: after new colours a counter shows exactly what
// one given those colours from the start shows.
TEST(CStaticCounter, NewColoursRedrawEveryCharacterPicture)
{
    CStaticCounter counter;
    ConfigureAsPanel(counter);
    counter.SetText(QStringLiteral("-12:34.5"));
    RenderWidget(counter, kPanelSize);
    counter.SetColors(QColor(200, 91, 2), QColor(0, 0, 40), QColor(0, 0, 0));
    counter.SetUnlitColor(QColor(1, 2, 3));
    const QImage image = RenderWidget(counter, kPanelSize);

    CStaticCounter fresh;
    fresh.ShowBar(false);
    fresh.SetColors(QColor(200, 91, 2), QColor(0, 0, 40), QColor(0, 0, 0));
    fresh.SetUnlitColor(QColor(1, 2, 3));
    fresh.SetText(QStringLiteral("-12:34.5"));
    EXPECT_EQ(image, RenderWidget(fresh, kPanelSize));
    ExpectCell(image, 20, "-bc----", QColor(200, 91, 2), QColor(1, 2, 3));
}

TEST(CStaticCounter, OnePixelPenStopsBeforeEachEndPoint)
{
    CStaticCounter counter;
    counter.ShowBar(false);
    counter.SetColors(QColor(255, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0));
    counter.SetUnlitColor(QColor(0, 0, 255));
    counter.SetText(QStringLiteral("8"));
    const QImage image = RenderWidget(counter, QSize(12, 16));
    ASSERT_EQ(counter.SegmentWidth(), 1);
    ASSERT_EQ(counter.SegmentLength(), 5);
    const char* const map[] = {
        "............", "..###.......", ".#....#.....", ".#....#.....",
        ".#....#.....", ".#....#.....", ".#....#.....", "............",
        "..###.......", ".#....#.....", ".#....#.....", ".#....#.....",
        ".#....#.....", "............", "..###.......", "............",
    };
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(Px(image, x, y), map[y][x] == '#' ? QColor(255, 0, 0) : QColor(0, 0, 0))
                << x << ", " << y;
}

// Odd pens are centred on the stroke's pixels, even ones on their top-left corners.
TEST(CStaticCounter, WideStrokesAreTPixelsThick)
{
    struct Case
    {
        int nHeight;
        int nWidth;
        int nFirstRow, nFirstColumn; // of segment a's rows and segment b's columns
    };
    const Case cases[] = {{50, 3, 2, 19}, {72, 4, 2, 27}, {36, 2, 1, 13}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nHeight);
        CStaticCounter counter;
        ConfigureAsPanel(counter);
        counter.SetText(QStringLiteral("7"));
        const QImage image = RenderWidget(counter, QSize(c.nHeight, c.nHeight));
        ASSERT_EQ(counter.SegmentWidth(), c.nWidth);
        const int L = counter.SegmentLength();
        const int T = counter.SegmentWidth();
        const int nMidA = (2 * T + L) / 2;
        const int nMidB = (4 * T + L) / 2;
        for (int i = -1; i <= T; ++i) {
            const QColor crExpected = i >= 0 && i < T ? kPanelSegments : kPanelBackground;
            EXPECT_EQ(Px(image, nMidA, c.nFirstRow + i), crExpected) << "row " << i;
            EXPECT_EQ(Px(image, c.nFirstColumn + i, nMidB), crExpected) << "column " << i;
        }
    }
}

TEST(CStaticCounter, MetricsStayFixedAfterResizeAndBarChange)
{
    CStaticCounter counter;
    ConfigureAsPanel(counter);
    counter.Display(98.5f, true, QStringLiteral("%.2f"));
    RenderWidget(counter, kPanelSize);
    counter.ShowBar(true);
    const QImage image = RenderWidget(counter, QSize(250, 100));
    EXPECT_EQ(counter.SegmentWidth(), 2);
    EXPECT_EQ(counter.SegmentLength(), 12);
    ExpectCell(image, 0, "abcd-fg", kPanelSegments, kPanelUnlit);
    ExpectCell(image, 80, "abcdef-", kPanelSegments, kPanelUnlit);
    EXPECT_EQ(Px(image, 8, 60), kPanelBackground);
}

TEST(CStaticCounter, BarLengthInHundredthsOfTheRange)
{
    struct Case
    {
        int nWidth;
        float fMin, fMax, fValue;
        int nLength;
    };
    const Case cases[] = {
        {100, 0.0f, 100.0f, 0.0f, 0},    {100, 0.0f, 100.0f, 100.0f, 100},
        {100, 0.0f, 100.0f, 50.0f, 50},  {7, 0.0f, 100.0f, 50.0f, 3},
        {3, 0.0f, 100.0f, 100.0f, 3},    {29, 0.0f, 100.0f, 100.0f, 29},
        {10, 0.0f, 0.5f, 0.25f, 5},      {100, -50.0f, -10.0f, -10.0f, 100},
        {100, 5.0f, 5.0f, 5.0f, 0},      {100, 0.0f, 0.001f, 0.001f, 0},
        {100, -3e38f, 3e38f, 0.0f, 103}, {100, 0.0f, 0.015f, 0.015f, 103},
        {100, 0.0f, 0.015f, 0.001f, 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CStaticCounter::BarLength(c.nWidth, c.fMin, c.fMax, c.fValue), c.nLength)
            << c.nWidth << " " << c.fMin << ".." << c.fMax << " at " << c.fValue;
}

TEST(CStaticCounter, BarStripFromMinimumToMaximum)
{
    const QPalette pal = QApplication::palette();
    const QColor crFace(pal.color(QPalette::Button).rgb());
    const QColor crShadow(pal.color(QPalette::Dark).rgb());
    const QColor crLight(pal.color(QPalette::Light).rgb());
    struct Case
    {
        float fMin, fMax; // value 0 clamped into this range
        int nLength;
    };
    const Case cases[] = {
        {0.0f, 100.0f, 0}, {-50.0f, 50.0f, 50}, {-50.0f, -10.0f, 100}, {5.0f, 5.0f, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nLength);
        CStaticCounter counter;
        counter.SetColors(QColor(0, 0, 0), QColor(0, 0, 0), QColor(60, 110, 160));
        counter.SetRange(c.fMin, c.fMax);
        const QImage image = RenderWidget(counter, QSize(100, 40));
        if (c.nLength == 100)
            SavePng(image, QStringLiteral("counter-bar-full.png"));
        const C3DBar& bar = counter.Bar();
        if (c.nLength == 0) {
            EXPECT_EQ(Px(image, 0, 30), crShadow);
            EXPECT_EQ(Px(image, 98, 30), crShadow);
            EXPECT_EQ(Px(image, 0, 38), crShadow);
            EXPECT_EQ(Px(image, 99, 30), crLight);
            EXPECT_EQ(Px(image, 0, 39), crLight);
            EXPECT_EQ(Px(image, 99, 39), crLight);
            EXPECT_EQ(Px(image, 50, 35), crFace);
            EXPECT_EQ(Px(image, 1, 31), crFace);
            continue;
        }
        const int nMid = c.nLength / 2;
        const QColor rows[] = {bar.Dark1(),  bar.Base(),   bar.Light1(), bar.Light2(), bar.Light3(),
                               bar.Light2(), bar.Light1(), bar.Base(),   bar.Dark1(),  bar.Dark2()};
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(Px(image, nMid, 30 + i), rows[i]) << "row " << i;
        EXPECT_EQ(Px(image, 0, 35), bar.Base());
        EXPECT_EQ(Px(image, c.nLength - 1, 35), bar.Dark2());
        EXPECT_EQ(Px(image, c.nLength - 2, 35), bar.Dark1());
        EXPECT_EQ(Px(image, c.nLength - 3, 35), bar.Light2());
        if (c.nLength < 98) {
            EXPECT_EQ(Px(image, c.nLength, 35), bar.MidShadow());
            EXPECT_EQ(Px(image, c.nLength + 1, 35), bar.Shadow());
            EXPECT_EQ(Px(image, c.nLength + 2, 35), crFace);
        }
    }
}

TEST(CStaticCounter, FormatsApplyToTheTypeTheirConversionTakes)
{
    struct Case
    {
        const char* format;
        double dValue;
        const char* text;
    };
    const Case cases[] = {
        {"%.2f", 98.5, "98.50"},
        {"%.3d", 7, "007"},
        {"%.3d", 98.7, "098"},
        {"%.2f", 3, "3.00"},
        {"%.1f %%", 1.3, "1.3 %"},
        {"MHz", 1, "MHz"},
        {"100 %% of %%%%", 1, "100 % of %%"},
        {"%5.1f", 12.5, " 12.5"},
        {"%s", 1, ""},
        {"%n", 1, ""},
        {"%d %d", 1, ""},
        {"%ld", 1, ""},
        {"%*d", 1, ""},
        {"%", 1, ""},
        {"%.3d", 1e12, "2147483647"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CStaticCounter::FormatNumber(QString::fromLatin1(c.format), c.dValue), c.text)
            << c.format;
}

TEST(CStaticCounter, DisplayStoresTextBeforeTheWidgetIsShown)
{
    CStaticCounter counter;
    counter.Display(12.7f, false, QString());
    EXPECT_EQ(counter.Text(), "012");
    EXPECT_TRUE(counter.IsFloatMode());
    counter.Display(98.5f, true, QStringLiteral("%.2f"));
    EXPECT_EQ(counter.Text(), "98.50");
    counter.Display(-1.0f, false, QString());
    EXPECT_EQ(counter.Text(), "-1.00");
    counter.Display(4, false, QString());
    EXPECT_EQ(counter.Text(), "4.00");
    EXPECT_FALSE(counter.IsFloatMode());
    EXPECT_EQ(counter.Value(), 0.0f);
}

TEST(CStaticCounter, ClicksAndDragsStepTheOwnValue)
{
    enum Action
    {
        LDown,
        LUp,
        RDown,
        RUp,
        Move
    };
    struct Step
    {
        Action action;
        int x;
        int y = 5;
    };
    struct Case
    {
        const char* name;
        bool bFloat;
        const char* format;
        std::vector<Step> steps;
        float fValue;
        const char* text;
    };
    const Case cases[] = {
        {"float right click", true, "%.2f", {{RDown, 10}, {RUp, 10}}, 50.01f, "50.01"},
        {"float left click", true, "%.2f", {{LDown, 10}, {LUp, 10}}, 49.99f, "49.99"},
        {"int right click", false, "%.3d", {{RDown, 10}, {RUp, 10}}, 51.0f, "051"},
        {"int left click", false, "%.3d", {{LDown, 10}, {LUp, 10}}, 49.0f, "049"},
        {"current format", true, "%.1f", {{RDown, 10}, {RUp, 10}}, 50.01f, "50.0"},
        {"left drag", false, "%.3d", {{LDown, 10}, {Move, 15}, {LUp, 15}}, 55.0f, "055"},
        {"right drag", true, "%.2f", {{RDown, 10}, {Move, 15}, {RUp, 15}}, 50.05f, "50.05"},
        {"left drag in float mode",
         true,
         "%.2f",
         {{LDown, 10}, {Move, 5}, {LUp, 5}},
         45.0f,
         "45.00"},
        {"still last move",
         true,
         "%.2f",
         {{LDown, 10}, {Move, 15}, {Move, 15, 20}, {LUp, 15, 20}},
         54.99f,
         "54.99"},
        {"drag clamped up", false, "%.3d", {{LDown, 0}, {Move, 500}, {LUp, 500}}, 100.0f, "100"},
        {"drag clamped down",
         false,
         "%.3d",
         {{RDown, 0}, {Move, -10000}, {RUp, -10000}},
         0.0f,
         "000"},
        {"click clamped",
         true,
         "%.2f",
         {{LDown, 0}, {Move, -60}, {LUp, -60}, {LDown, 0}, {LUp, 0}},
         0.0f,
         "0.00"},
        {"release without press", true, "%.2f", {{RUp, 10}}, 50.01f, "50.01"},
        {"both buttons move at the left rate",
         true,
         "%.2f",
         {{LDown, 10}, {RDown, 10}, {Move, 13}},
         53.0f,
         "53.00"},
        {"move without button", true, "%.2f", {{Move, 30}}, 50.0f, "98.50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CStaticCounter counter;
        StartAtFifty(counter);
        if (c.bFloat)
            counter.Display(98.5f, true, QString::fromLatin1(c.format));
        else
            counter.Display(7, true, QString::fromLatin1(c.format));
        Qt::MouseButtons held;
        for (const Step& step : c.steps) {
            const QPoint pos(step.x, step.y);
            switch (step.action) {
            case LDown:
                held |= Qt::LeftButton;
                SendMouse(&counter, QEvent::MouseButtonPress, Qt::LeftButton, held, pos);
                break;
            case RDown:
                held |= Qt::RightButton;
                SendMouse(&counter, QEvent::MouseButtonPress, Qt::RightButton, held, pos);
                break;
            case LUp:
                held &= ~Qt::MouseButtons(Qt::LeftButton);
                SendMouse(&counter, QEvent::MouseButtonRelease, Qt::LeftButton, held, pos);
                break;
            case RUp:
                held &= ~Qt::MouseButtons(Qt::RightButton);
                SendMouse(&counter, QEvent::MouseButtonRelease, Qt::RightButton, held, pos);
                break;
            case Move:
                SendMouse(&counter, QEvent::MouseMove, Qt::NoButton, held, pos);
                break;
            }
        }
        EXPECT_FLOAT_EQ(counter.Value(), c.fValue);
        EXPECT_EQ(counter.Text(), c.text);
    }
}

TEST(CStaticCounter, CounterTransparentForMouseIgnoresClicks)
{
    for (const bool bTransparent : {false, true}) {
        SCOPED_TRACE(bTransparent ? "transparent" : "takes mouse input");
        QWidget window;
        window.resize(200, 60);
        auto* pCounter = new CStaticCounter(&window);
        pCounter->setGeometry(10, 10, 125, 36);
        pCounter->setAttribute(Qt::WA_TransparentForMouseEvents, bTransparent);
        pCounter->Display(0.0f, true, QStringLiteral("%.2f"));
        window.show();
        ASSERT_NE(window.windowHandle(), nullptr);
        const QPoint pos(60, 30);
        SendMouse(window.windowHandle(), QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton,
                  pos);
        SendMouse(window.windowHandle(), QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton,
                  pos);
        EXPECT_FLOAT_EQ(pCounter->Value(), bTransparent ? 0.0f : 0.01f);
        EXPECT_EQ(pCounter->Text(), bTransparent ? "0.00" : "0.01");
    }
}

TEST(CStaticCounter, SizeHintsHoldTheirCharacters)
{
    CStaticCounter counter;
    ConfigureAsPanel(counter);
    const QSize hint = counter.sizeHint();
    const QSize minimum = counter.minimumSizeHint();
    EXPECT_LE(minimum.width(), hint.width());
    EXPECT_LE(minimum.height(), hint.height());
    counter.Display(108.0f, true, QStringLiteral("%.2f"));
    const QImage image = RenderWidget(counter, hint);
    ExpectCell(image, 100, "abcdef-", kPanelSegments, kPanelUnlit, counter.SegmentLength(),
               counter.SegmentWidth());
    EXPECT_LT(100 + counter.SegmentLength() + 2 * counter.SegmentWidth(), hint.width());
}
