#include "aktar/servecommand.h"

#include "directoryserver/bookfollower.h"
#include "directoryserver/directoryhttp.h"
#include "directoryserver/servedbook.h"
#include "platform/terminationsignals.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>

namespace
{

const char passwordVariable[] = "TELEFON_DEFTERI_SUN_PAROLA";

struct Wanted {
    ServeOptions options;
    QString passwordFile;
    bool wellFormed = false;
    QString wrong;
};

// "127.0.0.1:8080", "0.0.0.0:80", "[::1]:8080", or a port alone on the loopback address.
bool parseAddress(const QString &text, ServeOptions &options)
{
    static const QRegularExpression address(
        QStringLiteral("^(?:(\\[[0-9A-Fa-f:.]+\\]|[0-9A-Za-z.-]+):)?([0-9]{1,5})$"));
    const QRegularExpressionMatch match = address.match(text);
    const int port = match.captured(2).toInt();
    if (!match.hasMatch() || port > 65535)
        return false;
    QString host = match.captured(1);
    if (host.startsWith(QLatin1Char('[')))
        host = host.mid(1, host.size() - 2);
    if (!host.isEmpty())
        options.host = host.toStdString();
    options.port = port;
    return true;
}

Wanted parse(const QList<QByteArray> &words)
{
    Wanted wanted;
    QString user;
    for (int i = 0; i < words.size(); ++i) {
        const QByteArray word = words.at(i);
        const int equals = word.indexOf('=');
        const QByteArray name = word.startsWith("--") && equals > 0 ? word.left(equals) : word;
        if (!name.startsWith("--"))
            return wanted;
        QByteArray value;
        if (equals > 0)
            value = word.mid(equals + 1);
        else if (i + 1 < words.size())
            value = words.at(++i);
        else
            return wanted;
        const QString text = QString::fromLocal8Bit(value);
        if (name == "--adres") {
            if (!parseAddress(text, wanted.options)) {
                wanted.wrong = QStringLiteral("adres ADRES:PORT biçiminde olmalı, ör. "
                                              "127.0.0.1:8080: ") +
                               text;
                return wanted;
            }
        } else if (name == "--kullanici") {
            user = text;
        } else if (name == "--parola-dosyasi") {
            wanted.passwordFile = QFile::decodeName(value);
        } else if (name == "--istek-siniri") {
            bool number = false;
            wanted.options.requestsPerSecond = text.toDouble(&number);
            if (!number || wanted.options.requestsPerSecond < 1)
                return wanted;
        } else {
            return wanted;
        }
    }
    if (user.isEmpty() !=
        (wanted.passwordFile.isEmpty() && qEnvironmentVariableIsEmpty(passwordVariable))) {
        wanted.wrong = user.isEmpty() ? QStringLiteral("parola yalnızca --kullanici ile verilir")
                                      : QStringLiteral("--kullanici için parola gerekli: "
                                                       "--parola-dosyasi DOSYA ya da %1")
                                            .arg(QLatin1String(passwordVariable));
        return wanted;
    }
    wanted.options.credentials.user = user.toStdString();
    wanted.wellFormed = true;
    return wanted;
}

void tell(FILE *stream, const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

// The file's first line, as a service's credential is written.
bool readPassword(const QString &path, std::string &password)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    password = line.toStdString();
    return true;
}

} // namespace

bool isServeCommand(const QByteArray &command)
{
    return command == "sun";
}

bool serveCommandWellFormed(const QList<QByteArray> &words, QString &wrong)
{
    const Wanted wanted = parse(words);
    wrong = wanted.wrong;
    return wanted.wellFormed;
}

int runServeCommand(const QList<QByteArray> &words, QCoreApplication &application)
{
    Wanted wanted = parse(words);
    if (wanted.options.credentials.required()) {
        std::string &password = wanted.options.credentials.password;
        if (!wanted.passwordFile.isEmpty()) {
            if (!readPassword(wanted.passwordFile, password)) {
                tell(stderr, QStringLiteral("telefon-defteri-aktar: parola dosyası okunamadı: ") +
                                 wanted.passwordFile);
                return 1;
            }
        } else {
            password = qEnvironmentVariable(passwordVariable).toStdString();
        }
    }
    ServedBook book;
    DirectoryHttpServer server(book, wanted.options);
    QString error;
    if (!server.bind(error)) {
        tell(stderr, QStringLiteral("telefon-defteri-aktar: ") + error);
        return 1;
    }
    BookFollower follower(book);
    QObject::connect(&follower, &BookFollower::readingFailed, [](const QString &why) {
        tell(stderr, QStringLiteral("telefon-defteri-aktar: %1; biraz sonra yeniden "
                                    "denenecek")
                         .arg(why));
    });
    quitOnTerminationSignals(application);
    server.start();
    follower.start();
    const QString host = QString::fromStdString(wanted.options.host);
    const QString base =
        QStringLiteral("http://%1:%2")
            .arg(host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']')
                                                 : host)
            .arg(server.port());
    tell(stdout, QStringLiteral("Rehber sunuluyor: %1/rehber/yealink.xml (cisco, grandstream, "
                                "snom), arayan: %1/arayan?numara=NUMARA")
                     .arg(base));
    // Ctrl+C, SIGTERM from systemd: the loop ends, the server stops, the book is closed.
    if (!terminationRequested() && terminationSignal() == 0)
        application.exec();
    server.stop();
    tell(stdout, QStringLiteral("Rehber sunucusu durdu."));
    return 0;
}
