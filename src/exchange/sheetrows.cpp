#include "exchange/sheetrows.h"

#include "exchange/workbooktext.h"

namespace
{

// The last column a spreadsheet has (XFD).
constexpr int columnLimit = 16384;

// "C12" is the third column, beyond XFD at least the limit; -1 for what names none.
int columnOf(const QStringRef &reference)
{
    int column = 0, letters = 0;
    for (const QChar c : reference) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            break;
        if (++letters > 3)
            return columnLimit;
        column = column * 26 + (c.unicode() - 'A' + 1);
    }
    return letters == 0 ? -1 : column - 1;
}

// A number as a spreadsheet shows it in the General format: whole numbers in digits.
QString shownNumber(const QString &stored)
{
    bool ok = false;
    const double value = stored.toDouble(&ok);
    if (!ok)
        return stored;
    if (value == double(qint64(value)) && qAbs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

} // namespace

SheetRows::SheetRows(QIODevice &sheet, const QStringList &strings)
    : reader(&sheet), strings(strings)
{
}

bool SheetRows::next(SheetRow &row)
{
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement ||
            reader.name() != QLatin1String("row"))
            continue;
        ++rowsRead;
        const int stated = reader.attributes().value(QLatin1String("r")).toInt();
        number = stated > 0 ? stated : number + 1;
        row.number = number;
        row.cells.clear();
        readCells(row.cells);
        return !reader.hasError();
    }
    return false;
}

void SheetRows::readCells(QMap<int, QString> &cells)
{
    // A cell without a reference is the one after the cell before it.
    int column = -1;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement && reader.name() == QLatin1String("row"))
            return;
        if (token != QXmlStreamReader::StartElement || reader.name() != QLatin1String("c"))
            continue;
        const int stated = columnOf(reader.attributes().value(QLatin1String("r")));
        column = stated >= 0 ? stated : column + 1;
        const QString value = cellText();
        if (column < columnLimit && !value.isEmpty())
            cells.insert(column, value);
    }
}

QString SheetRows::cellText()
{
    const QString kind = reader.attributes().value(QLatin1String("t")).toString();
    QString value, inlineText;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement && reader.name() == QLatin1String("c"))
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("v"))
            value = elementTextOf(reader);
        else if (reader.name() == QLatin1String("is"))
            inlineText = workbookTextOf(reader);
        else
            reader.skipCurrentElement();
    }
    if (kind == QLatin1String("s")) {
        bool ok = false;
        const int index = value.toInt(&ok);
        return ok ? strings.value(index) : QString();
    }
    if (kind == QLatin1String("inlineStr"))
        return inlineText;
    if (kind == QLatin1String("str") || kind == QLatin1String("e"))
        return unescapedWorkbookText(value);
    if (kind == QLatin1String("b"))
        return value == QLatin1String("1") ? QStringLiteral("DOĞRU") : QStringLiteral("YANLIŞ");
    return shownNumber(value.trimmed());
}
