#include "changelog/restoring.h"

#include <QHash>
#include <QSet>
#include <QSqlError>

EntriesChange restoringDeleted(const QVector<LoggedChange> &deletions, QString &error)
{
    QVector<qint64> ids;
    for (const LoggedChange &deletion : deletions)
        ids << deletion.id;
    QSqlError unread;
    const QVector<Entry> taken = readEntries(ids, &unread);
    EntriesChange change;
    if (unread.isValid()) {
        error = unread.text();
        return change;
    }
    QSet<qint64> takenIds;
    for (const Entry &entry : taken)
        takenIds << entry.id;
    for (const LoggedChange &deletion : deletions) {
        if (takenIds.contains(deletion.id))
            change.inserted << Entry{0, deletion.before.adsoyad, deletion.before.telefon,
                                     deletion.before.cep, deletion.before.mail};
        else
            change.restored << deletion.before;
    }
    return change;
}

BookRollback rollingBack(const QVector<LoggedChange> &since, QString &error)
{
    // Each entry as it was before its first change since then; absent when that was its
    // addition.
    QVector<qint64> ids;
    QHash<qint64, std::optional<Entry>> then;
    for (const LoggedChange &change : since) {
        if (then.contains(change.id))
            continue;
        ids << change.id;
        then.insert(change.id, change.kind == LoggedChange::Kind::Added
                                   ? std::nullopt
                                   : std::optional<Entry>(change.before));
    }
    BookRollback rollback;
    QSqlError unread;
    const QVector<Entry> present = readEntries(ids, &unread);
    if (unread.isValid()) {
        error = unread.text();
        return rollback;
    }
    QHash<qint64, Entry> now;
    for (const Entry &entry : present)
        now.insert(entry.id, entry);
    for (const qint64 id : ids) {
        const std::optional<Entry> &was = then.value(id);
        const auto is = now.constFind(id);
        if (!was && is != now.constEnd()) {
            rollback.change.removed << *is;
            ++rollback.removed;
        } else if (was && is == now.constEnd()) {
            rollback.change.restored << *was;
            ++rollback.restored;
        } else if (was && *is != *was) {
            rollback.change.replaced.append({*is, *was});
            ++rollback.changed;
        }
    }
    return rollback;
}

Change applyRestoring(const EntriesChange &change, EntriesChange &applied)
{
    QVector<qint64> ids;
    const Change outcome = applyEntriesChange(change, &ids);
    if (outcome.outcome != ChangeOutcome::Done)
        return outcome;
    applied = change;
    applied.inserted.clear();
    applied.restored += readEntries(ids);
    return outcome;
}
