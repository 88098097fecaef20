#pragma once

#include "changelog/loggedchange.h"
#include "store/entrieschange.h"

// What the log brings back, as one change of the book that can itself be taken back.

// Deleted entries stored again: under their old ids where those are free, as new entries
// where another entry took them meanwhile.
EntriesChange restoringDeleted(const QVector<LoggedChange> &deletions, QString &error);

// The book as it was at the time the changes since it began: each entry changed since is
// given back its values of then, added again or taken away.
struct BookRollback {
    EntriesChange change;
    int restored = 0;
    int changed = 0;
    int removed = 0;
};
BookRollback rollingBack(const QVector<LoggedChange> &since, QString &error);

// Applies the change; what was applied, its new entries as restored under the ids they got,
// goes to applied, so that taking it back removes exactly those.
Change applyRestoring(const EntriesChange &change, EntriesChange &applied);
