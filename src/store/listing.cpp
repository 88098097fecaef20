#include "store/listing.h"

#include "server/serverschema.h"
#include "store/phonebookdb.h"
#include "store/searchfunctions.h"
#include "store/serverbook.h"
#include "store/statements.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace
{

QVector<qint64> idsOf(const Statement &statement)
{
    QVector<qint64> ids;
    QSqlQuery query(phoneBookDb);
    query.setForwardOnly(true);
    if (!runStatement(query, statement))
        return ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    return ids;
}

} // namespace

QVector<qint64> allIds()
{
    return idsOf(allIdsStatement());
}

QVector<qint64> searchIds(const QString &text)
{
    return idsOf(searchIdsStatement(text, searchFunctionsInstalled()));
}

QVector<qint64> searchIdsAfter(const QString &text, qint64 after, int limit)
{
    return idsOf(searchIdsAfterStatement(text, searchFunctionsInstalled(), after, limit));
}

qint64 entryCount()
{
    QSqlQuery query(phoneBookDb);
    if (!runStatement(query, countStatement()) || !query.next())
        return 0;
    return query.value(0).toLongLong();
}

QVector<QPair<qint64, QString>> columnValues(EntryColumn column)
{
    QVector<QPair<qint64, QString>> values;
    readColumnValues(phoneBookDb, column, values);
    return values;
}

bool readColumnValues(const QSqlDatabase &db, EntryColumn column,
                      QVector<QPair<qint64, QString>> &values, const std::function<bool()> &goOn)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!runStatement(query, columnValuesStatement(column)))
        return false;
    while (query.next()) {
        if (goOn && values.size() % 4096 == 0 && !goOn())
            return false;
        values.append(
            {query.value(0).toLongLong(), query.isNull(1) ? QString() : query.value(1).toString()});
    }
    return query.lastError().type() == QSqlError::NoError;
}

QVector<QPair<qint64, QString>> longestValues(EntryColumn column, int count)
{
    QVector<QPair<qint64, QString>> values;
    QSqlQuery query(phoneBookDb);
    query.setForwardOnly(true);
    if (!runStatement(query, longestValuesStatement(column, count)))
        return values;
    while (query.next())
        values.append({query.value(0).toLongLong(), query.value(1).toString()});
    return values;
}

qint64 bookVersion()
{
    // The server sends another program's notification before the answer to any statement
    // that follows its commit: what arrived with the last answer is counted now.
    if (!bookIsLocal()) {
        takeWaitingNotifications(changeChannel());
        return serverChanges();
    }
    QSqlQuery query(phoneBookDb);
    if (!query.exec(QStringLiteral("PRAGMA data_version")) || !query.next())
        return 0;
    return query.value(0).toLongLong();
}
