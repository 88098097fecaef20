#include "exchange/importer.h"

#include "search/folding.h"
#include "store/phonebookdb.h"
#include "store/statements.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace
{

QString identity(const Contact &contact)
{
    const QChar separator(0x1F); // never in a trimmed field that matters here
    return foldForSearch(contact.adsoyad.trimmed()) + separator +
           QString::fromLatin1(phoneNumberKey(contact.telefon)) + separator +
           QString::fromLatin1(phoneNumberKey(contact.cep)) + separator +
           contact.mail.trimmed().toCaseFolded();
}

Contact trimmed(const Contact &contact)
{
    return {contact.adsoyad.trimmed(), contact.telefon.trimmed(), contact.cep.trimmed(),
            contact.mail.trimmed()};
}

} // namespace

QVector<Contact> contactsOf(QSqlQuery &query)
{
    const QSqlRecord record = query.record();
    const int columns[] = {
        record.indexOf(QStringLiteral("adsoyad")), record.indexOf(QStringLiteral("telefon")),
        record.indexOf(QStringLiteral("cep")), record.indexOf(QStringLiteral("mail"))};
    QVector<Contact> contacts;
    while (query.next()) {
        auto text = [&query](int column) {
            return column < 0 ? QString() : query.value(column).toString();
        };
        contacts.append({text(columns[0]), text(columns[1]), text(columns[2]), text(columns[3])});
    }
    return contacts;
}

ImportPlan planImport(const QSqlDatabase &db, const ContactFile &file)
{
    QSet<QString> known;
    QSqlQuery book(db);
    if (runStatement(book, selectAllStatement()))
        for (const Contact &entry : contactsOf(book))
            known.insert(identity(entry));
    ImportPlan plan;
    plan.found = file.contacts.size();
    plan.unreadable = file.unreadable;
    QSet<QString> seen;
    for (const Contact &contact : file.contacts) {
        const Contact entry = trimmed(contact);
        const QString id = identity(entry);
        if (known.contains(id)) {
            ++plan.existing;
        } else if (seen.contains(id)) {
            ++plan.repeated;
        } else {
            seen.insert(id);
            plan.fresh << entry;
        }
    }
    return plan;
}

bool runImport(QSqlDatabase &db, const QVector<Contact> &fresh, QString &error,
               const Progress &progress, QVector<qint64> *addedIds)
{
    QSqlQuery query(db);
    if (!ensurePhoneBookTable(query) || !db.transaction()) {
        error = (query.lastError().isValid() ? query.lastError() : db.lastError()).text();
        return false;
    }
    auto giveUp = [&](const QString &why) {
        error = why;
        query.finish();
        db.rollback();
        return false;
    };
    const Statement insert = insertStatement({}, {}, {}, {});
    if (!query.prepare(insert.text))
        return giveUp(query.lastError().text());
    QVector<qint64> ids;
    ids.reserve(fresh.size());
    for (const Contact &contact : fresh) {
        if (progress && !progress(ids.size(), fresh.size()))
            return giveUp(QStringLiteral("durduruldu, hiçbir kişi eklenmedi"));
        const Statement values =
            insertStatement(contact.adsoyad, contact.telefon, contact.cep, contact.mail);
        for (int i = 0; i < values.values.size(); ++i)
            query.bindValue(i, values.values.at(i));
        if (!query.exec())
            return giveUp(query.lastError().text());
        ids << insertedId(query);
    }
    query.finish();
    if (!db.commit()) {
        error = db.lastError().text();
        db.rollback();
        return false;
    }
    if (addedIds)
        *addedIds = ids;
    return true;
}
