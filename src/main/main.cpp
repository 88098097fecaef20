#include "platform/desktop.h"
#include "platform/terminationsignals.h"
#include "window/mainwindow.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    if (!windowSystemNamed(argc, argv)) {
        reportNoDisplay(true);
        return 1;
    }
    prepareHighDpiScaling();
    auto guard = std::make_unique<NoDisplayGuard>();
    QApplication application(argc, argv);
    guard.reset();
    installQtTurkishTranslations(application);
    quitOnTerminationSignals(application);
    MainWindow window;
    window.show();
    return terminationRequested() ? 0 : application.exec();
}
