// widgets-gallery: renders every display widget in telling states into PNG files, one per
// widget family and one combined picture, without a display.
//
//   widgets-gallery [output-directory]     (default: the current directory)
//   QT_SCALE_FACTOR=2 widgets-gallery ...  pictures for a high-density screen

#include "3DBar.h"
#include "Led.h"
#include "ProgressCtrlX.h"
#include "StaticCounter.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>
#include <vector>

namespace {

// Paints a C3DBar across its width, less the two shadow columns the bar draws beyond its end.
class C3DBarView : public QWidget
{
public:
    C3DBarView(const QColor& crBase, QWidget* pParent) : QWidget(pParent)
    {
        m_bar.SetColor(crBase);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_bar.Draw(&painter, QRect(0, 0, width() - 2, height()));
    }

private:
    C3DBar m_bar;
};

// Diagonal stripes, to show what a transparent widget lets through.
class CStripes : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(40, 60, 90));
        painter.setPen(QPen(QColor(230, 200, 60), 2));
        for (int x = -height(); x < width(); x += 6)
            painter.drawLine(x, height(), x + height(), 0);
    }
};

// A place on a sheet's grid: row, column and the number of columns it spans.
struct Cell
{
    int nRow;
    int nColumn;
    int nColumns = 1;
};

// A titled page of specimens on a grid, each in a thin frame that shows its extent, above its
// caption.
class CSheet : public QWidget
{
public:
    explicit CSheet(const QString& strTitle, QWidget* pParent) : QWidget(pParent)
    {
        setAutoFillBackground(true);
        auto* pLayout = new QVBoxLayout(this);
        auto* pTitle = new QLabel(strTitle, this);
        QFont font = pTitle->font();
        font.setBold(true);
        pTitle->setFont(font);
        pLayout->addWidget(pTitle);
        auto* pRow = new QHBoxLayout;
        pRow->addLayout(m_pGrid);
        pRow->addStretch();
        pLayout->addLayout(pRow);
        m_pGrid->setHorizontalSpacing(14);
        m_pGrid->setVerticalSpacing(6);
    }

    // Places a new widget of the given fixed size in a cell of the grid, captioned unless the
    // caption is empty.
    template <typename Widget, typename... Args>
    Widget* Add(Cell cell, QSize size, const QString& strCaption, Args&&... args)
    {
        auto* pCell = new QWidget(this);
        auto* pLayout = new QVBoxLayout(pCell);
        pLayout->setContentsMargins(0, 0, 0, 0);
        pLayout->setSpacing(2);
        auto* pFrame = new QFrame(pCell);
        pFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
        pFrame->setFixedSize(size + QSize(2, 2));
        QPalette palette = pFrame->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Mid));
        pFrame->setPalette(palette);
        auto* pWidget = new Widget(std::forward<Args>(args)..., pFrame);
        pWidget->setGeometry(QRect(QPoint(1, 1), size));
        pLayout->addWidget(pFrame, 0, Qt::AlignHCenter | Qt::AlignBottom);
        if (!strCaption.isEmpty())
            pLayout->addWidget(Caption(strCaption, pCell), 0, Qt::AlignHCenter);
        m_pGrid->addWidget(pCell, cell.nRow, cell.nColumn, 1, cell.nColumns,
                           Qt::AlignBottom | Qt::AlignHCenter);
        return pWidget;
    }

    void AddHeading(int nRow, int nColumn, const QString& strText)
    {
        m_pGrid->addWidget(Caption(strText, this), nRow, nColumn, Qt::AlignCenter);
    }

private:
    static QLabel* Caption(const QString& strText, QWidget* pParent)
    {
        auto* pCaption = new QLabel(strText, pParent);
        QFont font = pCaption->font();
        font.setPointSizeF(font.pointSizeF() * 0.85);
        pCaption->setFont(font);
        return pCaption;
    }

    QGridLayout* m_pGrid = new QGridLayout;
};

const char* const kColorNames[] = {"red", "green", "yellow", "blue"};
const char* const kModeNames[] = {"on", "off", "disabled"};

CSheet* LedSheet(QWidget* pParent)
{
    auto* pSheet = new CSheet(QStringLiteral("CLed: every colour, mode and shape at 30 x 33, as on "
                                             "the panel"),
                              pParent);
    for (int nShape = 0; nShape < 2; ++nShape)
        for (int nMode = 0; nMode < 3; ++nMode)
            pSheet->AddHeading(
                0, 1 + nShape * 3 + nMode,
                QStringLiteral("%1 %2").arg(nShape ? "square" : "circle", kModeNames[nMode]));
    for (int nColor = 0; nColor < 4; ++nColor) {
        pSheet->AddHeading(1 + nColor, 0, QString::fromLatin1(kColorNames[nColor]));
        for (int nShape = 0; nShape < 2; ++nShape)
            for (int nMode = 0; nMode < 3; ++nMode)
                pSheet->Add<CLed>({1 + nColor, 1 + nShape * 3 + nMode}, QSize(30, 33), QString())
                    ->SetState(nColor * CLed::Green, nMode, nShape * CLed::Square);
    }
    const int nRow = 5;
    pSheet->Add<CLed>({nRow, 1}, QSize(17, 16), QStringLiteral("17 x 16"))
        ->SetState(CLed::Red, CLed::On, CLed::Square);
    pSheet->Add<CLed>({nRow, 2}, QSize(16, 10), QStringLiteral("16 x 10, cut"))
        ->SetState(CLed::Green, CLed::On, CLed::Circle);
    int nColumn = 3;
    for (int nShape : {CLed::Circle, CLed::Square})
        for (int nMode : {CLed::On, CLed::Off}) {
            auto* pStripes = pSheet->Add<CStripes>({nRow, nColumn++}, QSize(30, 33),
                                                   QStringLiteral("on stripes"));
            auto* pLed = new CLed(pStripes);
            pLed->setGeometry(pStripes->rect());
            pLed->SetState(CLed::Yellow, nMode, nShape);
        }
    return pSheet;
}

// A bar set up in the panel's order: range, style bits, label, colours, position.
struct BarSetup
{
    const char* pszCaption;
    QSize size;
    short nLower, nUpper;
    quint32 dwStyle;
    const char* pszFormat;   // null: no label format set
    QColor clrStart, clrEnd; // invalid: the widget's default colours
    int nPos;
};

void SetUp(CProgressCtrlX* pBar, const BarSetup& s)
{
    pBar->SetRange(s.nLower, s.nUpper);
    pBar->ModifyStyle(0, s.dwStyle);
    if (s.pszFormat)
        pBar->SetLabelFormat(QString::fromLatin1(s.pszFormat), PBS_LABELVALUE);
    if (s.clrStart.isValid())
        pBar->SetBarColors(s.clrStart, s.clrEnd);
    pBar->SetPos(s.nPos);
}

CSheet* BarSheet(QWidget* pParent)
{
    const quint32 dwTemperature =
        PBS_VERTICAL | PBS_LABELONBAR | PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELTOP;
    const quint32 dwVoltage = PBS_LABELONBAR | PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELBOTTOM;
    const quint32 dwDeviation =
        PBS_VERTICAL | PBS_SMOOTH | PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELTOP;
    const QColor red(255, 0, 0), green(0, 255, 0), none;
    const BarSetup columns[] = {
        {"temp. 0", {30, 141}, 0, 100, dwTemperature, "%d C", red, red, 0},
        {"45", {30, 141}, 0, 100, dwTemperature, "%d C", red, red, 45},
        {"100", {30, 141}, 0, 100, dwTemperature, "%d C", red, red, 100},
        {"gain red. 12",
         {38, 111},
         0,
         24,
         PBS_VERTICAL | PBS_SMOOTH | PBS_FLIPPED,
         nullptr,
         none,
         none,
         12},
        {"deviation 80", {38, 80}, 0, 75, dwDeviation, nullptr, green, green, 80},
        {"75..100 at 80", {38, 33}, 75, 100, dwDeviation, nullptr, red, red, 80},
        {"gradient 70", {38, 111}, 0, 100, PBS_VERTICAL, nullptr, green, red, 70},
        {"flipped, stretched",
         {38, 111},
         0,
         100,
         PBS_VERTICAL | PBS_FLIPPED | PBS_STRETCHGRADIENT,
         nullptr,
         green,
         red,
         70},
    };
    const BarSetup rows[] = {
        {"P.A. voltage 28 of 0..50", {203, 16}, 0, 50, dwVoltage, "%d V", none, none, 28},
        {"P.A. voltage 1: the label does not fit",
         {203, 16},
         0,
         50,
         dwVoltage,
         "%d V",
         none,
         none,
         1},
        {"percentage, gradient, 40 of 0..100",
         {203, 16},
         0,
         100,
         PBS_LABELPERCENT,
         nullptr,
         green,
         red,
         40},
        {"flipped, value label over both parts",
         {203, 16},
         0,
         50,
         PBS_FLIPPED,
         "%d V",
         green,
         red,
         28},
    };
    auto* pSheet =
        new CSheet(QStringLiteral("CProgressCtrlX: the panel's bars and the gradient"), pParent);
    int nColumn = 0;
    for (const BarSetup& s : columns)
        SetUp(
            pSheet->Add<CProgressCtrlX>({0, nColumn++}, s.size, QString::fromLatin1(s.pszCaption)),
            s);
    int nIndex = 0;
    for (const BarSetup& s : rows) {
        const Cell cell{1 + nIndex / 2, nIndex % 2 * 4, 4};
        SetUp(pSheet->Add<CProgressCtrlX>(cell, s.size, QString::fromLatin1(s.pszCaption)), s);
        ++nIndex;
    }
    return pSheet;
}

CSheet* ThreeDBarSheet(QWidget* pParent)
{
    auto* pSheet =
        new CSheet(QStringLiteral("C3DBar: base colours and widths (10 px high)"), pParent);
    const struct
    {
        const char* pszCaption;
        QColor crBase;
    } colours[] = {
        {"default (0, 100, 0)", QColor(0, 100, 0)},
        {"black", QColor(0, 0, 0)},
        {"(236, 233, 216)", QColor(236, 233, 216)},
        {"red", QColor(200, 0, 0)},
        {"blue", QColor(0, 60, 200)},
    };
    const int widths[] = {150, 40, 1};
    int nRow = 0;
    for (const auto& c : colours) {
        for (int nColumn = 0; nColumn < 3; ++nColumn)
            pSheet->Add<C3DBarView>({nRow, nColumn}, QSize(widths[nColumn] + 2, 10),
                                    nColumn == 0 ? QString::fromLatin1(c.pszCaption)
                                                 : QString::number(widths[nColumn]),
                                    c.crBase);
        ++nRow;
    }
    return pSheet;
}

// Drags the counter's value with the left button, nPixels to the right.
void DragValue(CStaticCounter* pCounter, int nPixels)
{
    const QPointF from(4, 4), to(4 + nPixels, 4);
    QMouseEvent press(QEvent::MouseButtonPress, from, pCounter->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, to, pCounter->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, to, pCounter->mapToGlobal(to), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(pCounter, &press);
    QApplication::sendEvent(pCounter, &move);
    QApplication::sendEvent(pCounter, &release);
}

CSheet* CounterSheet(QWidget* pParent)
{
    auto* pSheet = new CSheet(QStringLiteral("CStaticCounter: 125 x 36; panel colours, then the "
                                             "widget's own, with the value bar"),
                              pParent);
    const float values[] = {98.5f, 0.0f, -1.0f};
    const char* const texts[] = {"12:34", "8E+"};
    for (int nBar = 0; nBar < 2; ++nBar) {
        int nColumn = 0;
        const auto make = [&](const QString& strCaption) {
            auto* pCounter =
                pSheet->Add<CStaticCounter>({nBar, nColumn++}, QSize(125, 36), strCaption);
            pCounter->ShowBar(nBar == 1);
            if (nBar == 0) {
                pCounter->SetColors(QColor(0, 0, 0), QColor(236, 233, 216), QColor(0, 0, 0));
                pCounter->SetUnlitColor(QColor(215, 215, 215));
            }
            return pCounter;
        };
        for (float value : values)
            make(QString::asprintf("%.2f", double(value)))
                ->Display(value, true, QStringLiteral("%.2f"));
        for (const char* pszText : texts)
            make(QString::fromLatin1(pszText))->SetText(QString::fromLatin1(pszText));
        if (nBar == 1)
            DragValue(make(QStringLiteral("dragged to 60")), 60);
    }
    return pSheet;
}

bool Save(const QImage& image, const QDir& dir, const QString& strName)
{
    const QString strPath = dir.filePath(strName);
    if (!image.save(strPath)) {
        std::fprintf(stderr, "widgets-gallery: cannot write %s\n", qPrintable(strPath));
        return false;
    }
    std::printf("%s\n", qPrintable(strPath));
    return true;
}

QImage Render(QWidget* pWidget, qreal dpr)
{
    QImage image(pWidget->size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::white);
    pWidget->render(&image);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "widgets-gallery: cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }

    QWidget gallery;
    gallery.setAutoFillBackground(true);
    auto* pLayout = new QVBoxLayout(&gallery);
    const std::vector<std::pair<CSheet*, const char*>> sheets = {
        {LedSheet(&gallery), "led.png"},
        {BarSheet(&gallery), "progressctrlx.png"},
        {ThreeDBarSheet(&gallery), "3dbar.png"},
        {CounterSheet(&gallery), "staticcounter.png"},
    };
    for (const auto& sheet : sheets)
        pLayout->addWidget(sheet.first);
    gallery.adjustSize();

    bool bOk = true;
    for (const auto& sheet : sheets)
        bOk &= Save(Render(sheet.first, sheet.first->devicePixelRatioF()), dir,
                    QString::fromLatin1(sheet.second));
    bOk &= Save(Render(&gallery, gallery.devicePixelRatioF()), dir, QStringLiteral("widgets.png"));
    return bOk ? 0 : 1;
}
