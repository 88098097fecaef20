#include "store/phonebookdb.h"

#include "server/serveraddress.h"
#include "server/sessionlimits.h"
#include "store/booklog.h"
#include "store/databasepath.h"
#include "store/dialect.h"
#include "store/searchfunctions.h"
#include "store/serverbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariant>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

QSqlDatabase phoneBookDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));

namespace
{

constexpr int sqliteReadOnly = 8, sqliteCantOpen = 14;

QString serverUri;
bool tableReady = false;
bool logReady = false;
bool readOnly = false;
bool writeAheadLog = false;
// The rollback journal mode the file goes back to, as the last program left it.
QString foundJournalMode;
// A phone book read through a copy of it and its log, removed when it is closed.
std::unique_ptr<QTemporaryDir> privateCopy;

// Whether this user (by the effective ids, as SQLite's writes are checked) may write there.
bool mayWrite(const QString &path)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

bool isRegularFileOrMissing(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT;
    return S_ISREG(status.st_mode);
}

// SQLite keeps no rollback journal mode in the file; a program that used TRUNCATE or
// PERSIST leaves its journal beside it: empty, or with a header it wiped. A journal that
// still starts with its magic number is one to roll back, left by any mode.
QString journalModeLeftBeside(const QString &path)
{
    QFile journal(path + QStringLiteral("-journal"));
    if (!journal.exists())
        return QStringLiteral("delete");
    if (journal.size() == 0)
        return QStringLiteral("truncate");
    static const QByteArray magic("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    if (journal.open(QIODevice::ReadOnly) && journal.read(magic.size()) != magic)
        return QStringLiteral("persist");
    return QStringLiteral("delete");
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
    ensurePhoneBookTable(query);
    return tableReady;
}

// Entries saved last may be held only by the log beside the file, which cannot be read
// where it lies: the file and its log are copied where only this program can reach
// them, the log is written into the copy there, and the copy is read without it.
bool reopenThroughPrivateCopy(const QString &path)
{
    phoneBookDb.close();
    privateCopy = std::make_unique<QTemporaryDir>();
    const QString copy = privateCopy->filePath(QStringLiteral("database.db"));
    const auto copied = [](const QString &from, const QString &to) {
        return QFile::copy(from, to) &&
               QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    };
    phoneBookDb.setConnectOptions();
    phoneBookDb.setDatabaseName(copy);
    bool read = privateCopy->isValid() && copied(path, copy) &&
                copied(path + QStringLiteral("-wal"), copy + QStringLiteral("-wal")) &&
                phoneBookDb.open();
    if (read) {
        QSqlQuery withoutLog(phoneBookDb);
        read = withoutLog.exec(QStringLiteral("PRAGMA journal_mode=delete")) && withoutLog.next() &&
               withoutLog.value(0).toString().toLower() == QLatin1String("delete");
        withoutLog.finish();
    }
    phoneBookDb.close();
    phoneBookDb.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (read && phoneBookDb.open()) {
        QSqlQuery query(phoneBookDb);
        ensurePhoneBookTable(query);
        if (tableReady)
            return true;
    }
    phoneBookDb.close();
    privateCopy.reset();
    return false;
}

bool hasLogBeside(const QString &path)
{
    return QFileInfo(path + QStringLiteral("-wal")).size() > 0;
}

} // namespace

void usePhoneBookServer(const QString &uri)
{
    serverUri = uri;
}

QString phoneBookName()
{
    if (!serverUri.isEmpty()) {
        QString error;
        const std::optional<ServerAddress> address = parseServerUri(serverUri, error);
        return address ? describeServer(*address) : QString();
    }
    const QString path = QFileInfo(databasePath()).absoluteFilePath();
    const QString home = QDir::homePath();
    if (path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return QDir::toNativeSeparators(path);
}

bool bookIsLocal()
{
    return bookDialect() == Dialect::Sqlite;
}

bool keepPhoneBookConnection(QString &error)
{
    return bookIsLocal() || keepServerConnection(error);
}

PhoneBookOpening openPhoneBook()
{
    closePhoneBook();
    if (!serverUri.isEmpty())
        return openServerBook(serverUri);
    const QString path = databasePath();
    foundJournalMode = journalModeLeftBeside(path);
    phoneBookDb.setConnectOptions();
    phoneBookDb.setDatabaseName(path);
    if (!isRegularFileOrMissing(path) || !phoneBookDb.open())
        return PhoneBookOpening::Failed;

    QSqlQuery creation(phoneBookDb);
    // A book whose table is there but whose log cannot be added (a file that may not be
    // written, a lock) is opened; its saves report why, and try the log again.
    if (!ensurePhoneBookTable(creation) && !tableReady) {
        const bool unreadable = cannotBeRead(creation);
        creation.finish();
        const bool read = unreadable && (hasLogBeside(path) ? reopenThroughPrivateCopy(path)
                                                            : reopenImmutable(path));
        if (!read) {
            if (unreadable)
                phoneBookDb.close();
            installSearchFunctions(phoneBookDb);
            return PhoneBookOpening::Failed;
        }
        readOnly = true;
    }

    // A file, or a folder for its journal, this user may not write: read only from the
    // start, not one error per save.
    if (!mayWrite(path) || !mayWrite(QFileInfo(path).absolutePath()))
        readOnly = true;
    mapPhoneBookFile(true);
    installSearchFunctions(phoneBookDb);
    if (readOnly)
        return PhoneBookOpening::OpenedReadOnly;
    writeAheadLog = switchJournalMode(QStringLiteral("wal"));
    return PhoneBookOpening::Opened;
}

bool ensurePhoneBookTable(QSqlQuery &query)
{
    // The server's table is made with its schema when the book is opened.
    if (!bookIsLocal())
        return true;
    if (!tableReady)
        tableReady = query.exec(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS TELEFON (id INTEGER PRIMARY KEY AUTOINCREMENT, adsoyad "
            "TEXT, telefon TEXT, cep TEXT, mail TEXT)"));
    // No change is written that the log would miss.
    if (tableReady && !logReady)
        logReady = ensureBookLog(query);
    return tableReady && logReady;
}

bool changeLogPresent()
{
    return bookIsLocal() ? logReady : serverChangeLog();
}

void tryWriteAheadLog()
{
    if (!writeAheadLog && !readOnly && bookIsLocal() && phoneBookDb.isOpen())
        writeAheadLog = switchJournalMode(QStringLiteral("wal"));
}

void mapPhoneBookFile(bool mapped)
{
    if (!bookIsLocal() || !phoneBookDb.isOpen())
        return;
    // Mapped, the pages of a scan are read where the system keeps them instead of being
    // copied in for each one. Unmapping waits for no statement: none stays open.
    QSqlQuery mapping(phoneBookDb);
    mapping.exec(mapped ? QStringLiteral("PRAGMA mmap_size=268435456")
                        : QStringLiteral("PRAGMA mmap_size=0"));
    // SQLite refuses to replace LIKE while a statement of the connection is running.
    mapping.finish();
}

BookAddress bookAddress()
{
    return {phoneBookDb.driverName(), phoneBookDb.hostName(), phoneBookDb.databaseName(),
            phoneBookDb.userName(),   phoneBookDb.password(), phoneBookDb.connectOptions(),
            phoneBookDb.port()};
}

namespace
{

bool onOwnConnection(const BookAddress &book, bool readOnly,
                     const std::function<void(const QSqlDatabase &db)> &work)
{
    // Unique in the process: several threads may read at once.
    static std::atomic<quint64> connections{0};
    const QString name = QStringLiteral("reading-%1").arg(++connections);
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(book.driver, name);
        db.setHostName(book.host);
        db.setPort(book.port);
        db.setDatabaseName(book.database);
        db.setUserName(book.user);
        db.setPassword(book.password);
        QString options = book.options;
        if (readOnly && book.driver == QLatin1String("QSQLITE") &&
            !options.contains(QLatin1String("QSQLITE_OPEN_READONLY")))
            options += (options.isEmpty() ? QString() : QStringLiteral(";")) +
                       QStringLiteral("QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        opened = db.open() && (book.driver != QLatin1String("QPSQL") || limitServerSession(db));
        if (opened)
            work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return opened;
}

} // namespace

bool readOnOwnConnection(const BookAddress &book,
                         const std::function<void(const QSqlDatabase &db)> &read)
{
    return onOwnConnection(book, true, read);
}

bool writeOnOwnConnection(const BookAddress &book,
                          const std::function<void(const QSqlDatabase &db)> &write)
{
    return onOwnConnection(book, false, write);
}

void closePhoneBook()
{
    if (!bookIsLocal()) {
        closeServerBook();
        return;
    }
    if (phoneBookDb.isOpen() && writeAheadLog)
        switchJournalMode(foundJournalMode);
    phoneBookDb.close();
    privateCopy.reset();
    tableReady = logReady = readOnly = writeAheadLog = false;
}
