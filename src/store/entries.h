#pragma once

#include "store/entry.h"
#include "store/storefailure.h"

#include <functional>
#include <optional>

class QSqlDatabase;
class WriteTransaction;
class QSqlError;

// Entries read and changed by id on phoneBookDb: what the list shows a page at a time and
// what taking a change back needs. Every change is one transaction, and changes only what
// is still as the caller last saw it, so nothing another program saved meanwhile is lost.

enum class ChangeOutcome {
    Done,
    // An entry was changed, deleted or (for a restore) its id taken since: nothing changed.
    ChangedElsewhere,
    // The database refused: nothing changed, the reason is in the error.
    Failed,
};

struct Change {
    ChangeOutcome outcome = ChangeOutcome::Done;
    QString error;
    FailureKind kind = FailureKind::Other;
};

// A failed change as its box tells it (see failureMessage).
QString failureMessage(const Change &change);

// The entries with these ids that still exist, in the order of the ids. A statement that
// fails reads nothing, and sets the error when one is given: a refused read is no deleted
// entry.
std::optional<Entry> readEntry(qint64 id, QSqlError *error = nullptr);
QVector<Entry> readEntries(const QVector<qint64> &ids, QSqlError *error = nullptr);
// The same on a connection of its own (a reading thread's): false when a statement failed.
bool readEntriesOn(const QSqlDatabase &db, const QVector<qint64> &ids, QVector<Entry> &entries);
// Whether the entries are still as expected, read inside the caller's write transaction:
// Done, ChangedElsewhere, or Failed when they could not be read.
Change stillAsExpected(const QVector<Entry> &expected);
// A change the database refused, with its reason.
Change failedWith(const QSqlError &error);
// The transaction committed, or why not: a commit whose answer was lost and whose outcome
// no server can tell yet is told as such.
Change committedOrWhyNot(WriteTransaction &transaction);

// Reads every entry of the book on the given connection, in ascending order of the ids,
// handing each to take until it answers false. Returns whether all were read.
bool readEveryEntry(const QSqlDatabase &db, const std::function<bool(const Entry &)> &take);

// Adds a new entry; its id, the database's, goes into the entry.
Change addEntry(Entry &entry);
// Stores the entries again under their own ids; all of them, or none when any id is taken.
Change restoreEntries(const QVector<Entry> &entries);
// Deletes the entries; all of them, or none when any of them is no longer as given.
Change removeEntries(const QVector<Entry> &expected);
// Deletes the entry with the id whatever it holds; none is a success.
Change removeEntry(qint64 id);
// Replaces the entry's texts when it is still as expected.
Change replaceEntry(const Entry &expected, const Entry &replacement);
