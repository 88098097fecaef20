#include "store/listing.h"

#include "store/phonebookdb.h"
#include "store/searchfunctions.h"
#include "store/statements.h"

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

QString columnName(EntryColumn column)
{
    switch (column) {
    case EntryColumn::Name:
        return QStringLiteral("adsoyad");
    case EntryColumn::Phone:
        return QStringLiteral("telefon");
    case EntryColumn::Mobile:
        return QStringLiteral("cep");
    case EntryColumn::Mail:
        break;
    }
    return QStringLiteral("mail");
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

qint64 entryCount()
{
    QSqlQuery query(phoneBookDb);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM TELEFON")) || !query.next())
        return 0;
    return query.value(0).toLongLong();
}

QVector<QPair<qint64, QString>> columnValues(EntryColumn column)
{
    QVector<QPair<qint64, QString>> values;
    QSqlQuery query(phoneBookDb);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT id, %1 FROM TELEFON").arg(columnName(column))))
        return values;
    while (query.next())
        values.append(
            {query.value(0).toLongLong(), query.isNull(1) ? QString() : query.value(1).toString()});
    return values;
}

QStringList longestValues(EntryColumn column, int count)
{
    QStringList values;
    QSqlQuery query(phoneBookDb);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT %1 FROM TELEFON ORDER BY length(%1) DESC LIMIT %2")
                        .arg(columnName(column))
                        .arg(count)))
        return values;
    while (query.next())
        values << query.value(0).toString();
    return values;
}

qint64 bookVersion()
{
    QSqlQuery query(phoneBookDb);
    if (!query.exec(QStringLiteral("PRAGMA data_version")) || !query.next())
        return 0;
    return query.value(0).toLongLong();
}
