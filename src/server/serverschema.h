#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

// What the program keeps on a PostgreSQL server, made on first use in one transaction and
// recorded under a schema version: the table TELEFON (64-bit ids the server gives), the
// Turkish fold and the number key as immutable SQL functions, the folded texts and keys
// stored beside each entry, trigram indexes on them, and a trigger that tells listening
// programs of every change.
struct ServerSchema {
    // The table is there: the book can be used.
    bool usable = false;
    // The folded texts and keys are there: the search is the program's own.
    bool searchColumns = false;
    // The change log is there (see changeLogSteps in serverschema.cpp).
    bool changeLog = false;
    // What the administrator should run for what could not be made; empty when all is there.
    QString advice;
    // Why the table could not be made or read.
    QString error;
};

ServerSchema ensureServerSchema(const QSqlDatabase &db);

// Which entry is which card of the address book the phones sync with (TELEFON_KART), and
// how far the last sync got (TELEFON_ESITLEME): the same statements on a server and in
// database.db, so that a desk that may change the book may sync it, and a desk that may only
// read it reads them too.
QStringList cardLinkSteps();

// The channel the trigger notifies on.
QString changeChannel();

// The SQL function that folds a text exactly as the program does, character by character:
// a translate() over every code point the fold changes.
QString foldFunctionDefinition();
