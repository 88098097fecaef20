#pragma once

#include "store/entry.h"

#include <functional>
#include <optional>

class QSqlDatabase;

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
};

std::optional<Entry> readEntry(qint64 id);
// The entries with these ids that still exist, in the order of the ids.
QVector<Entry> readEntries(const QVector<qint64> &ids);

// Reads every entry of the book on the given connection, in ascending order of the ids,
// handing each to take until it answers false. Returns whether all were read.
bool readEveryEntry(const QSqlDatabase &db, const std::function<bool(const Entry &)> &take);

// Stores the entries again under their own ids; all of them, or none when any id is taken.
Change restoreEntries(const QVector<Entry> &entries);
// Deletes the entries; all of them, or none when any of them is no longer as given.
Change removeEntries(const QVector<Entry> &expected);
// Deletes the entry with the id whatever it holds; none is a success.
Change removeEntry(qint64 id);
// Replaces the entry's texts when it is still as expected.
Change replaceEntry(const Entry &expected, const Entry &replacement);
