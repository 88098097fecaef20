#pragma once

#include "changelog/loggedchange.h"

#include <QVector>

#include <optional>

class QSqlDatabase;

// The book's change log as the window and the command line read it, on phoneBookDb unless
// a connection is given. Each read is nullopt when the log cannot be read (a book without
// one, a role that may not read it); the error then says why.

std::optional<QVector<LoggedChange>> entryHistory(qint64 id, QString &error);
// The entries deleted and not stored again under their ids since, newest first: what
// Silinenler lists.
std::optional<QVector<LoggedChange>> deletedEntries(QString &error);
// Every change after the time, oldest first.
std::optional<QVector<LoggedChange>> changesSince(const QDateTime &time, QString &error);

// The newest revision of the log, -1 when it cannot be read.
qint64 newestRevision(const QSqlDatabase &db);
// The ids changed after the revision, in the order of their newest change, and the newest
// revision read; false when the log cannot be read, or holds more than `most` rows after
// the revision when `most` is above zero.
bool changedAfter(const QSqlDatabase &db, qint64 revision, QVector<qint64> &ids, qint64 &newest,
                  int most = 0);
// What changed after the revision, as the log names it: the entries changed, as they are
// now, and the ids gone, each ascending. False when the log cannot be read, or names more
// than `mostIds` ids, or more than `mostRows` rows when that is above zero.
bool readLoggedChanges(const QSqlDatabase &db, qint64 revision, qint64 &newest,
                       QVector<Entry> &present, QVector<qint64> &gone, int mostIds,
                       int mostRows = 0);

// Takes the deleted entries' rows out of the log for good: they leave Silinenler.
bool forgetDeleted(const QVector<LoggedChange> &deletions, QString &error);

// How many days the log keeps a change: the book's own setting, the same for every desk.
constexpr int defaultKeptDays = 30;
int keptDays(const QSqlDatabase &db);
bool setKeptDays(int days, QString &error);
// Takes out what is older than the kept days; the number of rows, -1 on failure.
int pruneLog(const QSqlDatabase &db, const QDateTime &now);
