#pragma once

#include "store/entry.h"

#include <QString>
#include <QVariantList>
#include <QVector>

class QSqlQuery;

// One SQL statement as it is sent: the text, with a "?" placeholder wherever user
// text goes, and the values bound to those placeholders in order. User text is never
// spliced into the text, so nothing it holds can change what the statement means, and
// it is bound as valid text only: a lone surrogate (half an emoji that a line edit's
// length limit cut) is dropped, as SQLite would merge it with the next character.
struct Statement {
    QString text;
    QVariantList values;
};

Statement selectAllStatement();
// The ids a list shows: every entry, or those the search text finds (see searchIds).
// With the search functions installed on the connection the text goes to them whole;
// without, every word is looked for with SQLite's own LIKE in the name or the mail.
Statement allIdsStatement();
Statement searchIdsStatement(const QString &text, bool withSearchFunctions);
// The same, read a chunk at a time: at most limit ids greater than after.
Statement searchIdsAfterStatement(const QString &text, bool withSearchFunctions, qint64 after,
                                  int limit);
// The entries with the given ids, columns named, in no particular order; inside this
// thread's write transaction on a server, locked until it ends.
Statement entriesStatement(const QVector<qint64> &ids);
// The same for a reading on a connection of its own, which locks nothing.
Statement entriesReadStatement(const QVector<qint64> &ids);
// Columns named, so that a table whose columns another program ordered differently
// stores each field in its own column.
Statement insertStatement(const QString &adsoyad, const QString &telefon, const QString &cep,
                          const QString &mail);
Statement updateStatement(const QString &adsoyad, const QString &telefon, const QString &cep,
                          const QString &mail, qint64 id);
Statement deleteStatement(qint64 id);
// An entry stored again under its own id, as it was before it was deleted.
Statement restoreStatement(qint64 id, const QString &adsoyad, const QString &telefon,
                           const QString &cep, const QString &mail);

Statement countStatement();
// Every entry, columns named, in ascending order of the ids.
Statement everyEntryStatement();
Statement columnValuesStatement(EntryColumn column);
// The longest values of the column, by characters.
Statement longestValuesStatement(EntryColumn column, int count);
// Starts a transaction whose reads are what its writes replace.
Statement beginWriteStatement();
// The id the insert statement just run on the query stored.
qint64 insertedId(QSqlQuery &query);

// Runs the statement on the query; the outcome is the query's, as QSqlQuery::exec reports it.
bool runStatement(QSqlQuery &query, const Statement &statement);
