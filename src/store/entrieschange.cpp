#include "store/entrieschange.h"

#include "store/phonebookdb.h"
#include "store/statements.h"
#include "store/writetransaction.h"

#include <QSqlError>
#include <QSqlQuery>

namespace
{

bool bindAndRun(QSqlQuery &query, const Statement &statement)
{
    for (int i = 0; i < statement.values.size(); ++i)
        query.bindValue(i, statement.values.at(i));
    return query.exec();
}

} // namespace

Change applyEntriesChange(const EntriesChange &change, QVector<qint64> *insertedIds,
                          const InsertProgress &progress)
{
    QSqlQuery table(phoneBookDb);
    if (!ensurePhoneBookTable(table))
        return failedWith(table.lastError());
    WriteTransaction transaction;
    if (!transaction.began())
        return failedWith(transaction.error());
    QVector<Entry> expected = change.removed + change.kept;
    for (const auto &[before, after] : change.replaced)
        expected << before;
    if (const Change unchanged = stillAsExpected(expected);
        unchanged.outcome != ChangeOutcome::Done)
        return unchanged;
    QSqlError error;
    if (!readEntries(idsOf(change.restored), &error).isEmpty())
        return {ChangeOutcome::ChangedElsewhere, {}};
    if (error.isValid())
        return failedWith(error);

    QSqlQuery query(phoneBookDb);
    for (const auto &[before, after] : change.replaced)
        if (!runStatement(query, updateStatement(after.adsoyad, after.telefon, after.cep,
                                                 after.mail, before.id)))
            return failedWith(query.lastError());
    for (const Entry &entry : change.removed)
        if (!runStatement(query, deleteStatement(entry.id)))
            return failedWith(query.lastError());
    for (const Entry &entry : change.restored)
        if (!runStatement(query, restoreStatement(entry.id, entry.adsoyad, entry.telefon, entry.cep,
                                                  entry.mail)))
            return failedWith(query.lastError());

    // Many new entries: one prepared statement, bound again for each.
    QSqlQuery insert(phoneBookDb);
    if (!change.inserted.isEmpty() && !insert.prepare(insertStatement({}, {}, {}, {}).text))
        return failedWith(insert.lastError());
    QVector<qint64> ids;
    ids.reserve(change.inserted.size());
    for (const Entry &entry : change.inserted) {
        if (progress && !progress(ids.size(), change.inserted.size()))
            return {ChangeOutcome::Failed, QStringLiteral("durduruldu")};
        if (!bindAndRun(insert,
                        insertStatement(entry.adsoyad, entry.telefon, entry.cep, entry.mail)))
            return failedWith(insert.lastError());
        ids << insertedId(insert);
    }
    insert.finish();
    if (const Change committed = committedOrWhyNot(transaction);
        committed.outcome != ChangeOutcome::Done)
        return committed;
    if (insertedIds)
        *insertedIds = ids;
    return {};
}

EntriesChange reversed(const EntriesChange &applied)
{
    EntriesChange back;
    for (const auto &[before, after] : applied.replaced)
        back.replaced.append({after, before});
    back.removed = applied.restored;
    back.restored = applied.removed;
    back.kept = applied.kept;
    return back;
}
