#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

// Which entry of the book is which card of the address book the phones sync with, kept
// beside the entries (TELEFON_KART), and how far the last sync got (TELEFON_ESITLEME): made
// with the book's schema on either back end (see cardLinkSteps).
struct CardLink {
    qint64 entry = 0;
    // The card's address on the server, as the server writes it (a path).
    QString href;
    QString uid;
    // The card's version when it was last read or written; empty while a new card's
    // writing is not known to have arrived.
    QString etag;
    // The card as it was then: what both sides' changes are told against, and what a
    // change from the desk is written into.
    QByteArray card;
};

std::optional<QVector<CardLink>> readCardLinks(QString &error);
bool saveCardLink(const CardLink &link, QString &error);
// Several at once: all of them or none.
bool saveCardLinks(const QVector<CardLink> &links, QString &error);
bool forgetCardLink(qint64 entry, QString &error);

// The sync token of the address book at the address, empty when none is kept.
QString syncToken(const QString &book);
bool saveSyncToken(const QString &book, const QString &token, QString &error);
