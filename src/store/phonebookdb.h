#pragma once

#include <QSqlDatabase>

// The one connection of the process: SQLite, under Qt's default connection name.
// It is added before main() runs and released at process exit.
extern QSqlDatabase phoneBookDb;

// A first start finds an empty file (the driver creates it); without the table
// every save would fail for good. An existing table is left as it is.
void createPhoneBookTableIfMissing();
