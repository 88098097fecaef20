#pragma once

#include "search/turkishorder.h"
#include "store/entry.h"

#include <functional>

#include <QByteArray>
#include <QDate>

class QPrinter;

// An A4 phone list of the entries as given, on the printer: name, phone, mobile and mail in
// columns under a heading with the date and the count, the page's number at its foot,
// every page with the columns' names. Needs a QGuiApplication (fonts); may run on any
// thread. Told of every page (done of total), answering false stops it.
using PageProgress = std::function<bool(qint64 done, qint64 total)>;
bool printPhoneList(QPrinter &printer, const QVector<Entry> &entries, const QDate &date,
                    const PageProgress &progress = {});

// The same list as a PDF file, its fonts embedded; atomically, as the exports: stopped,
// it writes nothing. The error names the path as given.
bool writePhoneListPdf(const QByteArray &path, const QVector<Entry> &entries, const QDate &date,
                       QString &error, const PageProgress &progress = {});
