#pragma once

#include "exchange/contact.h"
#include "exchange/progress.h"

class QSqlDatabase;
class QSqlQuery;

// What an import would do: of the contacts found, the new ones, how many are already in
// the book and how many came earlier in the same import.
struct ImportPlan {
    QVector<Contact> fresh;
    int found = 0;
    int existing = 0;
    int repeated = 0;
    int unreadable = 0;
};

// A contact is already in the book when an entry has the same name as the search
// folds it, the same phone and mobile digits and the same mail, whatever its case.
ImportPlan planImport(const QSqlDatabase &db, const ContactFile &file);

// Adds the new contacts in one transaction: all of them, or on failure none, with the
// driver's reason in the error. The progress hears of every entry added; when it says
// stop, the transaction is rolled back and the error says so. The ids of the entries
// added, in the order of fresh, go to addedIds.
bool runImport(QSqlDatabase &db, const QVector<Contact> &fresh, QString &error,
               const Progress &progress = {}, QVector<qint64> *addedIds = nullptr);

// The entries a query lists (any SELECT of TELEFON), read by column name.
QVector<Contact> contactsOf(QSqlQuery &query);
