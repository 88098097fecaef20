#pragma once

#include <QString>

class QSqlQuery;

// The book's change log in database.db: every insert, update and delete of TELEFON,
// whoever makes it, recorded by triggers in the same transaction with a growing revision
// (surum), the time, who made it and the entry's values before and after. The triggers use
// SQLite's own SQL only, so that another program writing the file keeps working and is
// recorded too (as "başka bir program"); this program names its own changes when it
// commits them (see WriteTransaction). Beside it, the book's own settings (TELEFON_AYAR)
// and its links to the phones' address book (see cardLinkSteps).

// Who the log names for another program's changes to database.db.
QString otherProgramName();

// Makes what is missing of the log; what exists is left as it is. False, with the reason
// in the query, when it could not be made (a lock, a full disk, a read-only file).
bool ensureBookLog(QSqlQuery &query);

// The newest revision logged (0 when none), read inside a write transaction.
qint64 newestRevision(QSqlQuery &query);
// Names this program's changes logged after that revision, inside the same transaction,
// which holds the file's write lock: every row after it is this transaction's own. They
// are one group, named by their first revision.
bool nameOwnChanges(QSqlQuery &query, qint64 after, const QString &who);
