#include "exchange/workbookreader.h"

#include "exchange/contacttable.h"
#include "exchange/workbooktext.h"

#include <QHash>
#include <QXmlStreamReader>

#include <zip.h>

#include <memory>

namespace
{

// No part of a phone list comes near this unpacked; a zip bomb stops here.
constexpr zip_uint64_t largestPart = 256 * 1024 * 1024;
// The last column a spreadsheet has (XFD).
constexpr int columnLimit = 16384;

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

// The text of an element holding <t> runs (a shared string, an inline string), rich text
// runs joined; the reader stands after its end.
QString runsOf(QXmlStreamReader &xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            // Both read up to the element's end: the depth stays.
            if (xml.name() == QLatin1String("t"))
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (xml.name() == QLatin1String("rPh"))
                xml.skipCurrentElement(); // a phonetic guide is no text
            else
                ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return text;
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
            strings << unescapedWorkbookText(runsOf(xml));
    }
    if (xml.hasError()) {
        why = xmlFailure(part, xml);
        return false;
    }
    return true;
}

// "C12" is the third column; -1 for what names none.
int columnOf(const QStringRef &reference)
{
    int column = 0, letters = 0;
    for (const QChar c : reference) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            break;
        column = column * 26 + (c.unicode() - 'A' + 1);
        if (++letters > 3)
            return -1;
    }
    return letters == 0 || column > columnLimit ? -1 : column - 1;
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

class SheetReader
{
public:
    SheetReader(const QStringList &strings, const ColumnChoice &choice, ContactFile &result,
                const Progress &progress)
        : strings(strings), table(ContactTable::Source::Workbook, choice), result(result),
          progress(progress)
    {
    }

    bool read(const QByteArray &sheet, const QString &part, QString &why)
    {
        QXmlStreamReader xml(sheet);
        QStringList row;
        int number = 0;
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::StartElement && xml.name() == QLatin1String("row")) {
                const int stated = xml.attributes().value(QLatin1String("r")).toInt();
                number = stated > 0 ? stated : number + 1;
                row.clear();
                if (progress && number % 256 == 0 &&
                    !progress(xml.characterOffset(), sheet.size())) {
                    stoppedEarly = true;
                    return false;
                }
            } else if (token == QXmlStreamReader::StartElement &&
                       xml.name() == QLatin1String("c")) {
                const int stated = columnOf(xml.attributes().value(QLatin1String("r")));
                const int column = stated >= 0 ? stated : row.size();
                const QString value = cellText(xml);
                if (column < columnLimit && !value.isEmpty()) {
                    while (row.size() <= column)
                        row << QString();
                    row[column] = value;
                }
            } else if (token == QXmlStreamReader::EndElement &&
                       xml.name() == QLatin1String("row")) {
                if (!take(row, number, why))
                    return false;
            }
        }
        if (xml.hasError()) {
            why = number > 0 ? QStringLiteral("satır %1: ").arg(number) + xmlFailure(part, xml)
                             : xmlFailure(part, xml);
            return false;
        }
        if (header) {
            why = QStringLiteral("ilk sayfa boş");
            return false;
        }
        return !refused;
    }
    bool stopped() const { return stoppedEarly; }

private:
    QString cellText(QXmlStreamReader &xml)
    {
        const QStringRef type = xml.attributes().value(QLatin1String("t"));
        const QString kind = type.toString();
        QString value, inlineText;
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("c"))
                break;
            if (token != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("v"))
                value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (xml.name() == QLatin1String("is"))
                inlineText = runsOf(xml);
            else
                xml.skipCurrentElement();
        }
        if (kind == QLatin1String("s")) {
            bool ok = false;
            const int index = value.toInt(&ok);
            return ok ? strings.value(index) : QString();
        }
        if (kind == QLatin1String("inlineStr"))
            return unescapedWorkbookText(inlineText);
        if (kind == QLatin1String("str") || kind == QLatin1String("e"))
            return unescapedWorkbookText(value);
        if (kind == QLatin1String("b"))
            return value == QLatin1String("1") ? QStringLiteral("DOĞRU") : QStringLiteral("YANLIŞ");
        return shownNumber(value.trimmed());
    }

    bool take(const QStringList &row, int number, QString &why)
    {
        for (const QString &field : row) {
            if (fieldTooLong(field)) {
                why = fieldTooLongAt(number);
                return false;
            }
        }
        if (row.join(QString()).trimmed().isEmpty())
            return true;
        if (header) {
            header = false;
            if (!table.takeHeader(row)) {
                refused = true;
                why = table.refusal(number);
                result.unknown.header = row;
            }
            return true;
        }
        if (refused) {
            constexpr int previewRows = 5;
            result.unknown.firstRows << row;
            return result.unknown.firstRows.size() < previewRows;
        }
        table.takeRow(row, result);
        return true;
    }

    const QStringList &strings;
    ContactTable table;
    ContactFile &result;
    const Progress &progress;
    bool header = true, refused = false, stoppedEarly = false;
};

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
    SheetReader reader(strings, choice, read, progress);
    const bool ok = reader.read(sheet, parts.sheet, error);
    if (reader.stopped()) {
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
