#pragma once

#include <QSqlError>
#include <QSqlQuery>

// A transaction on phoneBookDb that takes the write lock at once (waiting for it as long as
// the connection waits for any lock), so that what is read inside is what the writes
// replace: with a deferred start, another program's commit in between would make the
// writes fail at once. Rolled back unless committed.
class WriteTransaction
{
public:
    WriteTransaction();
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;

    bool began() const { return begun; }
    bool commit();
    // Why it could not begin or commit.
    QSqlError error() const { return query.lastError(); }

private:
    QSqlQuery query;
    bool begun = false;
    bool ended = false;
};
