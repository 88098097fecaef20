#pragma once

#include <QString>
#include <QVariantList>

class QSqlQuery;

// One SQL statement as it is sent: the text, with a "?" placeholder wherever user
// text goes, and the values bound to those placeholders in order. User text is never
// spliced into the text, so nothing it holds can change what the statement means.
struct Statement {
    QString text;
    QVariantList values;
};

Statement selectAllStatement();
// The text matches anywhere in the name; % and _ in it stay LIKE wildcards. With the
// search functions installed on the connection, a text that reads as a phone number
// also finds the entries whose phone or mobile holds that number.
Statement searchStatement(const QString &text, bool withSearchFunctions = false);
Statement insertStatement(const QString &adsoyad, const QString &telefon, const QString &cep,
                          const QString &mail);
Statement updateStatement(const QString &adsoyad, const QString &telefon, const QString &cep,
                          const QString &mail, int id);
Statement deleteStatement(int id);

// Runs the statement on the query; the outcome is the query's, as QSqlQuery::exec reports it.
bool runStatement(QSqlQuery &query, const Statement &statement);
