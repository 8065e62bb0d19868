#include "Led.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimerEvent>
#include <QWindow>
#include <gtest/gtest.h>

#include <optional>

namespace {

// The lamp pictures as drawn by hand: '.' transparent, 'h' white, 'l' light grey,
// 'd' dark grey, 'x' body colour.
const char* const kCircleRows[16] = {
    "................", "................", "......ddd.......", "....ddllldd.....",
    "...dllxxxllh....", "...dlxxxxxlh....", "..dlxxhhxxxlh...", "..dlxhxxxxxlh...",
    "..dlxxxxxxxlh...", "...dlxxxxxlh....", "...dllxxxllh....", "....hhlllhh.....",
    "......hhh.......", "................", "................", "................",
};
const char* const kSquareRows[16] = {
    "................", "................", "..hhhhhhhhhhh...", "..hllllllllld...",
    "..hlxxxxxxxld...", "..hlxxxxxxxld...", "..hlxxxxxxxld...", "..hlxxxxxxxld...",
    "..hlxxxxxxxld...", "..hlxxxxxxxld...", "..hlxxxxxxxld...", "..hllllllllld...",
    "..ddddddddddd...", "................", "................", "................",
};

const int kColors[] = {CLed::Red, CLed::Green, CLed::Yellow, CLed::Blue};
const int kModes[] = {CLed::On, CLed::Off, CLed::Disabled};
const int kShapes[] = {CLed::Circle, CLed::Square};

QColor BodyColor(int nColor, int nMode)
{
    if (nMode == CLed::Disabled)
        return QColor(128, 128, 128);
    const int level = nMode == CLed::On ? 255 : 128;
    switch (nColor) {
    case CLed::Red:
        return QColor(level, 0, 0);
    case CLed::Green:
        return QColor(0, level, 0);
    case CLed::Yellow:
        return QColor(level, level, 0);
    default:
        return QColor(0, 0, level);
    }
}

// Colour of pixel (x, y) of a lamp cell, or nothing where the cell is transparent.
std::optional<QColor> CellPixel(int nColor, int nMode, int nShape, int x, int y)
{
    const char c = (nShape == CLed::Square ? kSquareRows : kCircleRows)[y][x];
    switch (c) {
    case 'h':
        return QColor(255, 255, 255);
    case 'l':
        return QColor(192, 192, 192);
    case 'd':
        return QColor(128, 128, 128);
    case 'x':
        return BodyColor(nColor, nMode);
    default:
        return std::nullopt;
    }
}

// Blue 77 appears in no lamp colour, so every pattern pixel differs from every lamp pixel.
QColor PatternColor(int x, int y)
{
    return QColor((x * 37) % 256, (y * 53) % 256, 77);
}

// A parent that paints a different colour at every pixel, so a lamp pixel that lets the parent
// through shows exactly which parent pixel lies beneath it.
class CPatternParent : public QWidget
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        QImage pattern(size(), QImage::Format_RGB32);
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x)
                pattern.setPixelColor(x, y, PatternColor(x, y));
        QPainter(this).drawImage(0, 0, pattern);
    }
};

const QPoint kLedPos(3, 5);

struct LedScene
{
    CPatternParent parent;
    CLed* pLed = new CLed(&parent);

    explicit LedScene(QSize ledSize)
    {
        parent.resize(ledSize + QSize(2 * kLedPos.x(), 2 * kLedPos.y()));
        pLed->setGeometry(QRect(kLedPos, ledSize));
    }

    QImage Render()
    {
        QImage image(parent.size(), QImage::Format_ARGB32_Premultiplied);
        parent.render(&image);
        return image.convertToFormat(QImage::Format_RGB32);
    }

    // What the parent should show at (x, y) with the lamp's cell at cellOrigin in the lamp.
    QColor Expected(int x, int y, QPoint cellOrigin) const
    {
        const QPoint local = QPoint(x, y) - kLedPos;
        const QPoint inCell = local - cellOrigin;
        if (pLed->rect().contains(local) && QRect(0, 0, 16, 16).contains(inCell))
            if (auto pixel =
                    CellPixel(pLed->Color(), pLed->Mode(), pLed->Shape(), inCell.x(), inCell.y()))
                return *pixel;
        return PatternColor(x, y);
    }

    // Number of parent pixels that differ from the expected picture; the first one is reported.
    int Mismatches(const QImage& image, QPoint cellOrigin) const
    {
        int nBad = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor want = Expected(x, y, cellOrigin);
                const QColor got = image.pixelColor(x, y);
                if (got != want && nBad++ == 0)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is "
                                  << got.name().toStdString() << ", expected "
                                  << want.name().toStdString();
            }
        return nBad;
    }
};

// Spins the event loop until the condition holds or the deadline passes.
template <typename Condition> bool SpinUntil(Condition condition, int nTimeoutMs)
{
    QDeadlineTimer deadline(nTimeoutMs);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

TEST(LedStrip, EveryCellIsItsTemplateInItsColours)
{
    const QImage& strip = CLed::Strip();
    ASSERT_EQ(strip.size(), QSize(48, 128));
    for (int nShape : kShapes)
        for (int nColor : kColors)
            for (int nMode : kModes)
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x) {
                        const QPoint at(nMode * 16 + x, nColor + nShape + y);
                        const QColor want =
                            CellPixel(nColor, nMode, nShape, x, y).value_or(QColor(255, 0, 255));
                        ASSERT_EQ(strip.pixelColor(at), want)
                            << "strip pixel (" << at.x() << ", " << at.y() << ")";
                    }
}

TEST(LedGeometry, CellOriginCentresOnlyWhenBothSidesHoldACell)
{
    const struct
    {
        QSize client;
        QPoint origin;
    } cases[] = {
        {{30, 32}, {7, 8}},  {{17, 17}, {0, 0}}, {{16, 16}, {0, 0}}, {{16, 15}, {0, 0}},
        {{40, 16}, {12, 0}}, {{15, 40}, {0, 0}}, {{0, 0}, {0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LedCellOrigin(c.client), c.origin)
            << c.client.width() << " x " << c.client.height();
}

TEST(LedGeometry, StripCellFollowsModeColourAndShape)
{
    EXPECT_EQ(LedStripCell(CLed::Red, CLed::On, CLed::Circle), QRect(0, 0, 16, 16));
    EXPECT_EQ(LedStripCell(CLed::Yellow, CLed::Off, CLed::Circle), QRect(16, 32, 16, 16));
    EXPECT_EQ(LedStripCell(CLed::Blue, CLed::Disabled, CLed::Square), QRect(32, 112, 16, 16));
}

TEST(LedPaint, CellIsPlacedAndClippedByTheClientSize)
{
    const struct
    {
        QSize client;
        QPoint origin;
    } cases[] = {
        {{30, 32}, {7, 8}}, {{17, 17}, {0, 0}}, {{16, 15}, {0, 0}},
        {{16, 10}, {0, 0}}, {{10, 30}, {0, 0}}, {{40, 16}, {12, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.client.width() << " x " << c.client.height());
        LedScene scene(c.client);
        scene.pLed->SetState(CLed::Green, CLed::On, CLed::Square);
        EXPECT_EQ(scene.Mismatches(scene.Render(), c.origin), 0);
    }
}

TEST(LedPaint, EveryTripleShowsItsCellOverTheParent)
{
    for (int nShape : kShapes)
        for (int nColor : kColors)
            for (int nMode : kModes) {
                SCOPED_TRACE(testing::Message()
                             << "colour " << nColor << " mode " << nMode << " shape " << nShape);
                LedScene scene(QSize(16, 16));
                scene.pLed->SetState(nColor, nMode, nShape);
                EXPECT_EQ(scene.Mismatches(scene.Render(), QPoint(0, 0)), 0);
            }
}

TEST(LedPaint, DisabledIsTheSameGreyForEveryColourButKeepsTheShape)
{
    QImage pictures[2];
    for (int i = 0; i < 2; ++i) {
        LedScene first(QSize(16, 16));
        first.pLed->SetState(CLed::Red, CLed::Disabled, kShapes[i]);
        pictures[i] = first.Render();
        for (int nColor : kColors) {
            LedScene scene(QSize(16, 16));
            scene.pLed->SetState(nColor, CLed::Disabled, kShapes[i]);
            EXPECT_EQ(scene.Render(), pictures[i]) << "colour " << nColor;
        }
    }
    EXPECT_NE(pictures[0], pictures[1]);
}

TEST(LedPaint, SelectorsOutsideTheStripShowOnlyTheParent)
{
    const struct
    {
        int nColor, nMode, nShape;
    } cases[] = {
        {CLed::Red, 3, CLed::Circle},
        {CLed::Red, -1, CLed::Circle},
        {-16, CLed::On, CLed::Circle},
        {CLed::Blue, CLed::On, 128},
        {CLed::Blue + 1, CLed::On, CLed::Square},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nColor << ", " << c.nMode << ", " << c.nShape);
        LedScene scene(QSize(20, 20));
        scene.pLed->SetState(c.nColor, c.nMode, c.nShape);
        EXPECT_EQ(scene.pLed->Color(), c.nColor);
        EXPECT_EQ(scene.pLed->Mode(), c.nMode);
        EXPECT_EQ(scene.pLed->Shape(), c.nShape);
        const QImage image = scene.Render();
        int nBad = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                nBad += image.pixelColor(x, y) != PatternColor(x, y);
        EXPECT_EQ(nBad, 0);
    }
}

class LedOnScreen : public testing::Test
{
protected:
    void SetUp() override
    {
        m_scene.parent.show();
        if (!SpinUntil([this] { return m_scene.parent.windowHandle()->isExposed(); }, 5000))
            GTEST_SKIP() << "the window is never exposed on this platform";
        QCoreApplication::processEvents();
        if (Screen().isNull())
            GTEST_SKIP() << "this platform cannot grab a window's contents";
    }

    // What the window shows now, read without letting any event run.
    QImage Screen()
    {
        return m_scene.parent.screen()
            ->grabWindow(m_scene.parent.winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    LedScene m_scene{QSize(30, 32)};
};

TEST_F(LedOnScreen, SetStateIsOnScreenWhenItReturns)
{
    const QPoint centre = kLedPos + QPoint(7 + 7, 8 + 7);
    m_scene.pLed->SetState(CLed::Yellow, CLed::On, CLed::Square);
    EXPECT_EQ(Screen().pixelColor(centre), QColor(255, 255, 0));
    m_scene.pLed->SetState(CLed::Yellow, CLed::Off, CLed::Square);
    EXPECT_EQ(Screen().pixelColor(centre), QColor(128, 128, 0));
    EXPECT_EQ(m_scene.Mismatches(Screen(), QPoint(7, 8)), 0);
}

TEST_F(LedOnScreen, ShapeChangeLeavesNoPixelsOfTheOldShape)
{
    m_scene.pLed->SetState(CLed::Red, CLed::On, CLed::Square);
    m_scene.pLed->SetState(CLed::Red, CLed::On, CLed::Circle);
    EXPECT_EQ(m_scene.Mismatches(Screen(), QPoint(7, 8)), 0);
}

// Counts the paint events that reach the widgets it watches.
class CPaintCounter : public QObject
{
public:
    int nPaints = 0;

protected:
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        nPaints += pEvent->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(LedOnScreen, UnchangedStatePaintsNothingAndAChangedOneIsOnScreenAtOnce)
{
    const QPoint centre = kLedPos + QPoint(7 + 7, 8 + 7);
    m_scene.pLed->SetState(CLed::Green, CLed::On, CLed::Square);
    QCoreApplication::processEvents();
    CPaintCounter counter;
    m_scene.parent.installEventFilter(&counter);
    m_scene.pLed->installEventFilter(&counter);

    for (int i = 0; i < 10; ++i)
        m_scene.pLed->SetState(CLed::Green, CLed::On, CLed::Square);
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.nPaints, 0);
    EXPECT_EQ(Screen().pixelColor(centre), QColor(0, 255, 0));

    m_scene.pLed->SetState(CLed::Green, CLed::Off, CLed::Square);
    EXPECT_GT(counter.nPaints, 0);
    EXPECT_EQ(Screen().pixelColor(centre), QColor(0, 128, 0));
    EXPECT_EQ(m_scene.Mismatches(Screen(), QPoint(7, 8)), 0);
}

struct LedFlash : testing::Test
{
    CLed led;
};

TEST_F(LedFlash, LightsUntilTheFlashTimerThenTurnsDark)
{
    led.SetState(CLed::Blue, CLed::Disabled, CLed::Square);
    led.Flash(500);
    EXPECT_EQ(led.Mode(), CLed::On);
    EXPECT_TRUE(led.IsFlashing());

    led.OnTimer(CLed::kFlashTimer + 1);
    EXPECT_EQ(led.Mode(), CLed::On);
    EXPECT_TRUE(led.IsFlashing());

    led.OnTimer(CLed::kFlashTimer);
    EXPECT_EQ(led.Mode(), CLed::Off);
    EXPECT_FALSE(led.IsFlashing());
    EXPECT_EQ(led.Color(), CLed::Blue);
    EXPECT_EQ(led.Shape(), CLed::Square);
}

TEST_F(LedFlash, ForeignTimerEventChangesNothing)
{
    led.Flash(60000);
    const int nOther = led.startTimer(60000);
    QTimerEvent foreign(nOther);
    QCoreApplication::sendEvent(&led, &foreign);
    led.killTimer(nOther);
    EXPECT_EQ(led.Mode(), CLed::On);
    EXPECT_TRUE(led.IsFlashing());
}

TEST_F(LedFlash, FlashDuringAFlashRestartsWithTheNewPeriod)
{
    led.SetState(CLed::Green, CLed::On, CLed::Circle);
    led.Flash(60000);
    led.Flash(20);
    EXPECT_TRUE(SpinUntil([this] { return !led.IsFlashing(); }, 5000));
    EXPECT_EQ(led.Mode(), CLed::Off);
    EXPECT_EQ(led.Color(), CLed::Green);
}

} // namespace
