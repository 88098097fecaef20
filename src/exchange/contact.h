#pragma once

#include <QString>
#include <QVector>

// One person as the phone book keeps them, on the way in from or out to a contact file.
struct Contact {
    QString adsoyad;
    QString telefon;
    QString cep;
    QString mail;
};

// What a contact file held: the people it names, and how many entries it had that name
// nobody (a card without FN, N or ORG, a row without a name).
struct ContactFile {
    QVector<Contact> contacts;
    int unreadable = 0;
};

// Several numbers of a person, as files list them, into the phone book's two: the first
// mobile is the mobile, the first other number the phone (without one, the second mobile).
void assignNumbers(Contact &contact, const QStringList &mobiles, const QStringList &others);

// A field longer than 64 KiB (as UTF-8) is no name, number or address but a mistake or an
// attack; the search would crawl over it at every keystroke.
bool fieldTooLong(const QString &text);
QString fieldTooLongAt(int line);
