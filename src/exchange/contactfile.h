#pragma once

#include "exchange/contact.h"

// The largest contact file read; a phone's export with photos stays well below it.
constexpr qint64 largestContactFile = 50 * 1024 * 1024;

// Reads a vCard or CSV contact file, whichever it is. A file that is neither, empty,
// binary, cut off or too large is refused: false, and an error naming the file and,
// where there is one, the line.
bool readContactFile(const QString &path, ContactFile &result, QString &error);

// Writes the contacts as vCard 3.0 (what Android, iOS and Google read) or as CSV for
// Excel on a Turkish Windows (UTF-8 with BOM, ";", CRLF), chosen by the extension
// (.csv, anything else vCard). Atomically: a failed export leaves no half file.
bool writeContactFile(const QString &path, const QVector<Contact> &contacts, QString &error);
