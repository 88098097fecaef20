#pragma once

#include <QSqlError>
#include <QSqlQuery>

// A transaction on phoneBookDb whose reads are what its writes replace: SQLite's takes the
// write lock at once (waiting for it as long as the connection waits for any lock; with a
// deferred start, another program's commit in between would make the writes fail at once),
// the server's locks the entries it reads. Rolled back unless committed.
class WriteTransaction
{
public:
    WriteTransaction();
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;

    bool began() const { return begun; }
    // Whether one has begun and not ended yet.
    static bool open() { return openCount > 0; }
    // On a server whose answer to the COMMIT is lost with the connection, the server
    // reached again says whether it committed, if it can tell yet.
    bool commit();
    bool outcomeUnknown() const { return unknown; }
    // The server's id of this transaction; -1 on database.db.
    qint64 id() const { return transactionId; }
    // Why it could not begin or commit.
    QSqlError error() const { return query.lastError(); }

private:
    QSqlQuery query;
    // On database.db: the log's newest revision when it began; what follows is this one's.
    qint64 loggedBefore = -1;
    qint64 transactionId = -1;
    bool begun = false;
    bool ended = false;
    bool unknown = false;
    static int openCount;
};
