#include "platform/terminationsignals.h"
#include "window/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    quitOnTerminationSignals(application);
    MainWindow window;
    window.show();
    return terminationRequested() ? 0 : application.exec();
}
