#include "changelog/changelog.h"

#include "store/entries.h"
#include "store/logstatements.h"
#include "store/phonebookdb.h"
#include "store/writetransaction.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace
{

const QString keptDaysKey = QStringLiteral("gecmis_gun");

Entry entryAt(const QSqlQuery &query, int first, qint64 id)
{
    const auto text = [&query](int column) {
        return query.isNull(column) ? QString() : query.value(column).toString();
    };
    return {id, text(first), text(first + 1), text(first + 2), text(first + 3)};
}

LoggedChange changeOf(const QSqlQuery &query)
{
    LoggedChange change;
    change.revision = query.value(0).toLongLong();
    change.time = logTime(query.value(1).toString());
    change.who = query.value(2).toString();
    const QString operation = query.value(3).toString();
    change.kind = operation == QLatin1String("ekle")  ? LoggedChange::Kind::Added
                  : operation == QLatin1String("sil") ? LoggedChange::Kind::Deleted
                                                      : LoggedChange::Kind::Changed;
    change.id = query.value(4).toLongLong();
    change.group = query.value(5).toString();
    if (change.kind != LoggedChange::Kind::Added)
        change.before = entryAt(query, 6, change.id);
    if (change.kind != LoggedChange::Kind::Deleted)
        change.after = entryAt(query, 10, change.id);
    return change;
}

std::optional<QVector<LoggedChange>> readLog(const Statement &statement, QString &error)
{
    if (!changeLogPresent()) {
        error = QStringLiteral("bu defterin değişiklik kaydı yok");
        return std::nullopt;
    }
    QSqlQuery query(phoneBookDb);
    query.setForwardOnly(true);
    if (!runStatement(query, statement)) {
        error = query.lastError().text();
        return std::nullopt;
    }
    QVector<LoggedChange> changes;
    while (query.next())
        changes << changeOf(query);
    if (query.lastError().isValid()) {
        error = query.lastError().text();
        return std::nullopt;
    }
    return changes;
}

} // namespace

std::optional<QVector<LoggedChange>> entryHistory(qint64 id, QString &error)
{
    return readLog(loggedHistoryStatement(id), error);
}

std::optional<QVector<LoggedChange>> deletedEntries(QString &error)
{
    return readLog(loggedDeletionsStatement(), error);
}

std::optional<QVector<LoggedChange>> changesSince(const QDateTime &time, QString &error)
{
    return readLog(loggedSinceStatement(time), error);
}

qint64 newestRevision(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!runStatement(query, newestRevisionStatement()) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

bool changedAfter(const QSqlDatabase &db, qint64 revision, QVector<qint64> &ids, qint64 &newest,
                  int most)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!runStatement(query, loggedAfterStatement(revision, most > 0 ? most + 1 : 0)))
        return false;
    newest = revision;
    QVector<qint64> order;
    while (query.next()) {
        newest = query.value(0).toLongLong();
        order << query.value(1).toLongLong();
    }
    if (query.lastError().isValid() || (most > 0 && order.size() > most))
        return false;
    // Each id once, where it was changed last.
    QSet<qint64> seen;
    ids.clear();
    for (auto id = order.crbegin(); id != order.crend(); ++id)
        if (!seen.contains(*id)) {
            seen.insert(*id);
            ids.append(*id);
        }
    std::reverse(ids.begin(), ids.end());
    return true;
}

bool readLoggedChanges(const QSqlDatabase &db, qint64 revision, qint64 &newest,
                       QVector<Entry> &present, QVector<qint64> &gone, int mostIds, int mostRows)
{
    QVector<qint64> ids;
    if (!changedAfter(db, revision, ids, newest, mostRows) || ids.size() > mostIds ||
        !readEntriesOn(db, ids, present))
        return false;
    QSet<qint64> stored;
    for (const Entry &entry : present)
        stored << entry.id;
    for (const qint64 id : ids)
        if (!stored.contains(id))
            gone << id;
    // Ascending, as the index and the order take them.
    std::sort(present.begin(), present.end(),
              [](const Entry &a, const Entry &b) { return a.id < b.id; });
    std::sort(gone.begin(), gone.end());
    return true;
}

bool forgetDeleted(const QVector<LoggedChange> &deletions, QString &error)
{
    WriteTransaction transaction;
    if (!transaction.began()) {
        error = transaction.error().text();
        return false;
    }
    QSqlQuery query(phoneBookDb);
    for (const LoggedChange &deletion : deletions)
        if (!runStatement(query, forgetLoggedStatement(deletion.id, deletion.revision)) ||
            !runStatement(query, forgetEarlierLivesStatement(deletion.before, deletion.revision))) {
            error = query.lastError().text();
            return false;
        }
    if (!transaction.commit()) {
        error = transaction.error().text();
        return false;
    }
    return true;
}

int keptDays(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!runStatement(query, settingStatement(keptDaysKey)) || !query.next())
        return defaultKeptDays;
    bool number = false;
    const int days = query.value(0).toString().toInt(&number);
    return number && days > 0 ? days : defaultKeptDays;
}

bool setKeptDays(int days, QString &error)
{
    QSqlQuery query(phoneBookDb);
    if (!runStatement(query, storeSettingStatement(keptDaysKey, QString::number(days)))) {
        error = query.lastError().text();
        return false;
    }
    return true;
}

int pruneLog(const QSqlDatabase &db, const QDateTime &now)
{
    QSqlQuery query(db);
    if (!runStatement(query, pruneLogStatement(now.addDays(-keptDays(db)))))
        return -1;
    return query.numRowsAffected();
}
