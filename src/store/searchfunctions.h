#pragma once

class QSqlDatabase;

// Teaches the connection the search the way Turkish users type it: LIKE compares the
// folded name with the folded text (so "sule" finds "Şule"), and
// name_or_number(pattern, key, adsoyad, telefon, cep) is that LIKE or the number key
// found in the phone or the mobile, whatever their separators and prefix.
// Both live on this connection only; nothing is written into the file.
// The functions are registered through the driver's own SQLite handle, which is only
// safe when this program calls the very library the driver uses. When that cannot be
// made sure of, nothing is registered, SQLite's own LIKE stays, and this returns false.
bool installSearchFunctions(const QSqlDatabase &db);

// Whether the last installSearchFunctions succeeded, so the search may use them.
bool searchFunctionsInstalled();
