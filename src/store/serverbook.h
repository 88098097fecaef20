#pragma once

#include "store/entry.h"
#include "store/phonebookdb.h"

#include <QString>

#include <optional>

// The phone book on a PostgreSQL server, on phoneBookDb: opened with the address the user
// named, its schema made or found, and opened again when the connection is lost.

PhoneBookOpening openServerBook(const QString &uri);
void closeServerBook();

// Connects again when the connection no longer answers (the server restarted, the network
// dropped it); true when it answers. Never inside a transaction.
bool keepServerConnection(QString &error);
// Whether the connection no longer answers: a failed statement was the network's or the
// server's going, not the statement's.
bool serverConnectionLost();
// The id of the transaction under way on phoneBookDb; -1 when it cannot be read.
qint64 serverTransactionId();
// After the answer to a COMMIT was lost with the connection: whether that transaction
// committed, asked on a new connection (to the standby promoted in the primary's place,
// say); nullopt while no server answers or it cannot tell yet.
std::optional<bool> serverCommitted(qint64 transaction);
// A save of a new entry whose COMMIT's answer was lost with the connection: its transaction
// and the entry as saved, asked after at the next such save; forgotten with the book.
struct LostAddition {
    qint64 transaction;
    Entry entry;
};
std::optional<LostAddition> &lostAddition();
// Counts the connections made, so that what lives on one (a subscription) is made again.
quint64 serverConnectionCount();

// Notifications the connection received while it ran a statement, which the driver only
// looks for when more arrive, counted as changes when another program sent them.
void takeWaitingNotifications(const QString &channel);

// Changes other programs made, as the server told of them, and reconnections.
qint64 serverChanges();
void noteServerChange();
