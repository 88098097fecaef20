#pragma once

#include "store/entry.h"

#include <QByteArray>
#include <QString>

// What the book holds of a contact card (vCard 3.0 or 4.0, as CardDAV servers keep them):
// the name (FN), the phone (the first TEL that is not a mobile's), the mobile (the first
// TEL of type CELL) and the e-mail address (the first EMAIL).
struct CardFields {
    QString name;
    QString phone;
    QString mobile;
    QString mail;
    QString uid;
};
CardFields fieldsOf(const QByteArray &card);

// The card with the entry's four values put in: only what differs is written again, every
// other property (addresses, more numbers, notes, photos, the N of an unchanged name) kept
// as it is in its place, its lines ended with CRLF; a value emptied takes its property out
// (a later number or address of its kind then stands first).
// Without a card, a new vCard 3.0 with the uid.
QByteArray cardWithEntry(const QByteArray &card, const Entry &entry, const QString &uid);
