#include "exchange/sameperson.h"

#include "search/folding.h"

#include <algorithm>

namespace
{

const QChar separator(0x1F); // in no trimmed field that matters here

QString mailKey(const QString &mail)
{
    return mail.trimmed().toCaseFolded();
}

QString nameKey(const QString &name)
{
    return foldForSearch(name.trimmed());
}

QString numberKey(const QString &number)
{
    return QString::fromLatin1(phoneNumberKey(number));
}

} // namespace

QStringList SamePeople::keysOf(const Contact &contact) const
{
    QStringList keys;
    const QString name = nameKey(contact.adsoyad);
    keys << QLatin1Char('=') + name + separator + numberKey(contact.telefon) + separator +
                numberKey(contact.cep) + separator + mailKey(contact.mail);
    // An address alone is no person: an office's info@ is shared by everyone there.
    if (const QString mail = mailKey(contact.mail); !mail.isEmpty())
        keys << QLatin1Char('@') + name + separator + mail;
    for (const QString &number : {contact.telefon, contact.cep})
        if (const QString digits = numberKey(number); !digits.isEmpty())
            keys << QLatin1Char('#') + name + separator + digits;
    return keys;
}

void SamePeople::add(int person, const Contact &contact)
{
    for (const QString &key : keysOf(contact))
        if (!people.contains(key))
            people.insert(key, person);
}

int SamePeople::find(const Contact &contact) const
{
    const QVector<int> all = findAll(contact);
    return all.isEmpty() ? -1 : *std::min_element(all.begin(), all.end());
}

QVector<int> SamePeople::findAll(const Contact &contact) const
{
    QVector<int> found;
    for (const QString &key : keysOf(contact)) {
        const int person = people.value(key, -1);
        if (person >= 0 && !found.contains(person))
            found << person;
    }
    return found;
}

Completion complete(Contact &record, const Contact &other)
{
    Completion done;
    QStringList known;
    for (const QString &number : {record.telefon, record.cep})
        if (const QString digits = numberKey(number); !digits.isEmpty())
            known << digits;
    auto place = [&](QString *field, const QString &number, const QString &label) {
        const QString digits = numberKey(number);
        if (number.trimmed().isEmpty() || known.contains(digits))
            return;
        if (field && field->trimmed().isEmpty()) {
            *field = number.trimmed();
            done.filled << label + QLatin1Char(' ') + *field;
        } else {
            done.unplaced << number.trimmed();
        }
        known << digits;
    };
    place(&record.telefon, other.telefon, QStringLiteral("telefon"));
    place(&record.cep, other.cep, QStringLiteral("cep"));
    // Numbers beyond a file's two take an empty field of either kind.
    for (const QString &number : other.unplaced) {
        const bool phoneFree = record.telefon.trimmed().isEmpty();
        QString *free = phoneFree                        ? &record.telefon
                        : record.cep.trimmed().isEmpty() ? &record.cep
                                                         : nullptr;
        place(free, number, phoneFree ? QStringLiteral("telefon") : QStringLiteral("cep"));
    }
    const QString mail = other.mail.trimmed();
    if (!mail.isEmpty()) {
        if (record.mail.trimmed().isEmpty()) {
            record.mail = mail;
            done.filled << QStringLiteral("mail ") + mail;
        } else if (mailKey(record.mail) != mailKey(mail)) {
            done.differing << QStringLiteral("mail ") + mail;
            ++done.differingMails;
        }
    }
    const QString name = other.adsoyad.trimmed();
    if (record.adsoyad.trimmed().isEmpty() && !name.isEmpty()) {
        record.adsoyad = name;
        done.filled << QStringLiteral("ad soyad ") + name;
    } else if (!name.isEmpty() && nameKey(record.adsoyad) != nameKey(name)) {
        done.differing << QStringLiteral("ad soyad ") + name;
    }
    return done;
}
