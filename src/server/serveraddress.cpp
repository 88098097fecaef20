#include "server/serveraddress.h"

#include <QRegularExpression>
#include <QSettings>

#include <libpq-fe.h>

#include <memory>

namespace
{

// An unreachable server must never keep the window waiting longer than this.
constexpr int longestConnectWait = 5;

} // namespace

bool takeServerOption(QList<QByteArray> &arguments, QString &uri)
{
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i).startsWith("--sunucu=")) {
            uri = QString::fromUtf8(arguments.takeAt(i).mid(9));
            return !uri.isEmpty();
        }
        if (arguments.at(i) == "--sunucu") {
            arguments.removeAt(i);
            if (i >= arguments.size())
                return false;
            uri = QString::fromUtf8(arguments.takeAt(i));
            return !uri.isEmpty();
        }
    }
    return true;
}

QString chosenServerUri(const QString &option)
{
    if (!option.isEmpty())
        return option;
    const QString fromEnvironment = qEnvironmentVariable("TELEFON_DEFTERI_SUNUCU");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QSettings(QStringLiteral("telefon-defteri"), QStringLiteral("telefon-defteri"))
        .value(QStringLiteral("sunucu"))
        .toString();
}

std::optional<ServerAddress> parseServerUri(const QString &uri, QString &error)
{
    const QByteArray utf8 = uri.trimmed().toUtf8();
    if (!utf8.startsWith("postgresql://") && !utf8.startsWith("postgres://")) {
        error = QStringLiteral("sunucu adresi postgresql:// ile başlamalı");
        return std::nullopt;
    }
    char *why = nullptr;
    std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> parsed(
        PQconninfoParse(utf8.constData(), &why), &PQconninfoFree);
    if (!parsed) {
        error = why ? QString::fromUtf8(why).trimmed() : QStringLiteral("bellek yetmedi");
        PQfreemem(why);
        return std::nullopt;
    }
    ServerAddress address;
    QStringList options;
    int timeout = longestConnectWait;
    for (const PQconninfoOption *option = parsed.get(); option->keyword; ++option) {
        if (!option->val)
            continue;
        const QByteArray key(option->keyword);
        const QString value = QString::fromUtf8(option->val);
        if (key == "host")
            address.host = value;
        else if (key == "port" && value.contains(QLatin1Char(',')))
            // One for each of several hosts: libpq takes the list, Qt's driver one number.
            address.ports = value;
        else if (key == "port")
            address.port = value.toInt();
        else if (key == "dbname")
            address.database = value;
        else if (key == "user")
            address.user = value;
        else if (key == "password")
            address.password = value;
        else if (key == "connect_timeout")
            timeout = qBound(1, value.toInt(), longestConnectWait);
        else if (value.contains(QRegularExpression(QStringLiteral("[\\s;'\\\\]"))))
            // Qt's driver splits its options at ";", libpq its parameters at spaces.
            error = QStringLiteral("%1 değeri boşluk, ; ya da tırnak içeremez")
                        .arg(QString::fromUtf8(key));
        else
            options << QString::fromUtf8(key) + QLatin1Char('=') + value;
    }
    if (!error.isEmpty())
        return std::nullopt;
    if (!address.ports.isEmpty())
        options << QStringLiteral("port=") + address.ports;
    options << QStringLiteral("connect_timeout=%1").arg(timeout);
    address.options = options.join(QLatin1Char(';'));
    return address;
}

QString describeServer(const ServerAddress &address)
{
    // Each of several hosts with its port, as libpq pairs them.
    const QStringList hosts = (address.host.isEmpty() ? QStringLiteral("localhost") : address.host)
                                  .split(QLatin1Char(','));
    const QStringList ports =
        address.ports.isEmpty()
            ? QStringList(address.port > 0 ? QString::number(address.port) : QString())
            : address.ports.split(QLatin1Char(','));
    QStringList places;
    for (int i = 0; i < hosts.size(); ++i) {
        const QString port = ports.value(ports.size() == 1 ? 0 : i);
        places << (port.isEmpty() ? hosts.at(i) : hosts.at(i) + QLatin1Char(':') + port);
    }
    QString where = places.join(QLatin1Char(','));
    if (!address.user.isEmpty())
        where = address.user + QLatin1Char('@') + where;
    return where + QLatin1Char('/') + address.database;
}
