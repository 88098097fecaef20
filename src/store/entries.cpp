#include "store/entries.h"

#include "store/phonebookdb.h"
#include "store/serverbook.h"
#include "store/statements.h"
#include "store/writetransaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

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

} // namespace

Change failedWith(const QSqlError &error)
{
    return {ChangeOutcome::Failed, error.text(), failureKind(error)};
}

namespace
{

Change outcomeStillUnknown()
{
    return {ChangeOutcome::Failed, QString(), FailureKind::OutcomeUnknown};
}

} // namespace

Change committedOrWhyNot(WriteTransaction &transaction)
{
    if (transaction.commit())
        return {};
    if (transaction.outcomeUnknown())
        return {ChangeOutcome::Failed, transaction.error().text(), FailureKind::OutcomeUnknown};
    return failedWith(transaction.error());
}

namespace
{

bool sameTexts(const Entry &a, const Entry &b)
{
    return a.adsoyad == b.adsoyad && a.telefon == b.telefon && a.cep == b.cep && a.mail == b.mail;
}

} // namespace

QString failureMessage(const Change &change)
{
    return failureMessage(change.kind, change.error);
}

Change stillAsExpected(const QVector<Entry> &expected)
{
    QSqlError error;
    const QVector<Entry> now = readEntries(idsOf(expected), &error);
    if (error.isValid())
        return failedWith(error);
    return now == expected ? Change{} : Change{ChangeOutcome::ChangedElsewhere, {}};
}

std::optional<Entry> readEntry(qint64 id, QSqlError *error)
{
    const QVector<Entry> found = readEntries({id}, error);
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

QVector<Entry> readEntries(const QVector<qint64> &ids, QSqlError *error)
{
    QHash<qint64, Entry> byId;
    QSqlQuery query(phoneBookDb);
    query.setForwardOnly(true);
    for (int first = 0; first < ids.size(); first += idsPerStatement) {
        if (!runStatement(query, entriesStatement(ids.mid(first, idsPerStatement)))) {
            if (error)
                *error = query.lastError().isValid()
                             ? query.lastError()
                             : QSqlError(QString(), QString(), QSqlError::ConnectionError);
            return {};
        }
        while (query.next()) {
            const Entry entry = entryOf(query);
            byId.insert(entry.id, entry);
        }
        if (query.lastError().isValid()) {
            if (error)
                *error = query.lastError();
            return {};
        }
    }
    QVector<Entry> entries;
    entries.reserve(byId.size());
    for (const qint64 id : ids)
        if (const auto found = byId.constFind(id); found != byId.constEnd())
            entries << *found;
    return entries;
}

bool readEntriesOn(const QSqlDatabase &db, const QVector<qint64> &ids, QVector<Entry> &entries)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    for (int first = 0; first < ids.size(); first += idsPerStatement) {
        if (!runStatement(query, entriesReadStatement(ids.mid(first, idsPerStatement))))
            return false;
        while (query.next())
            entries << entryOf(query);
        if (query.lastError().isValid())
            return false;
    }
    return true;
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

Change addEntry(Entry &entry)
{
    // An addition whose commit was lost with the connection is saved again as itself.
    if (std::optional<LostAddition> &lost = lostAddition()) {
        const std::optional<bool> committed = serverCommitted(lost->transaction);
        if (!committed)
            return outcomeStillUnknown();
        const Entry added = std::exchange(lost, std::nullopt)->entry;
        if (*committed) {
            entry.id = added.id;
            return sameTexts(added, entry) ? Change{} : replaceEntry(added, entry);
        }
    }
    WriteTransaction transaction;
    if (!transaction.began())
        return failedWith(transaction.error());
    QSqlQuery insert(phoneBookDb);
    if (!runStatement(insert, insertStatement(entry.adsoyad, entry.telefon, entry.cep, entry.mail)))
        return failedWith(insert.lastError());
    entry.id = insertedId(insert);
    insert.finish();
    const Change change = committedOrWhyNot(transaction);
    if (change.kind == FailureKind::OutcomeUnknown)
        lostAddition() = LostAddition{transaction.id(), entry};
    return change;
}

Change restoreEntries(const QVector<Entry> &entries)
{
    WriteTransaction transaction;
    if (!transaction.began())
        return failedWith(transaction.error());
    QSqlError error;
    if (!readEntries(idsOf(entries), &error).isEmpty())
        return {ChangeOutcome::ChangedElsewhere, {}};
    if (error.isValid())
        return failedWith(error);
    QSqlQuery insert(phoneBookDb);
    for (const Entry &entry : entries)
        if (!runStatement(insert, restoreStatement(entry.id, entry.adsoyad, entry.telefon,
                                                   entry.cep, entry.mail)))
            return failedWith(insert.lastError());
    return committedOrWhyNot(transaction);
}

Change removeEntries(const QVector<Entry> &expected)
{
    WriteTransaction transaction;
    if (!transaction.began())
        return failedWith(transaction.error());
    if (const Change unchanged = stillAsExpected(expected);
        unchanged.outcome != ChangeOutcome::Done)
        return unchanged;
    QSqlQuery removal(phoneBookDb);
    for (const Entry &entry : expected)
        if (!runStatement(removal, deleteStatement(entry.id)))
            return failedWith(removal.lastError());
    return committedOrWhyNot(transaction);
}

Change removeEntry(qint64 id)
{
    WriteTransaction transaction;
    if (!transaction.began())
        return failedWith(transaction.error());
    QSqlQuery removal(phoneBookDb);
    if (!runStatement(removal, deleteStatement(id)))
        return failedWith(removal.lastError());
    return committedOrWhyNot(transaction);
}

Change replaceEntry(const Entry &expected, const Entry &replacement)
{
    WriteTransaction transaction;
    if (!transaction.began())
        return failedWith(transaction.error());
    if (const Change unchanged = stillAsExpected({expected});
        unchanged.outcome != ChangeOutcome::Done)
        return unchanged;
    QSqlQuery update(phoneBookDb);
    if (!runStatement(update, updateStatement(replacement.adsoyad, replacement.telefon,
                                              replacement.cep, replacement.mail, expected.id)))
        return failedWith(update.lastError());
    return committedOrWhyNot(transaction);
}
