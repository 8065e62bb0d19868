#pragma once

#include <QPointer>
#include <QWidget>

// An up-down control: two arrow buttons stacked in its rectangle. Each press of a button, or of
// the Up / Down arrow key on its buddy when arrow keys are on, reports one step with its
// direction through DeltaPos; holding a key or button repeats nothing. It keeps a range but no
// position and shows no number.
class CSpinButtonCtrl : public QWidget
{
    Q_OBJECT

public:
    explicit CSpinButtonCtrl(QWidget* pParent = nullptr);

    void SetRange(short nLower, short nUpper);
    void GetRange(int& nLower, int& nUpper) const;
    // The window whose Up / Down keys step the control when arrow keys are on.
    void SetBuddy(QWidget* pBuddy);
    QWidget* GetBuddy() const { return m_pBuddy; }
    void SetArrowKeys(bool bArrowKeys) { m_bArrowKeys = bArrowKeys; }
    // What a screen reader calls the up and the down arrow.
    void SetAccessibleArrowNames(const QString& strUp, const QString& strDown);
    // The name of the up arrow for +1, of the down arrow for -1.
    QString AccessibleArrowName(int nDelta) const
    {
        return nDelta > 0 ? m_strUpName : m_strDownName;
    }
    // One press of an arrow, +1 up or -1 down, from the mouse, the keyboard or a screen reader;
    // a disabled control takes none.
    void Step(int nDelta);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The upper and lower halves of a control of the given size: the up and down buttons.
    static QRect UpRect(QSize size);
    static QRect DownRect(QSize size);
    // +1 for a point on the up button, -1 for one on the down button, 0 elsewhere.
    static int DeltaAt(QSize size, QPoint pt);

signals:
    // One press: +1 for up, -1 for down.
    void DeltaPos(int nDelta);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // The step of an arrow key, 0 for any other key.
    static int KeyDelta(int nKey);

    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPressed = 0; // the button held down: +1, -1 or 0
    bool m_bArrowKeys = false;
    QPointer<QWidget> m_pBuddy;
    QString m_strUpName;
    QString m_strDownName;
};
