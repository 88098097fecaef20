#include "store/entries.h"

#include "store/phonebookdb.h"
#include "store/statements.h"
#include "store/writetransaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace
{

// Well below any limit of bound values a driver has.
constexpr int idsPerStatement = 500;

Entry entryOf(const QSqlQuery &query)
{
    const auto text = [&query](int column) {
        return query.isNull(column) ? QString() : query.value(column).toString();
    };
    return {query.value(0).toLongLong(), text(1), text(2), text(3), text(4)};
}

Change failure(const QSqlError &error)
{
    return {ChangeOutcome::Failed, error.text()};
}

bool allUnchanged(const QVector<Entry> &expected)
{
    return readEntries(idsOf(expected)) == expected;
}

} // namespace

std::optional<Entry> readEntry(qint64 id)
{
    const QVector<Entry> found = readEntries({id});
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

QVector<Entry> readEntries(const QVector<qint64> &ids)
{
    QHash<qint64, Entry> byId;
    QSqlQuery query(phoneBookDb);
    query.setForwardOnly(true);
    for (int first = 0; first < ids.size(); first += idsPerStatement) {
        if (!runStatement(query, entriesStatement(ids.mid(first, idsPerStatement))))
            continue;
        while (query.next()) {
            const Entry entry = entryOf(query);
            byId.insert(entry.id, entry);
        }
    }
    QVector<Entry> entries;
    entries.reserve(byId.size());
    for (const qint64 id : ids)
        if (const auto found = byId.constFind(id); found != byId.constEnd())
            entries << *found;
    return entries;
}

bool readEveryEntry(const QSqlDatabase &db, const std::function<bool(const Entry &)> &take)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!runStatement(query, everyEntryStatement()))
        return false;
    while (query.next())
        if (!take(entryOf(query)))
            return false;
    return query.lastError().type() == QSqlError::NoError;
}

Change restoreEntries(const QVector<Entry> &entries)
{
    WriteTransaction transaction;
    if (!transaction.began())
        return failure(transaction.error());
    if (!readEntries(idsOf(entries)).isEmpty())
        return {ChangeOutcome::ChangedElsewhere, {}};
    QSqlQuery insert(phoneBookDb);
    for (const Entry &entry : entries)
        if (!runStatement(insert, restoreStatement(entry.id, entry.adsoyad, entry.telefon,
                                                   entry.cep, entry.mail)))
            return failure(insert.lastError());
    return transaction.commit() ? Change{} : failure(transaction.error());
}

Change removeEntries(const QVector<Entry> &expected)
{
    WriteTransaction transaction;
    if (!transaction.began())
        return failure(transaction.error());
    if (!allUnchanged(expected))
        return {ChangeOutcome::ChangedElsewhere, {}};
    QSqlQuery removal(phoneBookDb);
    for (const Entry &entry : expected)
        if (!runStatement(removal, deleteStatement(entry.id)))
            return failure(removal.lastError());
    return transaction.commit() ? Change{} : failure(transaction.error());
}

Change removeEntry(qint64 id)
{
    WriteTransaction transaction;
    if (!transaction.began())
        return failure(transaction.error());
    QSqlQuery removal(phoneBookDb);
    if (!runStatement(removal, deleteStatement(id)))
        return failure(removal.lastError());
    return transaction.commit() ? Change{} : failure(transaction.error());
}

Change replaceEntry(const Entry &expected, const Entry &replacement)
{
    WriteTransaction transaction;
    if (!transaction.began())
        return failure(transaction.error());
    if (!allUnchanged({expected}))
        return {ChangeOutcome::ChangedElsewhere, {}};
    QSqlQuery update(phoneBookDb);
    if (!runStatement(update, updateStatement(replacement.adsoyad, replacement.telefon,
                                              replacement.cep, replacement.mail, expected.id)))
        return failure(update.lastError());
    return transaction.commit() ? Change{} : failure(transaction.error());
}
