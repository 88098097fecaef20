#pragma once

#include "exchange/contact.h"
#include "exchange/progress.h"

#include <QByteArray>

// Writes the contacts as an .xlsx workbook: a bold, frozen header row "Ad Soyad, Telefon,
// Cep, Mail" and every value a text cell, so that a spreadsheet keeps a number's leading
// zero and "+" and runs nothing as a formula. Atomically, as the other exports; when the
// progress says stop, nothing is written.
bool writeWorkbook(const QByteArray &path, const QVector<Contact> &contacts, QString &why,
                   const Progress &progress = {});
