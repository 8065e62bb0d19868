// Paint time of each display widget at the size the panel gives it, beside the stock Qt widget
// that would show the same reading, both rendered the same way into an off-screen image.
// Ends with a table of CPU microseconds per paint and the ratio ours / stock; CPU time, because
// on a shared machine the wall clock also counts other processes.

#include "Led.h"
#include "ProgressCtrlX.h"
#include "StaticCounter.h"

#include <QApplication>
#include <QImage>
#include <QLCDNumber>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using WidgetFactory = std::function<std::unique_ptr<QWidget>()>;

struct PaintCase
{
    const char* pszName;
    WidgetFactory ours;
    WidgetFactory stock;
};

std::unique_ptr<QWidget> MakeBar(QSize size, short nUpper, quint32 dwStyle, const char* pszFormat,
                                 const QColor& clrBar, int nPos)
{
    auto pBar = std::make_unique<CProgressCtrlX>();
    pBar->resize(size);
    pBar->SetRange(0, nUpper);
    pBar->ModifyStyle(0, dwStyle);
    pBar->SetLabelFormat(QString::fromLatin1(pszFormat), PBS_LABELVALUE);
    if (clrBar.isValid())
        pBar->SetBarColors(clrBar, clrBar);
    pBar->SetPos(nPos);
    return pBar;
}

std::unique_ptr<QWidget> MakeStockBar(QSize size, int nUpper, Qt::Orientation orientation,
                                      const char* pszFormat, int nPos)
{
    auto pBar = std::make_unique<QProgressBar>();
    pBar->resize(size);
    pBar->setOrientation(orientation);
    pBar->setRange(0, nUpper);
    pBar->setFormat(QString::fromLatin1(pszFormat));
    pBar->setTextVisible(true);
    pBar->setValue(nPos);
    return pBar;
}

const std::vector<PaintCase>& Cases()
{
    static const std::vector<PaintCase> cases = {
        {"temperature bar 30x141",
         [] {
             return MakeBar({30, 141}, 100,
                            PBS_VERTICAL | PBS_LABELONBAR | PBS_LABELLEFT | PBS_LABELRIGHT |
                                PBS_LABELTOP,
                            "%d C", QColor(255, 0, 0), 45);
         },
         [] {
             return MakeStockBar({30, 141}, 100, Qt::Vertical, "%v C", 45);
         }},
        {"P.A. voltage bar 203x16",
         [] {
             return MakeBar({203, 16}, 50,
                            PBS_LABELONBAR | PBS_LABELLEFT | PBS_LABELRIGHT | PBS_LABELBOTTOM,
                            "%d V", QColor(), 28);
         },
         [] {
             return MakeStockBar({203, 16}, 50, Qt::Horizontal, "%v V", 28);
         }},
        {"counter 125x36",
         [] {
             auto pCounter = std::make_unique<CStaticCounter>();
             pCounter->resize(125, 36);
             pCounter->ShowBar(false);
             pCounter->SetColors(QColor(0, 0, 0), QColor(236, 233, 216), QColor(0, 0, 0));
             pCounter->SetUnlitColor(QColor(215, 215, 215));
             pCounter->Display(98.5f, true, QStringLiteral("%.2f"));
             return std::unique_ptr<QWidget>(std::move(pCounter));
         },
         [] {
             auto pLcd = std::make_unique<QLCDNumber>(5);
             pLcd->resize(125, 36);
             pLcd->display(QStringLiteral("98.50"));
             return std::unique_ptr<QWidget>(std::move(pLcd));
         }},
        {"lamp 30x33",
         [] {
             auto pLed = std::make_unique<CLed>();
             pLed->resize(30, 33);
             pLed->SetState(CLed::Red, CLed::On, CLed::Square);
             return std::unique_ptr<QWidget>(std::move(pLed));
         },
         [] {
             // The stock way to show the same 16 x 16 picture: a label holding it as a pixmap.
             auto pLabel = std::make_unique<QLabel>();
             pLabel->resize(30, 33);
             pLabel->setAlignment(Qt::AlignCenter);
             pLabel->setPixmap(QPixmap::fromImage(
                 CLed::Strip().copy(LedStripCell(CLed::Red, CLed::On, CLed::Square))));
             return std::unique_ptr<QWidget>(std::move(pLabel));
         }},
    };
    return cases;
}

void BM_Paint(benchmark::State& state, const WidgetFactory& make)
{
    const std::unique_ptr<QWidget> pWidget = make();
    QImage target(pWidget->size(), QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::white);
    for (auto _ : state) {
        pWidget->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}

// Prints the usual console lines and keeps each benchmark's time per paint (the median, when
// repetitions give one) for the closing table.
class CSummaryReporter : public benchmark::ConsoleReporter
{
public:
    CSummaryReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_None) {}

    void ReportRuns(const std::vector<Run>& reports) override
    {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports)
            if (!run.error_occurred &&
                (run.run_type == Run::RT_Iteration || run.aggregate_name == "median"))
                m_times[run.run_name.str()] = run.GetAdjustedCPUTime();
    }

    void PrintSummary() const
    {
        std::printf("\n%-26s %12s %12s %12s\n", "CPU per paint", "ours (us)", "stock (us)",
                    "ours/stock");
        for (const PaintCase& c : Cases()) {
            const auto ours = m_times.find(Name(c, "ours"));
            const auto stock = m_times.find(Name(c, "stock"));
            if (ours == m_times.end() || stock == m_times.end())
                continue;
            std::printf("%-26s %12.2f %12.2f %12.2f\n", c.pszName, ours->second, stock->second,
                        ours->second / stock->second);
        }
    }

    static std::string Name(const PaintCase& c, const char* pszWhose)
    {
        return std::string("Paint/") + c.pszName + "/" + pszWhose;
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (const PaintCase& c : Cases()) {
        benchmark::RegisterBenchmark(CSummaryReporter::Name(c, "ours").c_str(), BM_Paint, c.ours)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(CSummaryReporter::Name(c, "stock").c_str(), BM_Paint, c.stock)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
