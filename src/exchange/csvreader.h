#pragma once

#include "exchange/contact.h"

class QFile;
class QTextCodec;

// Reads a CSV file with a header row, as Google Contacts (old and new), Outlook, Excel
// and this program write it: the delimiter (comma, semicolon or tab) is taken from the
// header, fields follow RFC 4180. Returns false, with the line in the error, for a
// header that names no contact columns or a quote that is never closed.
bool readCsv(QFile &file, QTextCodec *codec, ContactFile &result, QString &error);
