#include "privatecarddav.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <QUrl>

PrivateCardDav &PrivateCardDav::instance()
{
    static PrivateCardDav server;
    return server;
}

PrivateCardDav::PrivateCardDav() : dir(QDir::tempPath() + QStringLiteral("/td-carddav-XXXXXX"))
{
    dir.setAutoRemove(false);
    QFile users(dir.filePath(QStringLiteral("users")));
    if (!dir.isValid() || !users.open(QIODevice::WriteOnly) ||
        users.write((user() + QLatin1Char(':') + password() + QLatin1Char('\n')).toUtf8()) < 0)
        qFatal("no temporary directory for the CardDAV server");
    users.close();
    // A free port, taken again by the server a moment later.
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        qFatal("no free port on 127.0.0.1");
    port = probe.serverPort();
    probe.close();
    const QString watchdog =
        QStringLiteral("/usr/bin/python3 -m radicale --server-hosts 127.0.0.1:%1 "
                       "--auth-type htpasswd --auth-htpasswd-filename '%2/users' "
                       "--auth-htpasswd-encryption plain --auth-delay 0 "
                       "--storage-filesystem-folder '%2/storage' >'%2/log' 2>&1 & server=$!; "
                       "while kill -0 %3 2>/dev/null; do sleep 1; done; kill $server; sleep 1; "
                       "rm -rf '%2'")
            .arg(port)
            .arg(dir.path())
            .arg(QCoreApplication::applicationPid());
    QProcess::startDetached(QStringLiteral("setsid"),
                            {QStringLiteral("sh"), QStringLiteral("-c"), watchdog});
    if (!QTest::qWaitFor([this] { return curl("PROPFIND", root() + "/").first == 207; }, 60000)) {
        QFile log(dir.filePath(QStringLiteral("log")));
        log.open(QIODevice::ReadOnly);
        qFatal("Radicale did not start: %s", log.readAll().constData());
    }
}

QString PrivateCardDav::makeAddressBook()
{
    const QString url = QStringLiteral("%1/%2/rehber-%3/").arg(root(), user()).arg(++books);
    const QByteArray body =
        "<?xml version=\"1.0\"?><mkcol xmlns=\"DAV:\" "
        "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><set><prop><resourcetype><collection/>"
        "<C:addressbook/></resourcetype><displayname>Ofis</displayname></prop></set></mkcol>";
    if (curl("MKCOL", url, body, {"Content-Type: application/xml"}).first != 201)
        qFatal("Radicale made no address book at %s", qPrintable(url));
    return url;
}

QString PrivateCardDav::storedFolder(const QString &book) const
{
    return dir.filePath(QStringLiteral("storage/collection-root") +
                        QUrl(book).path(QUrl::FullyDecoded));
}

QPair<int, QByteArray> PrivateCardDav::curl(const QString &method, const QString &url,
                                            const QByteArray &body,
                                            const QStringList &headers) const
{
    QStringList arguments = {"--silent",
                             "--max-time",
                             "60",
                             "--user",
                             user() + QLatin1Char(':') + password(),
                             "--request",
                             method,
                             "--write-out",
                             "\n%{http_code}"};
    for (const QString &header : headers)
        arguments << "--header" << header;
    if (!body.isNull())
        arguments << "--data-binary"
                  << "@-";
    arguments << url;
    QProcess process;
    process.start(QStringLiteral("curl"), arguments);
    process.write(body);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        qFatal("curl did not end");
    QByteArray out = process.readAllStandardOutput();
    const int newline = out.lastIndexOf('\n');
    const int status = out.mid(newline + 1).toInt();
    out.truncate(qMax(newline, 0));
    return {status, out};
}

ScriptServer::ScriptServer(const QString &script, const QStringList &arguments)
{
    // -B: the scripts import their shared part, and the source tree takes no bytecode.
    process.start(QStringLiteral("/usr/bin/python3"),
                  QStringList{QStringLiteral("-B"), script} + arguments);
    if (!process.waitForReadyRead(60000))
        qFatal("%s did not start", qPrintable(script));
    listening = process.readLine().trimmed().toInt();
}

ScriptServer::~ScriptServer()
{
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        process.kill();
    process.waitForFinished(30000);
}
