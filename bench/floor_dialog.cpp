#include <QApplication>
#include <QDialog>

// The cheapest program that does what the panel does at rest: an empty dialog of the panel's
// connected size with a 100 ms timer. scripts/bench-panel measures the panel against it.
class CFloorDlg : public QDialog
{
public:
    CFloorDlg()
    {
        setWindowTitle(QStringLiteral("Corvex Floor"));
        setFixedSize(645, 330);
        startTimer(100);
    }

protected:
    void timerEvent(QTimerEvent*) override {}
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CFloorDlg dlg;
    dlg.exec();
    return 0;
}
