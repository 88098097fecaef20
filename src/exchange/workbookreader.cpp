#include "exchange/workbookreader.h"

#include "exchange/contacttable.h"
#include "exchange/sheetrows.h"
#include "exchange/workbooktext.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include <zip.h>

#include <memory>

namespace
{

// No part of a phone list comes near this unpacked; a zip bomb stops here.
constexpr zip_uint64_t largestPart = 256 * 1024 * 1024;
// How often a long read asks its progress whether to go on: every so many rows read,
// whatever the rows say their numbers are.
constexpr qint64 askEvery = 256;

struct ZipClose {
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
struct ZipFileClose {
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};

class Archive
{
public:
    explicit Archive(const QByteArray &data)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = zip_source_buffer_create(data.constData(), data.size(), 0, &error);
        if (source) {
            archive.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
            if (!archive)
                zip_source_free(source);
        }
        zip_error_fini(&error);
    }
    bool isOpen() const { return archive != nullptr; }
    bool has(const QString &name) const
    {
        return zip_name_locate(archive.get(), name.toUtf8().constData(), 0) >= 0;
    }
    // The part unpacked, or false with why.
    bool read(const QString &name, QByteArray &content, QString &why) const
    {
        const std::unique_ptr<zip_file_t, ZipFileClose> file(
            zip_fopen(archive.get(), name.toUtf8().constData(), 0));
        if (!file) {
            why = QStringLiteral("çalışma kitabında %1 yok ya da okunamıyor").arg(name);
            return false;
        }
        content.clear();
        char buffer[64 * 1024];
        zip_int64_t got = 0;
        while ((got = zip_fread(file.get(), buffer, sizeof buffer)) > 0) {
            if (zip_uint64_t(content.size()) + zip_uint64_t(got) > largestPart) {
                why = QStringLiteral("%1 açıldığında 256 MB'tan büyük").arg(name);
                return false;
            }
            content.append(buffer, int(got));
        }
        if (got < 0) {
            why = QStringLiteral("%1 bozuk, açılamıyor").arg(name);
            return false;
        }
        return true;
    }

private:
    std::unique_ptr<zip_t, ZipClose> archive;
};

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

struct Parts {
    QString sheet = QStringLiteral("xl/worksheets/sheet1.xml");
    QString sharedStrings = QStringLiteral("xl/sharedStrings.xml");
};

// The first sheet of the workbook and its shared strings, by the relationships; the usual
// names where a workbook does not say.
bool findParts(const Archive &archive, Parts &parts, QString &why)
{
    QByteArray workbook, relations;
    if (!archive.read(QStringLiteral("xl/workbook.xml"), workbook, why))
        return false;
    QString firstSheet;
    QXmlStreamReader xml(workbook);
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
        why = xmlFailure(QStringLiteral("xl/workbook.xml"), xml);
        return false;
    }
    const QString rels = QStringLiteral("xl/_rels/workbook.xml.rels");
    if (!archive.has(rels))
        return true;
    if (!archive.read(rels, relations, why))
        return false;
    QXmlStreamReader links(relations);
    while (!links.atEnd()) {
        if (links.readNext() != QXmlStreamReader::StartElement ||
            links.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes attributes = links.attributes();
        const QString target = attributes.value(QLatin1String("Target")).toString();
        if (!firstSheet.isEmpty() && attributes.value(QLatin1String("Id")) == firstSheet)
            parts.sheet = partName(target);
        else if (attributes.value(QLatin1String("Type")).endsWith(QLatin1String("/sharedStrings")))
            parts.sharedStrings = partName(target);
    }
    if (links.hasError()) {
        why = xmlFailure(rels, links);
        return false;
    }
    return true;
}

bool readSharedStrings(const Archive &archive, const QString &part, QStringList &strings,
                       QString &why)
{
    if (!archive.has(part))
        return true;
    QByteArray content;
    if (!archive.read(part, content, why))
        return false;
    QXmlStreamReader xml(content);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
            strings << workbookTextOf(xml);
    }
    if (xml.hasError()) {
        why = xmlFailure(part, xml);
        return false;
    }
    return true;
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

// The first sheet's contacts; stopped when the progress says so, every so many rows read.
bool readSheet(const QByteArray &content, const QString &part, const QStringList &strings,
               const ColumnChoice &choice, ContactFile &result, const Progress &progress,
               bool &stopped, QString &why)
{
    QBuffer sheet;
    sheet.setData(content);
    sheet.open(QIODevice::ReadOnly);
    SheetRows rows(sheet, strings);
    SheetTable table(choice, result);
    SheetRow row;
    while (rows.next(row)) {
        if (!table.take(row, why))
            return false;
        if (progress && rows.count() % askEvery == 0 &&
            !progress(rows.xml().characterOffset(), content.size())) {
            stopped = true;
            return false;
        }
    }
    if (rows.xml().hasError()) {
        why = xmlFailure(part, rows.xml());
        if (row.number > 0)
            why = QStringLiteral("satır %1: ").arg(row.number) + why;
        return false;
    }
    if (!table.hadHeader()) {
        why = QStringLiteral("ilk sayfa boş");
        return false;
    }
    return !table.wasRefused();
}

} // namespace

bool looksLikeWorkbook(const QByteArray &start)
{
    return start.startsWith("PK\x03\x04");
}

bool readWorkbook(const QByteArray &data, const ColumnChoice &choice, ContactFile &result,
                  QString &error, const Progress &progress)
{
    const Archive archive(data);
    if (!archive.isOpen()) {
        error = QStringLiteral("bozuk bir zip dosyası, Excel çalışma kitabı (.xlsx) olamaz");
        return false;
    }
    Parts parts;
    QStringList strings;
    QByteArray sheet;
    if (!findParts(archive, parts, error) ||
        !readSharedStrings(archive, parts.sharedStrings, strings, error) ||
        !archive.read(parts.sheet, sheet, error))
        return false;
    ContactFile read;
    bool stopped = false;
    const bool ok = readSheet(sheet, parts.sheet, strings, choice, read, progress, stopped, error);
    if (stopped) {
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
