#include "store/statements.h"

#include "search/folding.h"
#include "search/searchquery.h"
#include "store/dialect.h"
#include "store/writetransaction.h"

#include <QSqlQuery>
#include <QVariant>

namespace
{

bool onServer()
{
    return bookDialect() == Dialect::Server;
}

// A null QString binds as SQL NULL; an empty field must be stored as ''. The server's text
// cannot hold U+0000, which SQLite keeps.
QVariant textValue(const QString &text)
{
    if (text.isNull())
        return QString::fromLatin1("");
    QString valid = text;
    for (const QChar c : text)
        if (c.isSurrogate()) {
            valid = withoutLoneSurrogates(text);
            break;
        }
    if (onServer())
        valid.remove(QChar(0));
    return valid;
}

// The server's LIKE takes a backslash as its escape character; here every character but
// % and _ stands for itself, as in SQLite.
QString likeLiteral(const QString &text)
{
    return onServer() ? QString(text).replace(QLatin1Char('\\'), QStringLiteral("\\\\")) : text;
}

QString idsOrdered(const QString &select)
{
    // The server keeps no insertion order: rows move as they are updated.
    return onServer() ? select + QStringLiteral(" ORDER BY id") : select;
}

// On the server the search reads the folded texts and number keys stored beside each
// entry; where they could not be made, the case-insensitive LIKE stands in.
Statement serverSearchCondition(const QString &text, const QStringList &words)
{
    Statement search{QStringLiteral("("), {}};
    const bool folded = serverSearchColumns();
    for (int i = 0; i < words.size(); ++i) {
        search.text += i > 0 ? QStringLiteral(" AND ") : QString();
        // No text on the server holds U+0000: a word with one finds nothing.
        if (words.at(i).contains(QChar(0))) {
            search.text += QStringLiteral("FALSE");
            continue;
        }
        search.text += folded ? QStringLiteral("(adsoyad_katli LIKE ? OR mail_katli LIKE ?)")
                              : QStringLiteral("(adsoyad ILIKE ? OR mail ILIKE ?)");
        const QString word = folded ? foldForSearch(words.at(i)) : words.at(i);
        const QVariant pattern = textValue(QLatin1Char('%') + likeLiteral(word) + QLatin1Char('%'));
        search.values << pattern << pattern;
    }
    search.text += QLatin1Char(')');
    const QByteArray key = looksLikePhoneNumber(text) ? phoneNumberKey(text) : QByteArray();
    if (folded && !key.isEmpty()) {
        search.text += QStringLiteral(" OR telefon_anahtari LIKE ? OR cep_anahtari LIKE ?");
        const QString pattern = QLatin1Char('%') + QString::fromLatin1(key) + QLatin1Char('%');
        search.values << pattern << pattern;
    }
    return search;
}

// Which entries the search text finds, as a condition on TELEFON's rows; an empty text
// when it finds every entry.
Statement searchCondition(const QString &text, bool withSearchFunctions)
{
    const QStringList words = searchWords(text);
    if (words.isEmpty())
        return {};
    if (onServer())
        return serverSearchCondition(text, words);
    if (withSearchFunctions && looksLikePhoneNumber(text))
        return {QStringLiteral("phone_book_search(?, adsoyad, mail, telefon, cep)"),
                {textValue(text)}};
    if (withSearchFunctions)
        return {QStringLiteral("phone_book_search(?, adsoyad, mail)"), {textValue(text)}};
    Statement search;
    for (int i = 0; i < words.size(); ++i) {
        search.text += (i > 0 ? QStringLiteral(" AND ") : QString()) +
                       QStringLiteral("(adsoyad LIKE ? OR mail LIKE ?)");
        const QVariant pattern = textValue(QLatin1Char('%') + words.at(i) + QLatin1Char('%'));
        search.values << pattern << pattern;
    }
    return search;
}

// A restored entry keeps a NULL that another program stored.
QVariant nullableText(const QString &text)
{
    return text.isNull() ? QVariant(QVariant::String) : textValue(text);
}

QString columnName(EntryColumn column)
{
    switch (column) {
    case EntryColumn::Name:
        return QStringLiteral("adsoyad");
    case EntryColumn::Phone:
        return QStringLiteral("telefon");
    case EntryColumn::Mobile:
        return QStringLiteral("cep");
    case EntryColumn::Mail:
        break;
    }
    return QStringLiteral("mail");
}

} // namespace

Statement selectAllStatement()
{
    // The server's table holds the search columns too, which are no entry's texts.
    if (onServer())
        return {QStringLiteral("SELECT id, adsoyad, telefon, cep, mail FROM TELEFON ORDER BY id"),
                {}};
    return {QStringLiteral("SELECT *FROM TELEFON"), {}};
}

Statement allIdsStatement()
{
    return {idsOrdered(QStringLiteral("SELECT id FROM TELEFON")), {}};
}

Statement searchIdsStatement(const QString &text, bool withSearchFunctions)
{
    const Statement condition = searchCondition(text, withSearchFunctions);
    if (condition.text.isEmpty())
        return allIdsStatement();
    return {idsOrdered(QStringLiteral("SELECT id FROM TELEFON WHERE ") + condition.text),
            condition.values};
}

Statement searchIdsAfterStatement(const QString &text, bool withSearchFunctions, qint64 after,
                                  int limit)
{
    Statement condition = searchCondition(text, withSearchFunctions);
    condition.values << after << limit;
    return {QStringLiteral("SELECT id FROM TELEFON WHERE ") +
                (condition.text.isEmpty() ? QString()
                                          : QStringLiteral("(%1) AND ").arg(condition.text)) +
                QStringLiteral("id > ? ORDER BY id LIMIT ?"),
            condition.values};
}

Statement entriesStatement(const QVector<qint64> &ids)
{
    Statement entries = entriesReadStatement(ids);
    // Inside a write the rows read are the rows written: another desk's change waits.
    if (onServer() && WriteTransaction::open())
        entries.text += QStringLiteral(" FOR UPDATE");
    return entries;
}

Statement entriesReadStatement(const QVector<qint64> &ids)
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
    // The server gives the id itself and tells it; its identity column refuses NULL.
    if (onServer())
        return {QStringLiteral("INSERT INTO TELEFON (adsoyad, telefon, cep, mail) "
                               "VALUES(?,?,?,?) RETURNING id"),
                {textValue(adsoyad), textValue(telefon), textValue(cep), textValue(mail)}};
    return {QStringLiteral("INSERT INTO TELEFON (id, adsoyad, telefon, cep, mail) "
                           "VALUES(NULL,?,?,?,?);"),
            {textValue(adsoyad), textValue(telefon), textValue(cep), textValue(mail)}};
}

Statement updateStatement(const QString &adsoyad, const QString &telefon, const QString &cep,
                          const QString &mail, qint64 id)
{
    if (onServer())
        return {QStringLiteral("UPDATE TELEFON SET adsoyad=?, telefon=?, cep=?, mail=? WHERE id=?"),
                {textValue(adsoyad), textValue(telefon), textValue(cep), textValue(mail), id}};
    return {QStringLiteral("UPDATE TELEFON SET adsoyad=?, telefon=?, cep=?, mail=? WHERE id=") +
                QString::number(id, 10),
            {textValue(adsoyad), textValue(telefon), textValue(cep), textValue(mail)}};
}

Statement deleteStatement(qint64 id)
{
    if (onServer())
        return {QStringLiteral("DELETE FROM TELEFON WHERE id=?"), {id}};
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

Statement countStatement()
{
    return {QStringLiteral("SELECT count(*) FROM TELEFON"), {}};
}

Statement everyEntryStatement()
{
    return {QStringLiteral("SELECT id, adsoyad, telefon, cep, mail FROM TELEFON ORDER BY id"), {}};
}

Statement columnValuesStatement(EntryColumn column)
{
    return {QStringLiteral("SELECT id, %1 FROM TELEFON").arg(columnName(column)), {}};
}

Statement longestValuesStatement(EntryColumn column, int count)
{
    return {QStringLiteral("SELECT id, %1 FROM TELEFON ORDER BY length(%1) DESC LIMIT %2")
                .arg(columnName(column))
                .arg(count),
            {}};
}

Statement beginWriteStatement()
{
    // SQLite takes its write lock at once; the server locks the rows read FOR UPDATE.
    return {onServer() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"), {}};
}

qint64 insertedId(QSqlQuery &query)
{
    if (onServer())
        return query.next() ? query.value(0).toLongLong() : 0;
    return query.lastInsertId().toLongLong();
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
