#pragma once

#include "exchange/columnchoice.h"
#include "exchange/contact.h"

class LineReader;
class QTextCodec;

// Reads a CSV file with a header row, as Google Contacts (old and new), Outlook, Excel
// and this program write it: the delimiter (comma, semicolon or tab) is taken from the
// header, fields follow RFC 4180; Google's " ::: " between values is split under Google's
// headers only, and this program's guard against formulas is removed from its own export.
// A choice of roles, when given, says what the columns hold instead of the header.
// Returns false, with the line in the error, for a header that names no column of names
// (its columns and first rows then in the result's unknown), a field longer than 64 KiB
// or a quote that is never closed.
bool readCsv(LineReader &lines, QTextCodec *codec, const ColumnChoice &choice, ContactFile &result,
             QString &error);
