#pragma once

#include <QSqlDatabase>

#include <functional>

class QSqlQuery;

// The one connection of the process, under Qt's default connection name: SQLite, or
// PostgreSQL when the book is on a server. It is added before main() runs and released
// at process exit.
extern QSqlDatabase phoneBookDb;

enum class PhoneBookOpening {
    Opened,
    // Readable but not writable where it lies: the list shows it, saves report why. Its
    // log, if one lies beside it, is read too, through a private copy of both.
    OpenedReadOnly,
    // Nothing to show: not opened, not a phone book, or its table could not be made.
    Failed,
    // The server asks for a password that neither the address nor libpq's own files
    // (~/.pgpass, PGPASSWORD, a service file) give: ask the user, then open again.
    NeedsPassword,
};

// Where the book is: on the server the URI names (see serveraddress.h), or, when it is
// empty, database.db in the working directory. Takes effect at the next openPhoneBook.
void usePhoneBookServer(const QString &uri);
// The book as the user knows it, for the window's title: the file (under "~" in the home
// folder), or user@server:port/database, never the password.
QString phoneBookName();
// The password the user typed, kept in memory only, for the opens that follow.
void setServerPassword(const QString &password);
// The last opening of a server book failed because the password was missing or wrong.
bool passwordRefused();
// Why the last open failed, naming the server but never the password; empty for
// database.db, whose failure says nothing more than that it failed.
QString openingFailure();
// On a server that lacks what the fast search needs: what its administrator should run.
QString serverAdvice();
// Whether the book is a file on this machine, worth reading whole into a search index;
// a server searches with its own indexes.
bool bookIsLocal();
// A lost connection to the server (restarted, dropped by the network) is made again before
// the next action; true when the book answers. False with the driver's reason otherwise.
bool keepPhoneBookConnection(QString &error);

// Opens the book on phoneBookDb and readies it. On a server: its schema when missing. A
// database.db of the working directory: the table when missing, the write-ahead log, the
// search functions. A file that is not
// a regular file (a device, a link to /dev/null) is never opened, so that SQLite
// makes no journal beside it outside the working directory.
PhoneBookOpening openPhoneBook();

// A first start finds an empty file (the driver creates it); without the table every
// save would fail for good. An existing table is left as it is; its change log is added
// where missing. Returns whether both are there; after a failure (a full disk, a lock, a
// file that may not be written) the query holds the reason, and the next call tries again.
bool ensurePhoneBookTable(QSqlQuery &query);

// Whether the book keeps its change log (see booklog.h and serverschema.h): a server book
// whose role could not add it to an older schema works without.
bool changeLogPresent();

// With the write-ahead log another program may save while this one reads the whole book
// (as the search index is built). A program reading at start keeps the switch from
// happening, so it is tried again, at no cost once made, before each list.
void tryWriteAheadLog();

// Whether SQLite maps the file into memory: it makes the store's search, a scan of every
// row, a third faster, but every page it touches stays in the program's resident memory.
// Mapped while the store answers the search, not while the index does. Nothing on a server.
void mapPhoneBookFile(bool mapped);

// What a thread needs to open the book phoneBookDb has open, taken in the window's thread:
// the connection itself belongs to that thread alone.
struct BookAddress {
    QString driver, host, database, user, password, options;
    int port = -1;
};
BookAddress bookAddress();

// Runs read in the calling thread on a connection of its own to that book, read-only on
// SQLite, made for it and removed afterwards. False when the book could not be opened.
bool readOnOwnConnection(const BookAddress &book,
                         const std::function<void(const QSqlDatabase &db)> &read);
// The same, writable, for housekeeping that must not hold up the window (the log's pruning).
bool writeOnOwnConnection(const BookAddress &book,
                          const std::function<void(const QSqlDatabase &db)> &write);

// The write-ahead log is for running programs only: when the last one closes the phone
// book the file goes back to the rollback journal (the TRUNCATE or PERSIST journal it
// was found with), so that a closed phone book is an ordinary SQLite file wherever it
// is copied. When another program still has the file
// open nothing is waited for, and that program switches it back when it closes.
// Statements of the connection must be finished first.
void closePhoneBook();
