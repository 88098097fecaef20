#pragma once

#include "store/phonebookdb.h"

#include <QString>

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
// Counts the connections made, so that what lives on one (a subscription) is made again.
quint64 serverConnectionCount();

// Notifications the connection received while it ran a statement, which the driver only
// looks for when more arrive, counted as changes when another program sent them.
void takeWaitingNotifications(const QString &channel);

// Changes other programs made, as the server told of them, and reconnections.
qint64 serverChanges();
void noteServerChange();
