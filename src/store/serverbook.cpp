#include "store/serverbook.h"

#include "server/serveraddress.h"
#include "server/serverschema.h"
#include "server/sessionlimits.h"
#include "store/dialect.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <libpq-fe.h>

namespace
{

QString password;
bool refused = false;
QString failure;
QString advice;
quint64 connections = 0;
qint64 changes = 0;

// The one connection speaks to the server from now on, or to SQLite again.
void useDriver(const QString &driver)
{
    if (phoneBookDb.driverName() == driver)
        return;
    phoneBookDb.close();
    phoneBookDb = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    phoneBookDb = QSqlDatabase::addDatabase(driver);
}

bool refusedForPassword(const QString &error)
{
    return error.contains(QLatin1String("no password supplied")) ||
           error.contains(QLatin1String("password authentication failed"));
}

PGconn *connectionHandle()
{
    const QVariant handle = phoneBookDb.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "PGconn*") != 0)
        return nullptr;
    return *static_cast<PGconn *const *>(handle.constData());
}

// Whether the role may add, change and delete entries; a role that may only read opens the
// book read only. When the server cannot say, the statements themselves will.
bool mayChangeTheBook()
{
    QSqlQuery rights(phoneBookDb);
    return !rights.exec(QStringLiteral("SELECT has_table_privilege('telefon', 'INSERT') AND "
                                       "has_table_privilege('telefon', 'UPDATE') AND "
                                       "has_table_privilege('telefon', 'DELETE')")) ||
           !rights.next() || rights.value(0).toBool();
}

} // namespace

PhoneBookOpening openServerBook(const QString &uri)
{
    failure.clear();
    advice.clear();
    refused = false;
    QString error;
    const std::optional<ServerAddress> address = parseServerUri(uri, error);
    if (!address) {
        failure = QStringLiteral("Sunucu adresi okunamadı: ") + error;
        return PhoneBookOpening::Failed;
    }
    useDriver(QStringLiteral("QPSQL"));
    if (!phoneBookDb.isValid()) {
        failure = QStringLiteral("PostgreSQL sürücüsü (libqt5sql5-psql) kurulu değil.");
        return PhoneBookOpening::Failed;
    }
    phoneBookDb.setHostName(address->host);
    phoneBookDb.setPort(address->port);
    phoneBookDb.setDatabaseName(address->database);
    phoneBookDb.setUserName(address->user);
    phoneBookDb.setPassword(password.isEmpty() ? address->password : password);
    phoneBookDb.setConnectOptions(address->options);
    const QString named = QStringLiteral("Sunucu: ") + describeServer(*address);
    if (!phoneBookDb.open()) {
        const QString why = phoneBookDb.lastError().text();
        failure = named + QLatin1Char('\n') + why;
        const bool typedNone = password.isEmpty() && address->password.isEmpty();
        refused = refusedForPassword(why);
        return refused && typedNone ? PhoneBookOpening::NeedsPassword : PhoneBookOpening::Failed;
    }
    ++connections;
    limitServerSession(phoneBookDb);
    const ServerSchema schema = ensureServerSchema(phoneBookDb);
    noteServerSearchColumns(schema.searchColumns);
    noteServerChangeLog(schema.changeLog);
    if (!schema.usable) {
        failure = named + QLatin1Char('\n') + schema.error;
        phoneBookDb.close();
        return PhoneBookOpening::Failed;
    }
    advice = schema.advice;
    return mayChangeTheBook() ? PhoneBookOpening::Opened : PhoneBookOpening::OpenedReadOnly;
}

std::optional<LostAddition> &lostAddition()
{
    static std::optional<LostAddition> lost;
    return lost;
}

void closeServerBook()
{
    lostAddition().reset();
    phoneBookDb.close();
    useDriver(QStringLiteral("QSQLITE"));
}

void setServerPassword(const QString &typed)
{
    password = typed;
}

bool passwordRefused()
{
    return refused;
}

QString openingFailure()
{
    return failure;
}

QString serverAdvice()
{
    return advice;
}

bool keepServerConnection(QString &error)
{
    PGconn *connection = phoneBookDb.isOpen() ? connectionHandle() : nullptr;
    // A transaction under way is left to end as it will.
    if (connection && PQtransactionStatus(connection) != PQTRANS_IDLE &&
        PQtransactionStatus(connection) != PQTRANS_UNKNOWN)
        return true;
    if (connection && PQstatus(connection) == CONNECTION_OK) {
        QSqlQuery probe(phoneBookDb);
        if (probe.exec(QStringLiteral("SELECT 1")))
            return true;
    }
    phoneBookDb.close();
    if (!phoneBookDb.open()) {
        error = phoneBookDb.lastError().text();
        return false;
    }
    ++connections;
    limitServerSession(phoneBookDb);
    // Whatever changed while it was away is read again.
    ++changes;
    return true;
}

qint64 serverTransactionId()
{
    QSqlQuery query(phoneBookDb);
    if (!query.exec(QStringLiteral("SELECT txid_current()")) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

std::optional<bool> serverCommitted(qint64 transaction)
{
    QString error;
    if (!keepServerConnection(error))
        return std::nullopt;
    QSqlQuery query(phoneBookDb);
    query.prepare(QStringLiteral("SELECT txid_status(?)"));
    query.addBindValue(transaction);
    if (!query.exec() || !query.next()) {
        // A server that never saw the transaction (a standby that had not received it when
        // it was promoted) calls it one of the future: it never committed there.
        if (query.lastError().nativeErrorCode() == QLatin1String("22023"))
            return false;
        return std::nullopt;
    }
    const QString status = query.value(0).toString();
    if (status == QLatin1String("committed"))
        return true;
    if (status == QLatin1String("aborted"))
        return false;
    return std::nullopt;
}

bool serverConnectionLost()
{
    PGconn *connection = phoneBookDb.isOpen() ? connectionHandle() : nullptr;
    return !connection || PQstatus(connection) != CONNECTION_OK;
}

void takeWaitingNotifications(const QString &channel)
{
    PGconn *connection = phoneBookDb.isOpen() ? connectionHandle() : nullptr;
    if (!connection || PQconsumeInput(connection) == 0)
        return;
    const QByteArray name = channel.toUtf8();
    while (PGnotify *notification = PQnotifies(connection)) {
        if (name == notification->relname && notification->be_pid != PQbackendPID(connection))
            ++changes;
        PQfreemem(notification);
    }
}

quint64 serverConnectionCount()
{
    return connections;
}

qint64 serverChanges()
{
    return changes;
}

void noteServerChange()
{
    ++changes;
}
