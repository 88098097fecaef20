#include "platform/desktop.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

QtMessageHandler previousHandler = nullptr;

void exitOnFatal(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        previousHandler(type, context, message);
        return;
    }
    reportNoDisplay(false);
    std::_Exit(1);
}

} // namespace

void prepareHighDpiScaling()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#if QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
}

void leaveOpenGlUnloaded()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

bool windowSystemNamed(int argc, char **argv)
{
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char *value = std::getenv(variable); value && *value)
            return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    return false;
}

void reportNoDisplay(bool unnamed)
{
    std::fputs(unnamed ? "telefon-defteri: pencereyi açacak ekran yok, DISPLAY ya da "
                         "WAYLAND_DISPLAY tanımlı değil / no display to open the window on, "
                         "DISPLAY or WAYLAND_DISPLAY is not set\n"
                       : "telefon-defteri: pencereyi açacak ekrana bağlanılamadı / cannot "
                         "reach the display to open the window on\n",
               stderr);
}

NoDisplayGuard::NoDisplayGuard()
{
    previousHandler = qInstallMessageHandler(exitOnFatal);
}

NoDisplayGuard::~NoDisplayGuard()
{
    qInstallMessageHandler(previousHandler);
}

void installQtTurkishTranslations(QCoreApplication &application)
{
    auto *translator = new QTranslator(&application);
    if (translator->load(QLocale(QLocale::Turkish, QLocale::Turkey), QStringLiteral("qtbase"),
                         QStringLiteral("_"),
                         QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
