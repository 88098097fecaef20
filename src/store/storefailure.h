#pragma once

#include <QString>

class QSqlError;

// Why a statement failed, as far as the user can act on it.
enum class FailureKind {
    // Anything else: the database's own text says why.
    Other,
    // The role or the file may not be written (SQLSTATE 42501, SQLite's read-only file).
    Refused,
    // Another desk holds the entry or the book: its lock did not come free in time.
    Busy,
    // The server is gone, or the book was never opened.
    Unreachable,
    // The connection went while the change was committed, and no server can say yet
    // whether it was: the next save of it finds out first, so that it is never made twice.
    OutcomeUnknown,
};

FailureKind failureKind(const QSqlError &error);

// Why, for a sentence of its own: the database's text alone for other failures.
QString failureReason(FailureKind kind, const QString &databaseText);
// What a failure box says: a Turkish sentence first, the database's text after it on its own
// line; for other failures "HATA" followed directly by the text, as the save always said.
QString failureMessage(FailureKind kind, const QString &databaseText);
