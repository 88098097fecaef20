#pragma once

#include "carddav/cardtext.h"
#include "exchange/progress.h"
#include "store/entry.h"
#include "store/phonebookdb.h"

#include <QStringList>
#include <QUrl>
#include <QVector>

#include <functional>
#include <optional>

// Both ways between the open book and one CardDAV address book, once: what the phones
// changed comes into the book, what the desks changed goes out, by the cards' versions and
// the server's sync token; an entry and its card stay linked (see CardLink). When both
// sides changed one entry, the server's version stays unless the desk's is asked to win;
// either way both are told. A delete on one side deletes on the other (the book's into
// Silinenler). The token moves on only when everything it names is in, so a sync cut off
// anywhere is finished by the next, and nothing is sent or added twice.
struct SyncRequest {
    QUrl address;
    QString user;
    QString password;
    bool localWins = false;
    // When given, asked for each conflict: whether the desk's version stays.
    std::function<bool(const Entry &desk, const CardFields &server)> keepDesk;
    // When given, every touch of the book (and keepDesk) is handed to it to run where the
    // book's connection lives, while the sync waits on the network on a thread of its own;
    // false when it would not (the sync is being stopped). Else run in the calling thread.
    std::function<bool(const std::function<void()> &touch)> onBookThread;
    // When given, the whole book is read on a connection of the sync's own, so that a large
    // book holds up no one while it is read.
    std::optional<BookAddress> readFrom;
};

struct SyncOutcome {
    // Empty when synced; why not otherwise, in Turkish.
    QString error;
    QUrl book;
    int added = 0, changed = 0, deleted = 0;
    int sent = 0, removed = 0, linked = 0;
    // Each conflict's both versions, one line each.
    QStringList conflicts;
    // Cards left as they are: too large to read, say.
    QStringList skipped;
    int requests = 0;
    // The book's entries the sync added or changed, and those it deleted, for a window to
    // show.
    QVector<Entry> present;
    QVector<qint64> gone;
};

// Told how far the sync has come; false stops it (between requests, or cutting one off).
SyncOutcome syncWithPhones(const SyncRequest &request, const Progress &progress = {});
