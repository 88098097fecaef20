#pragma once

#include "store/entry.h"

#include <QPair>
#include <QString>
#include <QVector>

#include <functional>

class QSqlDatabase;

// What the list needs of the phone book besides the entries themselves: which ids a
// search lists, how many entries there are, the values of one column for sorting, and
// whether another program changed the file since.

// The ids of every entry, in stored order.
QVector<qint64> allIds();
// The ids of the entries the search text finds, in stored order: every word of the text
// (split at white space) in the name or the mail, folded for Turkish; % and _ are wildcards
// inside a word. A text that reads as a phone number also finds it in the phone or mobile.
// An empty or all-space text finds every entry.
QVector<qint64> searchIds(const QString &text);
// The same a chunk at a time, in ascending order of the ids: at most limit ids greater than
// after, so that the first screen of a long list is shown before the rest is read.
QVector<qint64> searchIdsAfter(const QString &text, qint64 after, int limit);
qint64 entryCount();

// Every entry's id with its value in that column (a null text for NULL).
QVector<QPair<qint64, QString>> columnValues(EntryColumn column);
// The same read on db, asking goOn now and then whether to; false when it failed or
// goOn said to stop.
bool readColumnValues(const QSqlDatabase &db, EntryColumn column,
                      QVector<QPair<qint64, QString>> &values,
                      const std::function<bool()> &goOn = {});
// The longest values in the column, by characters, with their ids: the candidates for its
// widest text.
QVector<QPair<qint64, QString>> longestValues(EntryColumn column, int count);

// Changes with every commit another connection makes to the file, never with this
// program's own; 0 when it cannot be read. On a server: with every change another
// program made, as the server tells it (see BookWatcher), and with every reconnection.
qint64 bookVersion();
