#pragma once

#include "store/entry.h"

#include <QDateTime>

// One row of the book's change log: what happened to one entry, when and by whom.
struct LoggedChange {
    enum class Kind { Added, Changed, Deleted };
    qint64 revision = 0;
    QDateTime time;
    QString who;
    Kind kind = Kind::Changed;
    qint64 id = 0;
    // Changes made together (one transaction, or one statement of another program) share it.
    QString group;
    // The entry before and after, each with the id; the one that does not exist is empty.
    Entry before;
    Entry after;
};

// The entry's fields that differ between two versions: "telefon: 0212 1 → 0212 2".
QStringList changedFields(const Entry &before, const Entry &after);
