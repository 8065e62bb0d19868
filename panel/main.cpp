#include "ControlDlg.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    CControlDlg dlg;
    dlg.exec();
    return 0;
}
