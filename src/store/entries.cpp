#include "store/entries.h"

#include "store/phonebookdb.h"
#include "store/statements.h"

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

// Takes the write lock at once, so that what is read inside is what the writes replace:
// with a deferred start another program's commit in between would make the writes fail.
class WriteTransaction
{
public:
    WriteTransaction() : query(phoneBookDb)
    {
        began = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~WriteTransaction()
    {
        if (began && !ended)
            query.exec(QStringLiteral("ROLLBACK"));
    }
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;

    Change failed(const QSqlQuery &reason) const
    {
        return {ChangeOutcome::Failed, reason.lastError().text()};
    }
    Change refused() const { return {ChangeOutcome::Failed, query.lastError().text()}; }
    bool began = false;

    Change commit()
    {
        ended = query.exec(QStringLiteral("COMMIT"));
        return ended ? Change{} : refused();
    }

private:
    QSqlQuery query;
    bool ended = false;
};

bool allUnchanged(const QVector<Entry> &expected)
{
    QVector<qint64> ids;
    ids.reserve(expected.size());
    for (const Entry &entry : expected)
        ids << entry.id;
    return readEntries(ids) == expected;
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
    if (!query.exec(
            QStringLiteral("SELECT id, adsoyad, telefon, cep, mail FROM TELEFON ORDER BY id")))
        return false;
    while (query.next())
        if (!take(entryOf(query)))
            return false;
    return query.lastError().type() == QSqlError::NoError;
}

Change restoreEntries(const QVector<Entry> &entries)
{
    WriteTransaction transaction;
    if (!transaction.began)
        return transaction.refused();
    QVector<qint64> ids;
    for (const Entry &entry : entries)
        ids << entry.id;
    if (!readEntries(ids).isEmpty())
        return {ChangeOutcome::ChangedElsewhere, {}};
    QSqlQuery insert(phoneBookDb);
    for (const Entry &entry : entries)
        if (!runStatement(insert, restoreStatement(entry.id, entry.adsoyad, entry.telefon,
                                                   entry.cep, entry.mail)))
            return transaction.failed(insert);
    return transaction.commit();
}

Change removeEntries(const QVector<Entry> &expected)
{
    WriteTransaction transaction;
    if (!transaction.began)
        return transaction.refused();
    if (!allUnchanged(expected))
        return {ChangeOutcome::ChangedElsewhere, {}};
    QSqlQuery removal(phoneBookDb);
    for (const Entry &entry : expected)
        if (!runStatement(removal, deleteStatement(entry.id)))
            return transaction.failed(removal);
    return transaction.commit();
}

Change replaceEntry(const Entry &expected, const Entry &replacement)
{
    WriteTransaction transaction;
    if (!transaction.began)
        return transaction.refused();
    if (!allUnchanged({expected}))
        return {ChangeOutcome::ChangedElsewhere, {}};
    QSqlQuery update(phoneBookDb);
    if (!runStatement(update, updateStatement(replacement.adsoyad, replacement.telefon,
                                              replacement.cep, replacement.mail, expected.id)))
        return transaction.failed(update);
    return transaction.commit();
}
