#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

// Top-left corner of the 16 x 16 lamp cell in a client area of the given size: centred when
// both sides hold a whole cell, else at the origin so the widget clips it.
QPoint LedCellOrigin(QSize client);

// The strip rectangle of the cell for a (colour, mode, shape) triple.
QRect LedStripCell(int nColor, int nMode, int nShape);

// A small indicator lamp: one 16 x 16 cell of the lamp strip, drawn transparently in the middle
// of the widget over whatever its parent shows there.
class CLed : public QWidget
{
    Q_OBJECT

public:
    enum LedColor
    {
        Red = 0,
        Green = 16,
        Yellow = 32,
        Blue = 48
    };
    enum LedMode
    {
        On = 0,
        Off = 1,
        Disabled = 2
    };
    enum LedShape
    {
        Circle = 0,
        Square = 64
    };

    // Id of the flash timer as OnTimer knows it.
    static constexpr int kFlashTimer = 1;

    explicit CLed(QWidget* pParent = nullptr);

    // Stores the triple and, when it differs from the stored one, repaints at once: the new
    // picture is on screen when this returns. An unchanged triple paints nothing.
    void SetState(int nColor, int nMode, int nShape);
    // Lights the lamp for nDurationMs, then turns it dark; a second call restarts the period.
    void Flash(unsigned int nDurationMs);
    // Timer handler: the flash timer ends the flash; any other id changes nothing.
    void OnTimer(int nIDEvent);

    int Color() const { return m_nColor; }
    int Mode() const { return m_nMode; }
    int Shape() const { return m_nShape; }
    bool IsFlashing() const { return m_bFlashing; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The lamp strip, bitmap 132: 48 x 128 pixels, 3 columns (mode) by 8 rows (colour + shape)
    // of 16 x 16 cells, magenta (255, 0, 255) where the lamp is transparent.
    static const QImage& Strip();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;

private:
    int m_nColor = Red;
    int m_nMode = Off;
    int m_nShape = Circle;
    bool m_bFlashing = false;
    QBasicTimer m_timerFlash;
};
