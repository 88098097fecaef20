#pragma once

#include "store/entrieschange.h"

#include <QStringList>

// Entries of the book that are the same person (see SamePeople), in groups, each merged
// into its oldest entry (the smallest id): its empty fields filled from the others, which
// are deleted; where values differ the oldest entry's stay.
struct DuplicateMerge {
    int groups = 0;
    // Entries in the groups, the oldest included.
    int entries = 0;
    EntriesChange change;
    // What the merge loses: numbers that fit in no field, addresses other than the kept one.
    int droppedNumbers = 0;
    int droppedMails = 0;
    // For each group: the entries merged, the fields filled, what did not fit or differed.
    QStringList details;
};

// The entries in ascending order of their ids, as readEveryEntry gives them.
DuplicateMerge planDuplicateMerge(const QVector<Entry> &book);
