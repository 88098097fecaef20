#pragma once

#include "exchange/contact.h"
#include "exchange/progress.h"
#include "store/entrieschange.h"

class QSqlDatabase;
class QSqlQuery;

// What an import would do. A contact that is the same person as an entry (see
// SamePeople) adds no entry but completes it; one that is the same as a contact earlier in
// the import completes that one.
struct ImportPlan {
    QVector<Contact> fresh;
    // Entries as they are, and as the import completes them.
    QVector<QPair<Entry, Entry>> completed;
    int found = 0;
    // Entries the import finds but does not change.
    int unchanged = 0;
    // Contacts merged into one that came earlier in the same import.
    int repeated = 0;
    int unreadable = 0;
    // For each person concerned: the fields filled, the numbers that fit nowhere, the
    // values that differ from the entry's.
    QStringList details;
};

ImportPlan planImport(const QSqlDatabase &db, const ContactFile &file);

// Adds the new contacts and completes the entries in one transaction on phoneBookDb: all
// of it, or on failure nothing, with the reason in the error (also when an entry to be
// completed was changed meanwhile). The progress hears of every entry added; when it
// says stop, the transaction is rolled back and the error says so. What was done, the
// new entries as restored under their ids, goes to applied.
bool runImport(const ImportPlan &plan, QString &error, const Progress &progress = {},
               EntriesChange *applied = nullptr);

// The counts of a plan in one sentence: as a question's (what would be done), or as
// what was done.
QString importSummary(const ImportPlan &plan, bool done);

// The entries a query lists (any SELECT of TELEFON), read by column name.
QVector<Contact> contactsOf(QSqlQuery &query);
