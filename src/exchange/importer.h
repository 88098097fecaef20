#pragma once

#include "exchange/contact.h"

class QSqlDatabase;
class QSqlQuery;

// What an import would do: of the contacts found, the new ones, and how many are
// already in the book (or came earlier in the same import).
struct ImportPlan {
    QVector<Contact> fresh;
    int found = 0;
    int existing = 0;
    int unreadable = 0;
};

// A contact is already in the book when an entry has the same name as the search
// folds it, the same phone and mobile digits and the same mail, whatever its case.
ImportPlan planImport(const QSqlDatabase &db, const ContactFile &file);

// Adds the new contacts in one transaction: all of them, or on failure none, with
// the driver's reason in the error. The ids the book gave them go to addedIds.
bool runImport(QSqlDatabase &db, const QVector<Contact> &fresh, QString &error,
               QVector<qint64> *addedIds = nullptr);

// The entries a query lists (any SELECT of TELEFON), read by column name.
QVector<Contact> contactsOf(QSqlQuery &query);
