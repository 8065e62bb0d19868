#include "ControlApp.h"

#include <QApplication>

namespace {

CControlApp theApp;

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    theApp.InitInstance();
    return 0;
}
