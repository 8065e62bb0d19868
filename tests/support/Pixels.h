#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

inline QColor Pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y).toRgb();
}

// The extent of the pixels in one colour.
inline QRect ColouredBox(const QImage& image, const QColor& clr)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Pixel(image, x, y) == clr)
                box |= QRect(x, y, 1, 1);
    return box;
}
