#pragma once

#include "exchange/columnchoice.h"
#include "exchange/contact.h"
#include "exchange/progress.h"

#include <QByteArray>

// Whether the bytes begin as a zip archive does, which an .xlsx workbook is.
bool looksLikeWorkbook(const QByteArray &start);

// Reads the contacts on the first sheet of an .xlsx workbook held in memory, with the
// same header rules as a CSV file: texts from the shared strings or inline, numbers as
// the digits a spreadsheet shows them ("5321112233", not "5.321112233E9"). Refuses,
// with the row in the error where there is one, what is no workbook, parts that unpack to
// more than largestUnpackedWorkbook, broken XML and a field longer than 64 KiB. The
// progress hears of the bytes unpacked every 256 rows (or shared strings) read.
bool readWorkbook(const QByteArray &data, const ColumnChoice &choice, ContactFile &result,
                  QString &error, const Progress &progress = {});
