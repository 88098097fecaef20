#pragma once

#include "store/statements.h"

#include <QDateTime>

// The statements that read and keep the change log (see booklog.h), the same columns on
// both books: revision, time (UTC, ISO 8601 text), who, operation, id, group (as text),
// then the entry's four texts before and after.
Statement loggedHistoryStatement(qint64 id);
// Each deletion not undone since by the same values stored again, newest first.
Statement loggedDeletionsStatement();
Statement loggedSinceStatement(const QDateTime &time);
// The revisions and ids of what was changed after the revision, oldest first.
// The rows after the revision, at most `most` of them when it is above zero.
Statement loggedAfterStatement(qint64 revision, int most = 0);
Statement newestRevisionStatement();
// An entry's rows up to its deletion, taken out for good.
Statement forgetLoggedStatement(qint64 id, qint64 upToRevision);
// The rows of the same entry's earlier lives, each up to a deletion that its storing again
// undid: an entry forgotten for good does not come back into Silinenler from them.
Statement forgetEarlierLivesStatement(const Entry &values, qint64 beforeRevision);
Statement pruneLogStatement(const QDateTime &before);
Statement settingStatement(const QString &key);
Statement storeSettingStatement(const QString &key, const QString &value);

// How a time goes into and comes out of the log.
QString logTimeText(const QDateTime &time);
QDateTime logTime(const QString &text);
