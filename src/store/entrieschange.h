#pragma once

#include "store/entries.h"

#include <QPair>

#include <functional>

// Several entries changed at once, as an import that completes entries or a merge of
// duplicates changes them: one transaction, all of it or nothing.
struct EntriesChange {
    // Each entry as the caller last saw it, and what it becomes (the same id).
    QVector<QPair<Entry, Entry>> replaced;
    // Deleted, as the caller last saw them.
    QVector<Entry> removed;
    // Stored again under their own ids, which must be free.
    QVector<Entry> restored;
    // New entries; their ids are the database's.
    QVector<Entry> inserted;
    // Left as they are, but what the change was planned on: a merge's oldest entry, which
    // the others' numbers were checked against.
    QVector<Entry> kept;

    bool isEmpty() const
    {
        return replaced.isEmpty() && removed.isEmpty() && restored.isEmpty() && inserted.isEmpty();
    }
};

// Told of every entry inserted (done of total); answers false to stop, which rolls back.
using InsertProgress = std::function<bool(qint64 done, qint64 total)>;

// Applies the change on phoneBookDb when every entry it replaces or removes is still as
// given and every id it restores is free; otherwise nothing changes. The ids of the
// inserted entries, in their order, go to insertedIds.
Change applyEntriesChange(const EntriesChange &change, QVector<qint64> *insertedIds = nullptr,
                          const InsertProgress &progress = {});

// What takes an applied change back, its inserted entries given as restored under the
// ids they got.
EntriesChange reversed(const EntriesChange &applied);
