#pragma once

#include "exchange/contact.h"

#include <QHash>

// Two records are the same person when their names are equal as the search folds them and
// they share an e-mail address (case ignored) or a number (its digits, the prefix left
// out); records equal in all four fields are one person too, even without a number or an
// address. A shared address alone is not enough: people of one office share info@.
class SamePeople
{
public:
    // Makes the person known under the number given by the caller; a key already known
    // stays with the person who brought it first.
    void add(int person, const Contact &contact);
    // The first-known person the contact is the same as, or -1.
    int find(const Contact &contact) const;
    // Every person known who holds one of the contact's keys first.
    QVector<int> findAll(const Contact &contact) const;

private:
    QStringList keysOf(const Contact &contact) const;
    QHash<QString, int> people;
};

// What completing one record with another did.
struct Completion {
    // The fields filled, as "telefon 0212 …", "mail ali@…".
    QStringList filled;
    // Numbers that fit in no field: the record has other numbers in both.
    QStringList unplaced;
    // Values that differ from the record's, which stays as it is: "mail ali@…".
    QStringList differing;
    // Of those, the addresses: gone with their record when records are merged.
    int differingMails = 0;

    bool changed() const { return !filled.isEmpty(); }
};

// Fills the record's empty fields with what the other brings; where both hold different
// values (a name, an address), the record's own stays. A number the record has already,
// in either field, is no difference.
Completion complete(Contact &record, const Contact &other);
