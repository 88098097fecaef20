#include "sync/cardlinks.h"

#include "store/phonebookdb.h"
#include "store/writetransaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace
{

bool run(QSqlQuery &query, const QString &text, const QVariantList &values, QString &error)
{
    if (!query.prepare(text)) {
        error = query.lastError().text();
        return false;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    return true;
}

// An empty text, not NULL, which the columns refuse.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

QString saveStatement()
{
    return QStringLiteral("INSERT INTO TELEFON_KART (kimlik, adres, uid, etag, kart) VALUES "
                          "(?, ?, ?, ?, ?) ON CONFLICT (kimlik) DO UPDATE SET adres = "
                          "excluded.adres, uid = excluded.uid, etag = excluded.etag, kart = "
                          "excluded.kart");
}

QVariantList valuesOf(const CardLink &link)
{
    return {link.entry, text(link.href), text(link.uid), text(link.etag),
            text(QString::fromUtf8(link.card))};
}

} // namespace

std::optional<QVector<CardLink>> readCardLinks(QString &error)
{
    QSqlQuery query(phoneBookDb);
    query.setForwardOnly(true);
    if (!run(query, QStringLiteral("SELECT kimlik, adres, uid, etag, kart FROM TELEFON_KART"), {},
             error))
        return std::nullopt;
    QVector<CardLink> links;
    while (query.next())
        links.append({query.value(0).toLongLong(), query.value(1).toString(),
                      query.value(2).toString(), query.value(3).toString(),
                      query.value(4).toString().toUtf8()});
    if (query.lastError().isValid()) {
        error = query.lastError().text();
        return std::nullopt;
    }
    return links;
}

bool saveCardLink(const CardLink &link, QString &error)
{
    QSqlQuery query(phoneBookDb);
    return run(query, saveStatement(), valuesOf(link), error);
}

bool saveCardLinks(const QVector<CardLink> &links, QString &error)
{
    WriteTransaction transaction;
    if (!transaction.began()) {
        error = transaction.error().text();
        return false;
    }
    QSqlQuery query(phoneBookDb);
    for (const CardLink &link : links)
        if (!run(query, saveStatement(), valuesOf(link), error))
            return false;
    if (!transaction.commit()) {
        error = transaction.error().text();
        return false;
    }
    return true;
}

bool forgetCardLink(qint64 entry, QString &error)
{
    QSqlQuery query(phoneBookDb);
    return run(query, QStringLiteral("DELETE FROM TELEFON_KART WHERE kimlik = ?"), {entry}, error);
}

QString syncToken(const QString &book)
{
    QSqlQuery query(phoneBookDb);
    QString error;
    if (!run(query, QStringLiteral("SELECT jeton FROM TELEFON_ESITLEME WHERE rehber = ?"), {book},
             error) ||
        !query.next())
        return {};
    return query.value(0).toString();
}

bool saveSyncToken(const QString &book, const QString &token, QString &error)
{
    QSqlQuery query(phoneBookDb);
    return run(query,
               QStringLiteral("INSERT INTO TELEFON_ESITLEME (rehber, jeton) VALUES (?, ?) ON "
                              "CONFLICT (rehber) DO UPDATE SET jeton = excluded.jeton"),
               {text(book), text(token)}, error);
}
