#include "store/phonebookdb.h"

#include "store/databasepath.h"
#include "store/searchfunctions.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <cerrno>
#include <sys/stat.h>

QSqlDatabase phoneBookDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));

namespace
{

constexpr int sqliteReadOnly = 8, sqliteCantOpen = 14;

bool tableReady = false;
bool readOnly = false;
bool writeAheadLog = false;
// The rollback journal the file had (SQLite's default when it was found in a log).
QString foundJournalMode;

bool isRegularFileOrMissing(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode);
}

QString journalMode()
{
    QSqlQuery query(phoneBookDb);
    if (!query.exec(QStringLiteral("PRAGMA journal_mode")) || !query.next())
        return {};
    return query.value(0).toString().toLower();
}

// Without waiting: another program reading at that moment makes the switch fail at once.
bool switchJournalMode(const QString &mode)
{
    QSqlQuery query(phoneBookDb);
    query.exec(QStringLiteral("PRAGMA busy_timeout=0"));
    const bool switched = query.exec(QStringLiteral("PRAGMA journal_mode=") + mode) &&
                          query.next() && query.value(0).toString().toLower() == mode;
    query.exec(QStringLiteral("PRAGMA busy_timeout=5000"));
    return switched;
}

bool failedForAccess(const QSqlQuery &query)
{
    const int code = query.lastError().nativeErrorCode().toInt() & 0xFF;
    return code == sqliteReadOnly || code == sqliteCantOpen;
}

// After the table could not be made: whether the file cannot even be read. A
// write-ahead-log file whose index cannot be made where it lies fails to be read as
// read-only or as unopenable; a lock or a full disk is no such case.
bool cannotBeRead(const QSqlQuery &creation)
{
    if (!failedForAccess(creation))
        return false;
    QSqlQuery probe(phoneBookDb);
    return !probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) &&
           failedForAccess(probe);
}

// A write-ahead-log file where SQLite may not create the log's index (a read-only
// medium) can only be read when opened as one that nobody changes, which is what a
// read-only place ensures.
bool reopenImmutable(const QString &path)
{
    phoneBookDb.close();
    phoneBookDb.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    phoneBookDb.setDatabaseName(QStringLiteral("file:") +
                                QString::fromLatin1(QUrl::toPercentEncoding(path, "/")) +
                                QStringLiteral("?immutable=1"));
    if (!phoneBookDb.open())
        return false;
    QSqlQuery query(phoneBookDb);
    return ensurePhoneBookTable(query);
}

} // namespace

PhoneBookOpening openPhoneBook()
{
    tableReady = readOnly = writeAheadLog = false;
    const QString path = databasePath();
    phoneBookDb.setConnectOptions();
    phoneBookDb.setDatabaseName(path);
    if (!isRegularFileOrMissing(path) || !phoneBookDb.open())
        return PhoneBookOpening::Failed;

    QSqlQuery creation(phoneBookDb);
    if (!ensurePhoneBookTable(creation)) {
        const bool unreadable = cannotBeRead(creation);
        creation.finish();
        if (!unreadable || !reopenImmutable(path)) {
            if (unreadable)
                phoneBookDb.close();
            installSearchFunctions(phoneBookDb);
            return PhoneBookOpening::Failed;
        }
        readOnly = true;
    }

    QSqlQuery mapping(phoneBookDb);
    // Every search keystroke reads the whole table; mapped, its pages are read where the
    // system keeps them instead of being copied in for each scan (a third of the time).
    mapping.exec(QStringLiteral("PRAGMA mmap_size=268435456"));
    // SQLite refuses to replace LIKE while a statement of the connection is running.
    mapping.finish();
    installSearchFunctions(phoneBookDb);
    if (readOnly)
        return PhoneBookOpening::OpenedReadOnly;
    foundJournalMode = journalMode();
    const QStringList rollbackModes = {QStringLiteral("delete"), QStringLiteral("truncate"),
                                       QStringLiteral("persist")};
    if (!rollbackModes.contains(foundJournalMode))
        foundJournalMode = QStringLiteral("delete");
    writeAheadLog = switchJournalMode(QStringLiteral("wal"));
    return PhoneBookOpening::Opened;
}

bool ensurePhoneBookTable(QSqlQuery &query)
{
    if (tableReady)
        return true;
    tableReady = query.exec(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS TELEFON (id INTEGER PRIMARY KEY AUTOINCREMENT, adsoyad TEXT, "
        "telefon TEXT, cep TEXT, mail TEXT)"));
    return tableReady;
}

QSqlDatabase openReadingConnection(const QString &connectionName, const QString &databaseName,
                                   const QString &connectOptions)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(databaseName);
    QString options = connectOptions;
    if (!options.contains(QLatin1String("QSQLITE_OPEN_READONLY")))
        options += (options.isEmpty() ? QString() : QStringLiteral(";")) +
                   QStringLiteral("QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    db.open();
    return db;
}

void closePhoneBook()
{
    if (!phoneBookDb.isOpen())
        return;
    if (writeAheadLog)
        switchJournalMode(foundJournalMode);
    phoneBookDb.close();
    tableReady = readOnly = writeAheadLog = false;
}
