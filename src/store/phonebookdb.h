#pragma once

#include <QSqlDatabase>

// The one connection of the process: SQLite, under Qt's default connection name.
// It is added before main() runs and released at process exit.
extern QSqlDatabase phoneBookDb;

// The list reads its rows as the view needs them, so its statement can stay open for
// as long as the list is shown. In the default journal mode that open read blocks every
// other program's save; with a write-ahead log readers and the writer do not block each
// other. A file that cannot take the change (not a database, read-only) is left as it is.
void useWriteAheadLog();

// A first start finds an empty file (the driver creates it); without the table
// every save would fail for good. An existing table is left as it is.
void createPhoneBookTableIfMissing();
