#pragma once

#include "carddav/cardtext.h"
#include "store/entry.h"

#include <QStringList>
#include <QUrl>
#include <QVector>

#include <functional>

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

SyncOutcome syncWithPhones(const SyncRequest &request, const std::function<bool()> &goOn = {});
