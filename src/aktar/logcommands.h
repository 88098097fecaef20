#pragma once

#include <QByteArrayList>

// What telefon-defteri-aktar does with the book's change log, on the open book; each
// returns the exit status (0 done, 1 failed with a sentence on standard error, 2 wrong
// usage).
//   silinenler              the deleted entries Silinenler lists, as CSV on standard output
//   geri-getir ID...        those entries stored again (under their old ids where free)
//   gecmis ID               the entry's versions, as CSV
//   saklama [GÜN]           how many days the log keeps a change, or sets it
bool isLogCommand(const QByteArray &command);
// Whether the words after the command are what it takes.
bool logCommandWellFormed(const QByteArray &command, const QByteArrayList &arguments);
// Whether it changes the book, which a book opened read-only cannot.
bool logCommandWrites(const QByteArray &command, const QByteArrayList &arguments);
int runLogCommand(const QByteArray &command, const QByteArrayList &arguments);
