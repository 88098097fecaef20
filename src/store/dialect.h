#pragma once

// Which SQL the phone book's connection speaks: SQLite's for database.db, PostgreSQL's for
// a book shared on a server. Only the store asks; the window never knows.
enum class Dialect { Sqlite, Server };

Dialect bookDialect();

// Whether the server's table keeps the folded texts and number keys beside each entry
// (a role that could not make them works without, searching more slowly and by case only).
bool serverSearchColumns();
void noteServerSearchColumns(bool present);

// Whether the server's book keeps the change log (schema version 2 and later).
bool serverChangeLog();
void noteServerChangeLog(bool present);
