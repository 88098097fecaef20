#pragma once

#include <QString>

// How the search compares names: the way Turkish users type them, so that "sule",
// "ŞULE" and "şule" all find "Şule". Character by character: dotless ı becomes i, a
// Latin letter with a diacritic (below U+0250) becomes its base letter, then every
// letter takes its simple lower-case mapping. One code point in, one code point out,
// so LIKE's "_" still stands for one character.
char32_t foldForSearch(char32_t codePoint);
QString foldForSearch(const QString &text);

// Whether the search text reads as a phone number: digits and the separators
// space, +, -, ., ( and ) only.
bool looksLikePhoneNumber(const QString &text);

// A phone number reduced for comparison: its digits, without the country or trunk
// prefix (after a leading "+" the 90, otherwise a leading 0090 or else one 0).
QByteArray phoneNumberKey(const QString &number);

// Whether the key occurs as one run in the key of the number (UTF-8, as stored).
// An empty key finds nothing.
bool phoneNumberContains(const char *utf8, int bytes, const char *key, int keyLength);
