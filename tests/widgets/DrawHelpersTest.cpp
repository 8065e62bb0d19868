#include "drawgdix.h"
#include "memdc.h"

#include "Pixels.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const QColor kTargetBk(10, 20, 30);
const QColor kUnder(200, 0, 200);

QImage Canvas(QSize size = QSize(40, 30), qreal dDpr = 1.0)
{
    QImage image(size * dDpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dDpr);
    image.fill(kUnder);
    return image;
}

// A device context over an image painter, for the attribute scopes.
struct DCFixture : ::testing::Test
{
    QImage image = Canvas();
    QPainter painter{&image};
    CDC dc{painter, Qt::white};
};

} // namespace

TEST_F(DCFixture, ScopesRestoreTheValueFromBeforeTheirFirstChange)
{
    const QColor clrBefore = dc.GetTextColor();
    const int nModeBefore = dc.GetBkMode();
    const quint32 nAlignBefore = dc.GetTextAlign();
    const QFont fontBefore = dc.GetFont();
    QFont fontA(QStringLiteral("Sans Serif"), 8);
    QFont fontB(QStringLiteral("Sans Serif"), 14);
    fontB.setBold(true);
    {
        CFontDC fontScope(dc, fontA);
        CTextColorDC colorScope(dc, Qt::red);
        CBkModeDC bkModeScope(dc, TRANSPARENT);
        CTextAlignDC alignScope(dc, TA_CENTER | TA_BOTTOM);
        colorScope.SetTextColor(Qt::green);
        colorScope.SetTextColor(Qt::blue);
        fontScope.Select(fontB);
        bkModeScope.SetBkMode(OPAQUE);
        bkModeScope.SetBkMode(TRANSPARENT);
        alignScope.SetTextAlign(TA_RIGHT | TA_BASELINE);
        EXPECT_EQ(dc.GetTextColor(), QColor(Qt::blue));
        EXPECT_EQ(dc.GetFont(), fontB);
        EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
        EXPECT_EQ(dc.GetTextAlign(), TA_RIGHT | TA_BASELINE);
    }
    EXPECT_EQ(dc.GetTextColor(), clrBefore);
    EXPECT_EQ(dc.GetBkMode(), nModeBefore);
    EXPECT_EQ(dc.GetTextAlign(), nAlignBefore);
    EXPECT_EQ(dc.GetFont(), fontBefore);
}

TEST_F(DCFixture, RestoreTwiceActsOnce)
{
    {
        CTextColorDC colorScope(dc, Qt::red);
        colorScope.Restore();
        EXPECT_EQ(dc.GetTextColor(), QColor(Qt::black));
        dc.SetTextColor(Qt::yellow);
        colorScope.Restore();
        EXPECT_EQ(dc.GetTextColor(), QColor(Qt::yellow));
    }
    EXPECT_EQ(dc.GetTextColor(), QColor(Qt::yellow));

    // After a restore the scope saves anew at its next change.
    {
        CBkModeDC bkModeScope(dc, TRANSPARENT);
        bkModeScope.Restore();
        dc.SetBkMode(TRANSPARENT);
        bkModeScope.SetBkMode(OPAQUE);
    }
    EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
}

TEST_F(DCFixture, NestedScopesUnwindInReverseOrder)
{
    {
        CTextColorDC outer(dc, Qt::red);
        {
            CTextColorDC inner(dc, Qt::green);
            inner.SetTextColor(Qt::blue);
        }
        EXPECT_EQ(dc.GetTextColor(), QColor(Qt::red));
    }
    EXPECT_EQ(dc.GetTextColor(), QColor(Qt::black));
}

TEST_F(DCFixture, RefusedValuesChangeAndSaveNothing)
{
#ifndef QT_NO_DEBUG
    GTEST_SKIP() << "refused values stop a debug build at the diagnostic assertion";
#else
    dc.SetBkMode(TRANSPARENT);
    {
        CTextColorDC colorScope(dc, QColor());
        CBkModeDC bkModeScope(dc, 7);
        CTextAlignDC alignScope(dc, 0xFFFFFFFFu);
        EXPECT_EQ(dc.GetTextColor(), QColor(Qt::black));
        EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
        EXPECT_EQ(dc.GetTextAlign(), TA_LEFT | TA_TOP);
        dc.SetTextColor(Qt::cyan);
        dc.SetBkMode(OPAQUE);
    }
    EXPECT_EQ(dc.GetTextColor(), QColor(Qt::cyan));
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
#endif
}

TEST(MemDCTest, StartsWithTheTargetBackgroundAndCopiesOnlyItsRectangle)
{
    QImage target = Canvas();
    const QRect rcCovered(10, 5, 20, 15);
    {
        QPainter painter(&target);
        painter.setBackground(kTargetBk);
        CMemDC dc(painter, rcCovered);
        // Target coordinates: a stripe crossing the covered rectangle's edges.
        dc.FillSolidRect(QRect(0, 10, 40, 2), Qt::green);
        // Nothing reaches the target before the context ends.
        EXPECT_EQ(Pixel(target, 15, 7), kUnder);
    }
    for (int y = 0; y < target.height(); ++y) {
        for (int x = 0; x < target.width(); ++x) {
            QColor expected = kUnder;
            if (rcCovered.contains(x, y))
                expected = (y == 10 || y == 11) ? QColor(Qt::green) : kTargetBk;
            ASSERT_EQ(Pixel(target, x, y), expected) << x << "," << y;
        }
    }
}

TEST(MemDCTest, HonoursTheTargetPixelRatio)
{
    QImage target = Canvas(QSize(20, 10), 2.0);
    {
        QPainter painter(&target);
        painter.setBackground(kTargetBk);
        CMemDC dc(painter, QRect(0, 0, 20, 10));
        dc.FillSolidRect(QRect(5, 0, 1, 10), Qt::green);
    }
    // One logical pixel is two device pixels, drawn sharp.
    EXPECT_EQ(Pixel(target, 9, 4), kTargetBk);
    EXPECT_EQ(Pixel(target, 10, 4), QColor(Qt::green));
    EXPECT_EQ(Pixel(target, 11, 4), QColor(Qt::green));
    EXPECT_EQ(Pixel(target, 12, 4), kTargetBk);
}

TEST(CDCTest, TextOutPlacesTheReferencePointByAlignmentAndOrigins)
{
    struct Case
    {
        quint32 nAlign;
        int nBkMode;
    };
    const Case cases[] = {{TA_LEFT | TA_TOP, OPAQUE},
                          {TA_CENTER | TA_BOTTOM, OPAQUE},
                          {TA_RIGHT | TA_BASELINE, OPAQUE},
                          {TA_CENTER | TA_BOTTOM, TRANSPARENT}};
    const QString text = QStringLiteral("Wg8");
    for (const Case& c : cases) {
        QImage image = Canvas(QSize(120, 80));
        QPainter painter(&image);
        const QColor clrCell(0, 0, 255);
        CDC dc(painter, clrCell);
        dc.SelectFont(QFont(QStringLiteral("Sans Serif"), 10));
        dc.SetTextAlign(c.nAlign);
        dc.SetBkMode(c.nBkMode);
        dc.SetTextColor(Qt::red);
        dc.SetWindowOrg(QPoint(5, 5));
        dc.SetViewportOrg(QPoint(65, 45));
        dc.TextOut(0, 0, text); // lands at (60, 40)
        painter.end();

        const QFontMetrics fm(QFont(QStringLiteral("Sans Serif"), 10));
        const QSize extent(fm.horizontalAdvance(text), fm.height());
        QPoint ptCell(60, 40);
        if (c.nAlign & TA_RIGHT)
            ptCell.rx() -=
                (c.nAlign & TA_CENTER) == TA_CENTER ? extent.width() / 2 : extent.width();
        if ((c.nAlign & TA_BASELINE) == TA_BASELINE)
            ptCell.ry() -= fm.ascent();
        else if (c.nAlign & TA_BOTTOM)
            ptCell.ry() -= extent.height();
        const QRect rcCell(ptCell, extent);

        const QRect rcText = ColouredBox(image, Qt::red);
        ASSERT_FALSE(rcText.isEmpty()) << c.nAlign;
        EXPECT_TRUE(rcCell.contains(rcText)) << c.nAlign;
        if (c.nBkMode == OPAQUE)
            EXPECT_EQ(ColouredBox(image, clrCell) | rcText, rcCell) << c.nAlign;
        else
            EXPECT_TRUE(ColouredBox(image, clrCell).isEmpty());
    }
}
