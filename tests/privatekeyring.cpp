#include "privatekeyring.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace
{

const QString service = QStringLiteral("Telefon Defteri");

} // namespace

PrivateKeyring &PrivateKeyring::instance()
{
    static PrivateKeyring keyring;
    return keyring;
}

PrivateKeyring::PrivateKeyring()
    : dir(QDir::tempPath() + QStringLiteral("/td-keyring-XXXXXX")),
      environment(QProcessEnvironment::systemEnvironment())
{
    dir.setAutoRemove(false);
    if (!dir.isValid() || !QDir(dir.path()).mkpath(QStringLiteral("run")) ||
        !QDir(dir.path()).mkpath(QStringLiteral("data")))
        qFatal("no temporary directory for the keyring");
    QFile::setPermissions(dir.path() + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString bus = QStringLiteral("unix:path=%1/bus").arg(dir.path());
    // A bus that starts no service itself: the desktop's service files would start a
    // second, locked keyring daemon for a client that asks before ours is on the bus.
    QFile config(dir.path() + QStringLiteral("/bus.conf"));
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                                    "Configuration 1.0//EN\" \"http://www.freedesktop.org/"
                                    "standards/dbus/1.0/busconfig.dtd\"><busconfig><type>session"
                                    "</type><listen>%1</listen><policy context=\"default\">"
                                    "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow "
                                    "eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                                    "</busconfig>")
                         .arg(bus)
                         .toUtf8()) < 0)
        qFatal("cannot write the private bus's configuration");
    config.close();
    // The bus ends with this process, and the keyring's daemon with the bus.
    const QString watchdog =
        QStringLiteral("dbus-daemon --config-file='%1' --nofork --nopidfile & bus=$!; "
                       "while kill -0 %2 2>/dev/null; do sleep 1; done; kill $bus; sleep 1; "
                       "rm -rf '%3'")
            .arg(config.fileName())
            .arg(QCoreApplication::applicationPid())
            .arg(dir.path());
    QProcess::startDetached(QStringLiteral("setsid"),
                            {QStringLiteral("sh"), QStringLiteral("-c"), watchdog});
    if (!QTest::qWaitFor([this] { return QFile::exists(dir.path() + QStringLiteral("/bus")); },
                         30000))
        qFatal("the private D-Bus session bus did not start");
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.path() + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path() + QStringLiteral("/run"));
    environment.remove(QStringLiteral("DISPLAY"));
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.toUtf8());
    QProcess daemon;
    daemon.setProcessEnvironment(environment);
    daemon.start(QStringLiteral("gnome-keyring-daemon"),
                 {QStringLiteral("--unlock"), QStringLiteral("--components=secrets"),
                  QStringLiteral("--daemonize")});
    daemon.write("deneme");
    daemon.closeWriteChannel();
    if (!daemon.waitForFinished(30000) || daemon.exitCode() != 0)
        qFatal("gnome-keyring-daemon did not start: %s", daemon.readAllStandardError().constData());
    // Ready once it takes a secret.
    if (!QTest::qWaitFor(
            [this] {
                int status = -1;
                secretTool({QStringLiteral("store"), QStringLiteral("--label=deneme"),
                            QStringLiteral("deneme"), QStringLiteral("deneme")},
                           "deneme", &status);
                return status == 0;
            },
            30000))
        qFatal("the private keyring takes no secret");
    secretTool({QStringLiteral("clear"), QStringLiteral("deneme"), QStringLiteral("deneme")});
}

QString PrivateKeyring::secretTool(const QStringList &arguments, const QByteArray &input,
                                   int *status) const
{
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("secret-tool"), arguments);
    if (!input.isNull())
        tool.write(input);
    tool.closeWriteChannel();
    const bool finished = tool.waitForFinished(30000);
    if (status)
        *status = finished && tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QString PrivateKeyring::lookup(const QString &book) const
{
    return secretTool({QStringLiteral("lookup"), QStringLiteral("server"), service,
                       QStringLiteral("user"), book});
}

void PrivateKeyring::store(const QString &book, const QString &password) const
{
    int status = -1;
    secretTool({QStringLiteral("store"), QStringLiteral("--label=") + book,
                QStringLiteral("server"), service, QStringLiteral("user"), book,
                QStringLiteral("type"), QStringLiteral("plaintext")},
               password.toUtf8(), &status);
    if (status != 0)
        qFatal("secret-tool could not store a password");
}

bool PrivateKeyring::anyFileHolds(const QStringList &folders, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    for (const QString &folder : folders) {
        QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (file.open(QIODevice::ReadOnly) && file.readAll().contains(bytes))
                return true;
        }
    }
    return false;
}
