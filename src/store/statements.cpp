#include "store/statements.h"

#include "search/folding.h"

#include <QSqlQuery>

namespace
{

QString withoutLoneSurrogates(const QString &text)
{
    QString valid;
    valid.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            valid.append(c).append(text.at(++i));
        else if (!c.isSurrogate())
            valid.append(c);
    }
    return valid;
}

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

} // namespace

Statement selectAllStatement()
{
    return {QStringLiteral("SELECT *FROM TELEFON"), {}};
}

Statement searchStatement(const QString &text, bool withSearchFunctions)
{
    Statement search = {QStringLiteral("SELECT *FROM TELEFON WHERE adsoyad LIKE ?"),
                        {textValue(QLatin1Char('%') + text + QLatin1Char('%'))}};
    if (!withSearchFunctions || !looksLikePhoneNumber(text))
        return search;
    const QByteArray key = phoneNumberKey(text);
    if (key.isEmpty())
        return search;
    search.text =
        QStringLiteral("SELECT *FROM TELEFON WHERE name_or_number(?, ?, adsoyad, telefon, cep)");
    search.values << QString::fromLatin1(key);
    return search;
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
