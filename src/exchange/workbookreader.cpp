#include "exchange/workbookreader.h"

#include "exchange/contacttable.h"
#include "exchange/sheetrows.h"
#include "exchange/workbookarchive.h"
#include "exchange/workbooktext.h"

#include <QXmlStreamReader>

namespace
{

// How often a long read asks its progress whether to go on: every so many rows or strings
// read, whatever the rows say their numbers are.
constexpr qint64 askEvery = 256;

QString xmlFailure(const QString &part, const QXmlStreamReader &xml)
{
    return QStringLiteral("%1 bozuk (XML satırı %2: %3)")
        .arg(part)
        .arg(xml.lineNumber())
        .arg(xml.errorString());
}

// A target of the workbook's relationships, as a name inside the archive.
QString partName(const QString &target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    return QStringLiteral("xl/") + target;
}

// A sheet's row as a list, for a header and the first rows shown beside it.
QStringList listOf(const QMap<int, QString> &cells)
{
    QStringList row;
    for (auto cell = cells.cbegin(); cell != cells.cend(); ++cell) {
        while (row.size() < cell.key())
            row << QString();
        row << cell.value();
    }
    return row;
}

// The first sheet's rows into a contact table, with the same header rules as a CSV file.
class SheetTable
{
public:
    SheetTable(const ColumnChoice &choice, ContactFile &result)
        : table(ContactTable::Source::Workbook, choice), result(result)
    {
    }
    // False when the row ends the reading: a field too long, or enough rows shown after a
    // header that was refused.
    bool take(const SheetRow &row, QString &why)
    {
        bool empty = true;
        for (const QString &field : row.cells) {
            if (fieldTooLong(field)) {
                why = fieldTooLongAt(row.number);
                return false;
            }
            empty = empty && field.trimmed().isEmpty();
        }
        if (empty)
            return true;
        if (header) {
            header = false;
            if (!table.takeHeader(listOf(row.cells))) {
                refused = true;
                why = table.refusal(row.number);
                result.unknown.header = listOf(row.cells);
            }
            return true;
        }
        if (refused) {
            constexpr int previewRows = 5;
            result.unknown.firstRows << listOf(row.cells);
            return result.unknown.firstRows.size() < previewRows;
        }
        table.takeRow(row.cells, result);
        return true;
    }
    bool hadHeader() const { return !header; }
    bool wasRefused() const { return refused; }

private:
    ContactTable table;
    ContactFile &result;
    bool header = true, refused = false;
};

// One workbook read: its parts found by the relationships, its shared strings, then its
// first sheet, each part as it is inflated.
class WorkbookReading
{
public:
    WorkbookReading(const QByteArray &data, const Progress &progress)
        : archive(data), progress(progress)
    {
    }

    bool read(const ColumnChoice &choice, ContactFile &result, QString &why)
    {
        if (!archive.isOpen()) {
            why = QStringLiteral("bozuk bir zip dosyası, Excel çalışma kitabı (.xlsx) olamaz");
            return false;
        }
        if (!findParts(why))
            return false;
        total =
            archive.inflated() + archive.claimedSize(sharedStrings) + archive.claimedSize(sheet);
        return readSharedStrings(why) && readSheet(choice, result, why);
    }
    bool stopped() const { return stoppedEarly; }

private:
    // Tells the progress how far the inflating has come; false when it says stop.
    bool goOn()
    {
        if (!progress || progress(archive.inflated(), qMax(total, archive.inflated())))
            return true;
        stoppedEarly = true;
        return false;
    }
    // Why a part's XML ended: the archive's reason when it could not be inflated to its end.
    QString failure(const QString &part, const QXmlStreamReader &xml) const
    {
        return archive.failure().isEmpty() ? xmlFailure(part, xml) : archive.failure();
    }

    // The first sheet and the shared strings, by the relationships; the usual names where
    // a workbook does not say.
    bool findParts(QString &why)
    {
        const QString workbook = QStringLiteral("xl/workbook.xml");
        const std::unique_ptr<QIODevice> book = archive.open(workbook, why);
        if (!book)
            return false;
        QString firstSheet;
        QXmlStreamReader xml(book.get());
        bool found = false;
        while (!found && !xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement ||
                xml.name() != QLatin1String("sheet"))
                continue;
            found = true;
            for (const QXmlStreamAttribute &attribute : xml.attributes())
                if (attribute.name() == QLatin1String("id"))
                    firstSheet = attribute.value().toString();
        }
        if (xml.hasError()) {
            why = failure(workbook, xml);
            return false;
        }
        const QString rels = QStringLiteral("xl/_rels/workbook.xml.rels");
        if (!archive.has(rels))
            return true;
        const std::unique_ptr<QIODevice> relations = archive.open(rels, why);
        if (!relations)
            return false;
        QXmlStreamReader links(relations.get());
        while (!links.atEnd()) {
            if (links.readNext() != QXmlStreamReader::StartElement ||
                links.name() != QLatin1String("Relationship"))
                continue;
            const QXmlStreamAttributes attributes = links.attributes();
            const QString target = attributes.value(QLatin1String("Target")).toString();
            if (!firstSheet.isEmpty() && attributes.value(QLatin1String("Id")) == firstSheet)
                sheet = partName(target);
            else if (attributes.value(QLatin1String("Type"))
                         .endsWith(QLatin1String("/sharedStrings")))
                sharedStrings = partName(target);
        }
        if (links.hasError()) {
            why = failure(rels, links);
            return false;
        }
        return true;
    }

    bool readSharedStrings(QString &why)
    {
        if (!archive.has(sharedStrings))
            return true;
        const std::unique_ptr<QIODevice> part = archive.open(sharedStrings, why);
        if (!part)
            return false;
        QXmlStreamReader xml(part.get());
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement ||
                xml.name() != QLatin1String("si"))
                continue;
            strings << workbookTextOf(xml);
            if (strings.size() % askEvery == 0 && !goOn())
                return false;
        }
        if (xml.hasError()) {
            why = failure(sharedStrings, xml);
            return false;
        }
        return true;
    }

    bool readSheet(const ColumnChoice &choice, ContactFile &result, QString &why)
    {
        const std::unique_ptr<QIODevice> part = archive.open(sheet, why);
        if (!part)
            return false;
        SheetRows rows(*part, strings);
        SheetTable table(choice, result);
        SheetRow row;
        while (rows.next(row)) {
            if (!table.take(row, why))
                return false;
            if (rows.count() % askEvery == 0 && !goOn())
                return false;
        }
        if (rows.xml().hasError()) {
            why = failure(sheet, rows.xml());
            if (archive.failure().isEmpty() && row.number > 0)
                why = QStringLiteral("satır %1: ").arg(row.number) + why;
            return false;
        }
        if (!table.hadHeader()) {
            why = QStringLiteral("ilk sayfa boş");
            return false;
        }
        return !table.wasRefused();
    }

    WorkbookArchive archive;
    const Progress &progress;
    QString sheet = QStringLiteral("xl/worksheets/sheet1.xml");
    QString sharedStrings = QStringLiteral("xl/sharedStrings.xml");
    QStringList strings;
    qint64 total = 0;
    bool stoppedEarly = false;
};

} // namespace

bool looksLikeWorkbook(const QByteArray &start)
{
    return start.startsWith("PK\x03\x04");
}

bool readWorkbook(const QByteArray &data, const ColumnChoice &choice, ContactFile &result,
                  QString &error, const Progress &progress)
{
    WorkbookReading reading(data, progress);
    ContactFile read;
    const bool ok = reading.read(choice, read, error);
    if (reading.stopped()) {
        error = QStringLiteral("okuma durduruldu");
        return false;
    }
    if (!ok) {
        result.unknown = read.unknown;
        return false;
    }
    result.contacts << read.contacts;
    result.unreadable += read.unreadable;
    return true;
}
