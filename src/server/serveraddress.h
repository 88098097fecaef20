#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A PostgreSQL server holding the phone book, named by a libpq connection URI
// ("postgresql://ali@ofis-sunucu:5433/defter?sslmode=require").
struct ServerAddress {
    // One host, or several separated by commas, tried in turn as libpq tries them (with
    // target_session_attrs=read-write, until one takes changes).
    QString host;
    int port = -1;
    // The ports of several hosts, "5432,5433", when not one for all.
    QString ports;
    QString database;
    QString user;
    // Only when the URI itself carries one; libpq's ~/.pgpass, PGPASSWORD and service
    // files are read by libpq as usual.
    QString password;
    // Every other parameter (sslmode, service, application_name, …) as "key=value;…",
    // the form Qt's driver takes, connect_timeout bounded.
    QString options;
};

// Takes "--sunucu URI" or "--sunucu=URI" out of the arguments; an empty text when not
// given. False when the option has no value.
bool takeServerOption(QList<QByteArray> &arguments, QString &uri);

// The URI the user names: the --sunucu option, else TELEFON_DEFTERI_SUNUCU, else the
// "sunucu" key of the program's settings file. Empty: the book is database.db.
QString chosenServerUri(const QString &option);

// Parsed by libpq itself, so that every form it knows is taken; nullopt with the reason
// when it is not a URI libpq accepts.
std::optional<ServerAddress> parseServerUri(const QString &uri, QString &error);

// How the server is named to the user: user@host:port/database, never the password.
QString describeServer(const ServerAddress &address);
