#pragma once

#include "exchange/columnchoice.h"
#include "exchange/contact.h"
#include "exchange/progress.h"

#include <QByteArray>

// The largest contact file read; a phone's export with photos stays well below it.
constexpr qint64 largestContactFile = 50 * 1024 * 1024;
// What the parts of a workbook read may unpack to together: this program's own export of as
// many people as a 50 MB vCard holds (some 300 bytes of XML a person). A zip bomb stops here.
constexpr qint64 largestUnpackedWorkbook = 2 * largestContactFile;

// Reads a vCard, CSV or .xlsx contact file, whichever it is, text in UTF-8, UTF-16 with a
// byte order mark or windows-1254. A file that is none, not a regular file, empty, binary,
// cut off, too large or holding a field longer than 64 KiB is refused: false, and an error
// naming the file and, where there is one, the line or row. A spreadsheet's columns are
// those the choice says, when there is one; without, those its header names, and a header
// that names none leaves its columns and first rows in the result's unknown.
bool readContactFile(const QString &path, ContactFile &result, QString &error,
                     const ColumnChoice &choice = {});
// The same for a file named by the system's bytes, telling the progress how far it has
// read; when the progress says stop it returns false, having added nothing.
bool readContactFileAt(const QByteArray &path, ContactFile &result, QString &error,
                       const Progress &progress = {}, const ColumnChoice &choice = {});

// Writes the contacts as vCard 3.0 (what Android, iOS and Google read), as CSV for
// Excel on a Turkish Windows (UTF-8 with BOM, ";", CRLF) or as an .xlsx workbook, chosen
// by the extension (.csv, .xlsx, anything else vCard). Atomically: a failed export leaves no half
// file. In CSV a field a spreadsheet would run as a formula is written after a single quote, which
// this program's reader removes again.
// The progress hears of every contact written; when it says stop, nothing is written.
bool writeContactFile(const QString &path, const QVector<Contact> &contacts, QString &error,
                      const Progress &progress = {});
bool writeContactFileAt(const QByteArray &path, const QVector<Contact> &contacts, QString &error,
                        const Progress &progress = {});

// One field of a CSV row as this program writes it: UTF-8, quoted where it must be, guarded
// against formulas.
QByteArray csvField(const QString &text);
