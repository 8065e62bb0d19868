#include "Led.h"

#include "AccessibleFactory.h"
#include "LedAccessible.h"

#include <QAccessible>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>
#include <limits>

namespace {

constexpr int kCell = 16;
constexpr int kModes = 3;
constexpr int kColors = 4;
constexpr int kShapes = 2;
constexpr QRgb kKey = 0xFFFF00FF;

// Lamp templates, top row first: '.' key, 'h' white, 'l' light grey, 'd' dark grey, 'x' body.
constexpr const char* kCircle[kCell] = {
    "................", "................", "......ddd.......", "....ddllldd.....",
    "...dllxxxllh....", "...dlxxxxxlh....", "..dlxxhhxxxlh...", "..dlxhxxxxxlh...",
    "..dlxxxxxxxlh...", "...dlxxxxxlh....", "...dllxxxllh....", "....hhlllhh.....",
    "......hhh.......", "................", "................", "................",
};
constexpr const char* kSquare[kCell] = {
    "................", "................", "..hhhhhhhhhhh...", "..hllllllllld...",
    "..hlxxxxxxxld...", "..hlxxxxxxxld...", "..hlxxxxxxxld...", "..hlxxxxxxxld...",
    "..hlxxxxxxxld...", "..hlxxxxxxxld...", "..hlxxxxxxxld...", "..hllllllllld...",
    "..ddddddddddd...", "................", "................", "................",
};

// Body colour per colour band (rows) and mode (columns: lit, dark, grey).
constexpr QRgb kBody[kColors][kModes] = {
    {0xFFFF0000, 0xFF800000, 0xFF808080},
    {0xFF00FF00, 0xFF008000, 0xFF808080},
    {0xFFFFFF00, 0xFF808000, 0xFF808080},
    {0xFF0000FF, 0xFF000080, 0xFF808080},
};

QRgb TemplateColor(char cPixel, QRgb body)
{
    switch (cPixel) {
    case 'h':
        return 0xFFFFFFFF;
    case 'l':
        return 0xFFC0C0C0;
    case 'd':
        return 0xFF808080;
    case 'x':
        return body;
    default:
        return kKey;
    }
}

QImage BuildStrip()
{
    QImage strip(kModes * kCell, kShapes * kColors * kCell, QImage::Format_RGB32);
    const char* const* templates[kShapes] = {kCircle, kSquare};
    for (int shape = 0; shape < kShapes; ++shape)
        for (int color = 0; color < kColors; ++color)
            for (int mode = 0; mode < kModes; ++mode) {
                const QPoint cell =
                    LedStripCell(color * kCell, mode, shape * CLed::Square).topLeft();
                for (int y = 0; y < kCell; ++y)
                    for (int x = 0; x < kCell; ++x)
                        strip.setPixel(cell + QPoint(x, y),
                                       TemplateColor(templates[shape][y][x], kBody[color][mode]));
            }
    return strip;
}

// The strip with the key colour turned fully transparent, ready to draw over the parent.
const QImage& KeyedStrip()
{
    static const QImage keyed = [] {
        QImage image = CLed::Strip().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == kKey)
                    image.setPixel(x, y, 0);
        return image;
    }();
    return keyed;
}

} // namespace

QPoint LedCellOrigin(QSize client)
{
    if (client.width() < kCell || client.height() < kCell)
        return QPoint(0, 0);
    return QPoint((client.width() - kCell) / 2, (client.height() - kCell) / 2);
}

QRect LedStripCell(int nColor, int nMode, int nShape)
{
    return QRect(nMode * kCell, nColor + nShape, kCell, kCell);
}

CLed::CLed(QWidget* pParent) : QWidget(pParent)
{
    // The lamp never paints its own background: key pixels show what the parent painted.
    setAttribute(Qt::WA_NoSystemBackground);
    QAccessible::installFactory(&AccessibleFactory<CLedAccessible, CLed>);
}

void CLed::SetState(int nColor, int nMode, int nShape)
{
    // The same triple is already the picture on screen; repainting it would redraw the parent too.
    if (nColor == m_nColor && nMode == m_nMode && nShape == m_nShape)
        return;
    const int nModeBefore = m_nMode;
    m_nColor = nColor;
    m_nMode = nMode;
    m_nShape = nShape;
    repaint();
    // A screen reader hears of a lamp that went on or off; without one, nothing is built.
    if (nMode != nModeBefore && QAccessible::isActive()) {
        if ((nMode == On) != (nModeBefore == On)) {
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent stateEvent(this, changed);
            QAccessible::updateAccessibility(&stateEvent);
        }
        QAccessibleEvent nameEvent(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameEvent);
    }
}

void CLed::Flash(unsigned int nDurationMs)
{
    m_bFlashing = true;
    SetState(m_nColor, On, m_nShape);
    // Qt timers take an int period; longer durations become the longest one it can hold.
    const unsigned int nLongest = std::numeric_limits<int>::max();
    m_timerFlash.start(static_cast<int>(std::min(nDurationMs, nLongest)), this);
}

void CLed::OnTimer(int nIDEvent)
{
    if (nIDEvent != kFlashTimer)
        return;
    SetState(m_nColor, Off, m_nShape);
    m_timerFlash.stop();
    m_bFlashing = false;
}

QSize CLed::sizeHint() const
{
    return QSize(kCell, kCell);
}

QSize CLed::minimumSizeHint() const
{
    return QSize(kCell, kCell);
}

const QImage& CLed::Strip()
{
    static const QImage strip = BuildStrip();
    return strip;
}

void CLed::paintEvent(QPaintEvent*)
{
    const QRect cell = LedStripCell(m_nColor, m_nMode, m_nShape);
    // A selector outside the strip has no picture: the lamp then shows only what lies beneath.
    if (!KeyedStrip().rect().contains(cell))
        return;
    QPainter painter(this);
    painter.drawImage(LedCellOrigin(size()), KeyedStrip(), cell);
}

void CLed::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() == m_timerFlash.timerId())
        OnTimer(kFlashTimer);
    else
        QWidget::timerEvent(pEvent);
}
