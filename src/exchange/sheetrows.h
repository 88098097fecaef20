#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

class QIODevice;

// A row of a sheet: the number it gives itself, and the cells that hold a value, by column
// (0 is A). A row with one cell at XFD holds that one cell.
struct SheetRow {
    int number = 0;
    QMap<int, QString> cells;
};

// Reads a sheet's rows in order as its XML streams in: texts from the shared strings or
// inline, numbers as the digits a spreadsheet shows them ("5321112233", not
// "5.321112233E9"), cells past XFD left out.
class SheetRows
{
public:
    SheetRows(QIODevice &sheet, const QStringList &strings);
    // The next row; false at the end of the sheet, or with xml() in error when it is broken.
    bool next(SheetRow &row);
    // The rows read so far, whatever numbers they gave themselves.
    qint64 count() const { return rowsRead; }
    const QXmlStreamReader &xml() const { return reader; }

private:
    void readCells(QMap<int, QString> &cells);
    QString cellText();

    QXmlStreamReader reader;
    const QStringList &strings;
    qint64 rowsRead = 0;
    int number = 0;
};
