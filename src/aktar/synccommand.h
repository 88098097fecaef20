#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// "esitle --carddav ADRES [--kullanici AD] [--yerel-kazanir]": the book synced once, both
// ways, with the CardDAV address book the staff's phones sync with.
bool isSyncCommand(const QByteArray &command);
bool syncCommandWellFormed(const QList<QByteArray> &words);
// The exit status: 0 synced, 1 not (the reason on stderr).
int runSyncCommand(const QList<QByteArray> &words);
