#include "store/statements.h"

#include "search/folding.h"
#include "search/searchquery.h"

#include <QSqlQuery>

namespace
{

// A null QString binds as SQL NULL; an empty field must be stored as ''.
QVariant textValue(const QString &text)
{
    if (text.isNull())
        return QString::fromLatin1("");
    for (const QChar c : text)
        if (c.isSurrogate())
            return withoutLoneSurrogates(text);
    return text;
}

// A restored entry keeps a NULL that another program stored.
QVariant nullableText(const QString &text)
{
    return text.isNull() ? QVariant(QVariant::String) : textValue(text);
}

} // namespace

Statement selectAllStatement()
{
    return {QStringLiteral("SELECT *FROM TELEFON"), {}};
}

Statement allIdsStatement()
{
    return {QStringLiteral("SELECT id FROM TELEFON"), {}};
}

Statement searchIdsStatement(const QString &text, bool withSearchFunctions)
{
    const QStringList words = searchWords(text);
    if (words.isEmpty())
        return allIdsStatement();
    if (withSearchFunctions && looksLikePhoneNumber(text))
        return {
            QStringLiteral(
                "SELECT id FROM TELEFON WHERE phone_book_search(?, adsoyad, mail, telefon, cep)"),
            {textValue(text)}};
    if (withSearchFunctions)
        return {QStringLiteral("SELECT id FROM TELEFON WHERE phone_book_search(?, adsoyad, mail)"),
                {textValue(text)}};
    Statement search{QStringLiteral("SELECT id FROM TELEFON WHERE "), {}};
    for (int i = 0; i < words.size(); ++i) {
        search.text += (i > 0 ? QStringLiteral(" AND ") : QString()) +
                       QStringLiteral("(adsoyad LIKE ? OR mail LIKE ?)");
        const QVariant pattern = textValue(QLatin1Char('%') + words.at(i) + QLatin1Char('%'));
        search.values << pattern << pattern;
    }
    return search;
}

Statement entriesStatement(const QVector<qint64> &ids)
{
    Statement entries{QStringLiteral("SELECT id, adsoyad, telefon, cep, mail FROM TELEFON WHERE "
                                     "id IN ("),
                      {}};
    for (int i = 0; i < ids.size(); ++i) {
        entries.text += i > 0 ? QStringLiteral(",?") : QStringLiteral("?");
        entries.values << ids.at(i);
    }
    entries.text += QLatin1Char(')');
    return entries;
}

Statement insertStatement(const QString &adsoyad, const QString &telefon, const QString &cep,
                          const QString &mail)
{
    return {QStringLiteral("INSERT INTO TELEFON (id, adsoyad, telefon, cep, mail) "
                           "VALUES(NULL,?,?,?,?);"),
            {textValue(adsoyad), textValue(telefon), textValue(cep), textValue(mail)}};
}

Statement updateStatement(const QString &adsoyad, const QString &telefon, const QString &cep,
                          const QString &mail, qint64 id)
{
    return {QStringLiteral("UPDATE TELEFON SET adsoyad=?, telefon=?, cep=?, mail=? WHERE id=") +
                QString::number(id, 10),
            {textValue(adsoyad), textValue(telefon), textValue(cep), textValue(mail)}};
}

Statement deleteStatement(qint64 id)
{
    return {QStringLiteral("DELETE FROM TELEFON WHERE id=") + QString::number(id, 10), {}};
}

Statement restoreStatement(qint64 id, const QString &adsoyad, const QString &telefon,
                           const QString &cep, const QString &mail)
{
    return {
        QStringLiteral("INSERT INTO TELEFON (id, adsoyad, telefon, cep, mail) "
                       "VALUES(?,?,?,?,?)"),
        {id, nullableText(adsoyad), nullableText(telefon), nullableText(cep), nullableText(mail)}};
}

bool runStatement(QSqlQuery &query, const Statement &statement)
{
    if (statement.values.isEmpty())
        return query.exec(statement.text);
    if (!query.prepare(statement.text))
        return false;
    for (const QVariant &value : statement.values)
        query.addBindValue(value);
    return query.exec();
}
