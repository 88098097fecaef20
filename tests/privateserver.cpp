#include "privateserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <pwd.h>
#include <unistd.h>

namespace
{

// The roles the password tests log in as; every other local login is trusted, a standby's
// streaming too.
const char hbaConfig[] = "local all sifreli scram-sha-256\n"
                         "local all hatirlanan scram-sha-256\n"
                         "local all all trust\n"
                         "local replication all trust\n";

} // namespace

bool testingOnServer()
{
    return qEnvironmentVariableIntValue("TELEFON_TEST_SUNUCU") == 1;
}

PrivateServer &PrivateServer::instance()
{
    static PrivateServer server;
    return server;
}

std::unique_ptr<PrivateServer> PrivateServer::another()
{
    return std::unique_ptr<PrivateServer>(new PrivateServer(nullptr));
}

std::unique_ptr<PrivateServer> PrivateServer::standby() const
{
    return std::unique_ptr<PrivateServer>(new PrivateServer(this));
}

void PrivateServer::promote() const
{
    run(asServerUser({bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"),
                      dir->path() + QStringLiteral("/data"), QStringLiteral("-w"),
                      QStringLiteral("-t"), QStringLiteral("120"), QStringLiteral("promote")}));
}

PrivateServer::PrivateServer(const PrivateServer *primary)
    : dir(std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/td-pg-XXXXXX"))),
      bin(QStringLiteral("/usr/lib/postgresql/15/bin/"))
{
    dir->setAutoRemove(false);
    if (!dir->isValid())
        qFatal("no temporary directory for the server");
    if (getuid() == 0) {
        const passwd *nobody = getpwnam("nobody");
        if (!nobody ||
            chown(QFile::encodeName(dir->path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
            qFatal("cannot hand the server's directory to nobody");
    }
    const QString data = dir->path() + QStringLiteral("/data");
    if (primary) {
        // A copy of the primary that follows it, as its standby.signal and the primary's
        // address in postgresql.auto.conf (-R) say.
        run(asServerUser({bin + QStringLiteral("pg_basebackup"), QStringLiteral("-D"), data,
                          QStringLiteral("-h"), primary->socketDirectory(), QStringLiteral("-U"),
                          QStringLiteral("postgres"), QStringLiteral("-R"), QStringLiteral("-X"),
                          QStringLiteral("stream"), QStringLiteral("--checkpoint=fast"),
                          QStringLiteral("--no-sync")}));
    } else {
        run(asServerUser({bin + QStringLiteral("initdb"), QStringLiteral("-D"), data,
                          QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-A"),
                          QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                          QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")}));
    }
    QFile hba(data + QStringLiteral("/pg_hba.conf"));
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) || hba.write(hbaConfig) < 0)
        qFatal("cannot write pg_hba.conf");
    hba.close();
    // Stops the server and removes its directory once this process is gone, also when a
    // signal or a crash ends it.
    const QString watchdog =
        QStringLiteral("while kill -0 %1 2>/dev/null; do sleep 1; done; "
                       "kill -QUIT $(head -1 '%2/postmaster.pid' 2>/dev/null) 2>/dev/null; "
                       "sleep 2; rm -rf '%3'")
            .arg(QCoreApplication::applicationPid())
            .arg(data, dir->path());
    QProcess::startDetached(QStringLiteral("setsid"),
                            {QStringLiteral("sh"), QStringLiteral("-c"), watchdog});
    start();
}

PrivateServer::~PrivateServer()
{
    // A server the test stopped itself is stopped already.
    QProcess::execute(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         asServerUser({bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"),
                       dir->path() + QStringLiteral("/data"), QStringLiteral("-m"),
                       QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")})
                 .join(QLatin1Char(' ')) +
             QStringLiteral(" >/dev/null 2>&1")});
    dir->remove();
}

QStringList PrivateServer::asServerUser(const QStringList &command) const
{
    if (getuid() != 0)
        return command;
    return QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("nobody"),
                       QStringLiteral("--")} +
           command;
}

void PrivateServer::run(const QStringList &command) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(command.join(QLatin1Char(' '))),
               process.readAll().constData());
}

void PrivateServer::start() const
{
    run(asServerUser({bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"),
                      dir->path() + QStringLiteral("/data"), QStringLiteral("-l"),
                      dir->path() + QStringLiteral("/log"), QStringLiteral("-w"),
                      QStringLiteral("-t"), QStringLiteral("120"), QStringLiteral("-o"),
                      QStringLiteral("-k %1 -c listen_addresses='' -c fsync=off").arg(dir->path()),
                      QStringLiteral("start")}));
}

void PrivateServer::stop()
{
    run(asServerUser({bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"),
                      dir->path() + QStringLiteral("/data"), QStringLiteral("-m"),
                      QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")}));
}

void PrivateServer::stopAfter(int seconds) const
{
    QProcess::startDetached(QStringLiteral("sh"),
                            {QStringLiteral("-c"),
                             QStringLiteral("sleep %1; ").arg(seconds) +
                                 asServerUser({bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"),
                                               dir->path() + QStringLiteral("/data"),
                                               QStringLiteral("-m"), QStringLiteral("immediate"),
                                               QStringLiteral("-w"), QStringLiteral("stop")})
                                     .join(QLatin1Char(' ')) +
                                 QStringLiteral(" >/dev/null 2>&1")});
}

QString PrivateServer::uri(const QString &database, const QString &role) const
{
    return QStringLiteral("postgresql:///%1?host=%2&user=%3")
        .arg(database, dir->path(), role.isEmpty() ? QStringLiteral("postgres") : role);
}

QString PrivateServer::otherDeskRole()
{
    const QString role = QStringLiteral("baska_masa");
    if (!otherDeskMade)
        psql(QStringLiteral("postgres"),
             QStringLiteral("CREATE ROLE %1 LOGIN SUPERUSER").arg(role));
    otherDeskMade = true;
    return role;
}

QString PrivateServer::psql(const QString &database, const QString &sql, const QString &role) const
{
    QProcess process;
    process.start(QStringLiteral("psql"),
                  {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                   QStringLiteral("-t"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                   QStringLiteral("-h"), dir->path(), QStringLiteral("-U"), role,
                   QStringLiteral("-d"), database, QStringLiteral("-c"), sql});
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        qFatal("psql %s: %s", qPrintable(sql), process.readAllStandardError().constData());
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString PrivateServer::createDatabase()
{
    const QString name = QStringLiteral("defter%1").arg(++databases);
    psql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(name));
    return name;
}

void PrivateServer::dropDatabase(const QString &database)
{
    psql(QStringLiteral("postgres"), QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(database));
}
