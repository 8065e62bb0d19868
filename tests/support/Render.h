#pragma once

#include <QImage>
#include <QWidget>

// Renders a widget at the given size into an image, the way the screen would show it.
inline QImage RenderWidget(QWidget& widget, QSize size, QColor under = Qt::magenta)
{
    widget.resize(size);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(under);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image.convertToFormat(QImage::Format_RGB32);
}
