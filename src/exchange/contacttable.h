#pragma once

#include "exchange/columnchoice.h"
#include "exchange/contact.h"

#include <QHash>
#include <QMap>
#include <QPair>

// A table of contacts with a header row, as CSV files and spreadsheets hold them: the
// header's names (this program's own, Google Contacts old and new, Outlook, the usual
// Turkish ones, case and Turkish letters ignored) say which column holds what, unless a
// choice of roles says it instead.
class ContactTable
{
public:
    // Only this program's CSV export guards its fields against formulas; a workbook's
    // cells are texts and need no guard.
    enum class Source { Csv, Workbook };
    explicit ContactTable(Source source, const ColumnChoice &chosen = {});
    // False when neither the header nor the choice names a column of names.
    bool takeHeader(const QStringList &header);
    // A row after the header: a contact, or one more unreadable entry when it has no name.
    void takeRow(const QStringList &row, ContactFile &result) const;
    // The same for a spreadsheet's row of the cells it holds, by column: only the columns
    // the table uses are looked up, however far to the right a cell is.
    void takeRow(const QMap<int, QString> &cells, ContactFile &result) const;
    // Why a header was refused: the columns found and the names known.
    QString refusal(int line) const;

private:
    struct Columns {
        int fullName = -1;
        QVector<int> nameParts; // first, middle, last: joined with spaces
        int organisation = -1;
        QVector<int> mobiles;                 // columns that hold mobile numbers
        QVector<int> others;                  // columns that hold other numbers
        QVector<QPair<int, int>> typedPhones; // Google: (type or label column, value column)
        QVector<int> mails;
        // Google joins several values of one field with " ::: ".
        bool google = false;
        // This program's own export: its fields carry the guard against formulas.
        bool ownExport = false;

        // Without a name column no row can become an entry.
        bool named() const;
    };
    template <typename Row> void takeCells(const Row &row, ContactFile &result) const;
    static Columns byName(const QStringList &header);
    static Columns chosen(const ColumnChoice &choice);
    QStringList values(const QString &field) const;

    Source source;
    ColumnChoice choice;
    QStringList header;
    Columns columns;
};

// The header names the program knows, for a refusal to list.
QStringList knownHeaderNames();
