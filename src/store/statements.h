#pragma once

#include <QString>
#include <QVariantList>

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
// The text matches anywhere in the name; % and _ in it stay LIKE wildcards. With the
// search functions installed on the connection, a text that reads as a phone number
// also finds the entries whose phone or mobile holds that number.
Statement searchStatement(const QString &text, bool withSearchFunctions = false);
// Columns named, so that a table whose columns another program ordered differently
// stores each field in its own column.
Statement insertStatement(const QString &adsoyad, const QString &telefon, const QString &cep,
                          const QString &mail);
Statement updateStatement(const QString &adsoyad, const QString &telefon, const QString &cep,
                          const QString &mail, qint64 id);
Statement deleteStatement(qint64 id);

// Runs the statement on the query; the outcome is the query's, as QSqlQuery::exec reports it.
bool runStatement(QSqlQuery &query, const Statement &statement);
