#include "platform/desktop.h"
#include "platform/terminationsignals.h"
#include "server/serveraddress.h"
#include "store/phonebookdb.h"
#include "window/mainwindow.h"

#include <QApplication>

#include <cstdio>
#include <memory>

namespace
{

const char usage[] =
    "Kullanım: telefon-defteri [--sunucu URI]\n"
    "\n"
    "Bulunduğunuz klasördeki database.db telefon defterini açar. --sunucu ile bir\n"
    "PostgreSQL sunucusundaki ortak defteri açar (postgresql://ofis-sunucu/telefon);\n"
    "verilmezse TELEFON_DEFTERI_SUNUCU ortam değişkeni, sonra ~/.config/telefon-defteri/\n"
    "telefon-defteri.conf dosyasındaki sunucu anahtarı kullanılır. Parola adrese\n"
    "yazılmaz: ~/.pgpass ya da PGPASSWORD, yoksa pencere bir kez sorar.\n";

} // namespace

int main(int argc, char *argv[])
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    if (arguments.contains("--help") || arguments.contains("-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    QString server;
    if (!takeServerOption(arguments, server)) {
        std::fputs(usage, stderr);
        return 2;
    }
    usePhoneBookServer(chosenServerUri(server));
    if (!windowSystemNamed(argc, argv)) {
        reportNoDisplay(true);
        return 1;
    }
    prepareHighDpiScaling();
    leaveOpenGlUnloaded();
    auto guard = std::make_unique<NoDisplayGuard>();
    QApplication application(argc, argv);
    guard.reset();
    installQtTurkishTranslations(application);
    quitOnTerminationSignals(application);
    MainWindow window;
    window.show();
    return terminationRequested() ? 0 : application.exec();
}
