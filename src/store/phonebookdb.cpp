#include "store/phonebookdb.h"

#include <QSqlQuery>

QSqlDatabase phoneBookDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));

void useWriteAheadLog()
{
    QSqlQuery query(phoneBookDb);
    query.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
}

void createPhoneBookTableIfMissing()
{
    QSqlQuery query(phoneBookDb);
    query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS TELEFON (id INTEGER PRIMARY KEY "
                              "AUTOINCREMENT, adsoyad TEXT, telefon TEXT, cep TEXT, mail TEXT)"));
}
