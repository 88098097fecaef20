#pragma once

class QSqlDatabase;

// Teaches the connection the search the way Turkish users type it:
// phone_book_search(text, adsoyad, mail, telefon, cep) finds every word of the text in
// the folded name or mail (so "sule" finds "Şule"), or the number in the phone or the
// mobile whatever their separators and prefix. It lives on this connection only; nothing
// is written into the file.
// The function is registered through the driver's own SQLite handle, which is only safe
// when this program calls the very library the driver uses. When that cannot be made sure
// of, nothing is registered, the search falls back on SQLite's own LIKE, and this returns
// false.
bool installSearchFunctions(const QSqlDatabase &db);

// Whether the last installSearchFunctions succeeded, so the search may use them.
bool searchFunctionsInstalled();
