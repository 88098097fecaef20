#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// One person as the phone book keeps them, on the way in from or out to a contact file.
struct Contact {
    QString adsoyad;
    QString telefon;
    QString cep;
    QString mail;
    // The numbers the file gave beyond the two the phone book keeps, so that an import
    // can say which it left out.
    QStringList unplaced = {};
};

// A spreadsheet whose header names no column the program knows: its columns and first
// rows, for someone to say what they hold.
struct UnknownColumns {
    QByteArray path;
    QStringList header;
    QVector<QStringList> firstRows;
};

// What a contact file held: the people it names, and how many entries it had that name
// nobody (a card without FN, N or ORG, a row without a name). After a refusal for its
// header, unknown holds that header.
struct ContactFile {
    QVector<Contact> contacts;
    int unreadable = 0;
    UnknownColumns unknown = {};
};

// Several numbers of a person, as files list them, into the phone book's two: the first
// mobile is the mobile, the first other number the phone (without one, the second mobile).
// The rest are kept as unplaced.
void assignNumbers(Contact &contact, const QStringList &mobiles, const QStringList &others);

// A field longer than 64 KiB (as UTF-8) is no name, number or address but a mistake or an
// attack; the search would crawl over it at every keystroke.
bool fieldTooLong(const QString &text);
QString fieldTooLongAt(int line);
