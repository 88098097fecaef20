#include "exchange/importer.h"

#include "exchange/sameperson.h"

#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace
{

Contact trimmed(const Contact &contact)
{
    QStringList unplaced;
    for (const QString &number : contact.unplaced)
        unplaced << number.trimmed();
    return {contact.adsoyad.trimmed(), contact.telefon.trimmed(), contact.cep.trimmed(),
            contact.mail.trimmed(), unplaced};
}

Contact contactOf(const Entry &entry)
{
    return {entry.adsoyad, entry.telefon, entry.cep, entry.mail, {}};
}

Entry entryOf(qint64 id, const Contact &contact)
{
    return {id, contact.adsoyad, contact.telefon, contact.cep, contact.mail};
}

// What the import did to one person, gathered over every contact that is them.
struct Notes {
    QStringList filled, unplaced, differing;

    void add(const Completion &completion)
    {
        filled << completion.filled;
        unplaced << completion.unplaced;
        differing << completion.differing;
    }
    void describe(const QString &name, QStringList &details) const
    {
        const QString separator = QStringLiteral(", ");
        if (!filled.isEmpty())
            details << name + QStringLiteral(" — tamamlanan: ") + filled.join(separator);
        if (!unplaced.isEmpty())
            details << name + QStringLiteral(" — sığmayan numara: ") + unplaced.join(separator);
        if (!differing.isEmpty())
            details << name + QStringLiteral(" — farklı, defterdeki kaldı: ") +
                           differing.join(separator);
    }
};

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
        contacts.append(
            {text(columns[0]), text(columns[1]), text(columns[2]), text(columns[3]), {}});
    }
    return contacts;
}

ImportPlan planImport(const QSqlDatabase &db, const ContactFile &file)
{
    // People are numbered: the book's entries in the order of their ids, then the new.
    QVector<Entry> book;
    readEveryEntry(db, [&book](const Entry &entry) {
        book << entry;
        return true;
    });
    SamePeople people;
    QVector<Contact> records;
    records.reserve(book.size());
    for (const Entry &entry : book) {
        people.add(records.size(), contactOf(entry));
        records << contactOf(entry);
    }
    ImportPlan plan;
    plan.found = file.contacts.size();
    plan.unreadable = file.unreadable;
    QHash<int, Notes> notes;
    QSet<int> found;
    for (const Contact &given : file.contacts) {
        const Contact contact = trimmed(given);
        int person = people.find(contact);
        if (person < 0) {
            person = records.size();
            records << contact;
            notes[person].unplaced << contact.unplaced;
        } else {
            notes[person].add(complete(records[person], contact));
            if (person < book.size())
                found.insert(person);
            else
                ++plan.repeated;
        }
        people.add(person, records.at(person));
    }
    for (int person = 0; person < records.size(); ++person) {
        if (person >= book.size()) {
            plan.fresh << records.at(person);
        } else if (found.contains(person)) {
            const Entry after = entryOf(book.at(person).id, records.at(person));
            if (after != book.at(person))
                plan.completed.append({book.at(person), after});
            else
                ++plan.unchanged;
        }
        if (auto note = notes.find(person); note != notes.end()) {
            // A new entry is not completed: it is added as the contacts make it.
            if (person >= book.size())
                note->filled.clear();
            note->describe(records.at(person).adsoyad, plan.details);
        }
    }
    return plan;
}

bool runImport(const ImportPlan &plan, QString &error, const Progress &progress,
               EntriesChange *applied)
{
    EntriesChange change;
    change.replaced = plan.completed;
    for (const Contact &contact : plan.fresh)
        change.inserted << entryOf(0, contact);
    QVector<qint64> ids;
    const Change outcome = applyEntriesChange(change, &ids, progress);
    switch (outcome.outcome) {
    case ChangeOutcome::Done:
        break;
    case ChangeOutcome::ChangedElsewhere:
        error = QStringLiteral("tamamlanacak bir kayıt o arada başka bir yerde değiştirildi, "
                               "hiçbir kişi eklenmedi");
        return false;
    case ChangeOutcome::Failed:
        error = failureReason(outcome.kind, outcome.error);
        return false;
    }
    if (applied) {
        change.inserted.clear();
        change.restored = readEntries(ids);
        *applied = change;
    }
    return true;
}

QString importSummary(const ImportPlan &plan, bool done)
{
    QString summary =
        done ? QStringLiteral("%1 kişi bulundu: %2 yeni kişi eklendi, %3 kişi tamamlandı, %4 "
                              "kişi defterde zaten vardı")
             : QStringLiteral("%1 kişi bulundu: %2 yeni, %3 kişi tamamlanacak, %4 kişi defterde "
                              "zaten var");
    summary = summary.arg(plan.found)
                  .arg(plan.fresh.size())
                  .arg(plan.completed.size())
                  .arg(plan.unchanged);
    if (plan.repeated > 0)
        summary += (done ? QStringLiteral(", %1 kişi dosyalarda birden fazla kez geçiyordu "
                                          "(birleştirildi)")
                         : QStringLiteral(", %1 kişi dosyalarda birden fazla kez geçiyor "
                                          "(birleştirilir)"))
                       .arg(plan.repeated);
    if (plan.unreadable > 0)
        summary += QStringLiteral(", %1 kayıt adsız olduğu için okunamadı").arg(plan.unreadable);
    return summary + QLatin1Char('.');
}
