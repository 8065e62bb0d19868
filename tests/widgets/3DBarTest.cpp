#include "3DBar.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

static void PrintTo(const QColor& cr, std::ostream* pOut)
{
    *pOut << cr.name().toStdString();
}

namespace {

const QColor kUnder(255, 0, 255);

QImage DrawBar(const C3DBar& bar, QSize size, const QRect& rect)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kUnder);
    QPainter painter(&image);
    bar.Draw(&painter, rect);
    return image;
}

// Map letters: B base, 1-3 light1-light3, D dark1, E dark2, M mid shadow, S shadow, . untouched.
QColor MapColor(const C3DBar& bar, char ch)
{
    switch (ch) {
    case 'B':
        return bar.Base();
    case '1':
        return bar.Light1();
    case '2':
        return bar.Light2();
    case '3':
        return bar.Light3();
    case 'D':
        return bar.Dark1();
    case 'E':
        return bar.Dark2();
    case 'M':
        return bar.MidShadow();
    case 'S':
        return bar.Shadow();
    default:
        return kUnder;
    }
}

void ExpectMap(const C3DBar& bar, const QImage& image, const std::vector<const char*>& map)
{
    ASSERT_EQ(int(map.size()), image.height());
    for (int y = 0; y < image.height(); ++y) {
        ASSERT_EQ(int(strlen(map[y])), image.width());
        for (int x = 0; x < image.width(); ++x)
            EXPECT_EQ(QColor(image.pixel(x, y)), MapColor(bar, map[y][x]))
                << "pixel (" << x << ", " << y << ") should be '" << map[y][x] << "'";
    }
}

// A base whose shades all differ, so that every pixel of a drawn bar names its stroke.
C3DBar DistinctBar()
{
    C3DBar bar;
    bar.SetColor(QColor(60, 110, 160));
    return bar;
}

} // namespace

TEST(C3DBar, ShadesFollowTheBaseWithoutClamping)
{
    struct Case
    {
        QColor crBase;
        QColor crLight1, crLight2, crLight3, crDark1, crDark2;
    };
    const Case cases[] = {
        {QColor(0, 100, 0), QColor(51, 151, 51), QColor(102, 202, 102), QColor(153, 253, 153),
         QColor(0, 49, 0), QColor(0, 49, 0)},
        {QColor(0, 0, 0), QColor(51, 51, 51), QColor(102, 102, 102), QColor(153, 153, 153),
         QColor(0, 0, 0), QColor(0, 0, 0)},
        {QColor(236, 233, 216), QColor(236, 233, 216), QColor(236, 233, 216), QColor(236, 233, 216),
         QColor(185, 182, 165), QColor(134, 131, 114)},
        {QColor(204, 51, 52), QColor(255, 102, 103), QColor(255, 153, 154), QColor(255, 204, 205),
         QColor(153, 0, 1), QColor(102, 0, 1)},
    };
    for (const Case& c : cases) {
        C3DBar bar;
        bar.SetColor(c.crBase);
        SCOPED_TRACE(c.crBase.name().toStdString());
        EXPECT_EQ(bar.Base(), c.crBase);
        EXPECT_EQ(bar.Light1(), c.crLight1);
        EXPECT_EQ(bar.Light2(), c.crLight2);
        EXPECT_EQ(bar.Light3(), c.crLight3);
        EXPECT_EQ(bar.Dark1(), c.crDark1);
        EXPECT_EQ(bar.Dark2(), c.crDark2);
    }
}

TEST(C3DBar, DefaultBaseIsDarkGreen)
{
    const C3DBar bar;
    EXPECT_EQ(bar.Base(), QColor(0, 100, 0));
    EXPECT_EQ(bar.Light3(), QColor(153, 253, 153));
    EXPECT_EQ(bar.Dark2(), QColor(0, 49, 0));
}

TEST(C3DBar, MidShadowIsTheFloorOfTheMean)
{
    EXPECT_EQ(C3DBar::MidColor(QColor(10, 11, 0), QColor(13, 20, 255)), QColor(11, 15, 127));
    EXPECT_EQ(C3DBar::MidColor(QColor(255, 0, 1), QColor(0, 0, 0)), QColor(127, 0, 0));
}

TEST(C3DBar, ShadowColoursAreReadFromThePaletteOnlyAtConstructionAndSetColor)
{
    const QPalette saved = QGuiApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Shadow, QColor(10, 20, 31));
    palette.setColor(QPalette::Dark, QColor(100, 51, 40));
    C3DBar before;
    QGuiApplication::setPalette(palette);
    C3DBar after;
    const QColor crBefore = before.Shadow();
    before.SetColor(QColor(1, 2, 3));
    const QColor crReread = before.Shadow();
    QGuiApplication::setPalette(saved);

    EXPECT_EQ(crBefore, QColor(saved.color(QPalette::Dark).rgb()));
    EXPECT_EQ(crReread, QColor(100, 51, 40));
    EXPECT_EQ(after.DkShadow(), QColor(10, 20, 31));
    EXPECT_EQ(after.Shadow(), QColor(100, 51, 40));
    EXPECT_EQ(after.MidShadow(), QColor(55, 35, 35));
}

TEST(C3DBar, TenPixelBarRowsColumnsAndShadows)
{
    const C3DBar bar = DistinctBar();
    ExpectMap(bar, DrawBar(bar, QSize(14, 12), QRect(2, 1, 8, 10)),
              {
                  "..............",
                  "..BBDDDDDDMS..",
                  "..B1BBBBBEMS..",
                  "..B21111DEMS..",
                  "..B32222DEMS..",
                  "..B33332DEMS..",
                  "..B32222DEMS..",
                  "..B21111DEMS..",
                  "..B1BBBBDEMS..",
                  "..BBDDDDDEMS..",
                  "..BDEEEEEEMS..",
                  "..............",
              });
}

// Strokes whose end lies left of their start run leftwards, past the rectangle's left edge.
TEST(C3DBar, OnePixelWideBarKeepsLeftStrokesAndShadowColumns)
{
    const C3DBar bar = DistinctBar();
    ExpectMap(bar, DrawBar(bar, QSize(8, 12), QRect(3, 1, 1, 10)),
              {
                  "........",
                  "...BMS..",
                  "...EMS..",
                  "..DEMS..",
                  ".2DEMS..",
                  ".2DEMS..",
                  ".2DEMS..",
                  "..DEMS..",
                  "..DEMS..",
                  "..DEMS..",
                  "...EMS..",
                  "........",
              });
}

TEST(C3DBar, ZeroWidthDrawsNothing)
{
    const C3DBar bar;
    const QImage image = DrawBar(bar, QSize(10, 12), QRect(4, 1, 0, 10));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(QColor(image.pixel(x, y)), kUnder) << x << ", " << y;
}

TEST(C3DBar, LineCoversStartButNotEndInEitherDirection)
{
    struct Case
    {
        QPoint ptFrom, ptTo;
        const char* row; // the pixels of row 1 (horizontal) or column 1 (vertical)
    };
    const Case cases[] = {
        {{2, 1}, {6, 1}, "..####.."}, {{6, 1}, {2, 1}, "...####."}, {{4, 1}, {4, 1}, "........"},
        {{4, 1}, {5, 1}, "....#..."}, {{1, 2}, {1, 6}, "..####.."}, {{1, 6}, {1, 2}, "...####."},
    };
    for (const Case& c : cases) {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            C3DBar::Line(&painter, c.ptFrom, c.ptTo, Qt::black);
        }
        const bool bVertical = c.ptFrom.x() == c.ptTo.x() && c.ptFrom.y() != c.ptTo.y();
        std::string seen;
        int nBlack = 0;
        for (int i = 0; i < 8; ++i) {
            const QRgb px = bVertical ? image.pixel(1, i) : image.pixel(i, 1);
            seen += px == qRgb(0, 0, 0) ? '#' : '.';
        }
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                nBlack += image.pixel(x, y) == qRgb(0, 0, 0);
        EXPECT_EQ(seen, c.row);
        EXPECT_EQ(nBlack, int(std::count(seen.begin(), seen.end(), '#')));
    }
}
