#include "exchange/csvreader.h"

#include "exchange/contacttable.h"
#include "exchange/linereader.h"

#include <QStringList>
#include <QTextCodec>
#include <QTextDecoder>

#include <memory>

namespace
{

// The delimiter the header uses most, outside quotes.
QChar delimiterOf(const QString &header)
{
    int counts[3] = {0, 0, 0};
    const QChar candidates[3] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')};
    bool quoted = false;
    for (const QChar c : header) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        for (int i = 0; i < 3 && !quoted; ++i)
            counts[i] += c == candidates[i];
    }
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[best])
            best = i;
    return candidates[best];
}

// Splits one complete record at the delimiter, RFC 4180: a field in double quotes may
// hold the delimiter, line breaks and doubled quotes.
void splitRecord(const QString &record, QChar delimiter, QStringList &fields)
{
    fields = QStringList(QString());
    bool quoted = false;
    for (int i = 0; i < record.size(); ++i) {
        const QChar c = record.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < record.size() && record.at(i + 1) == c) {
                fields.last() += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                fields.last() += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == delimiter) {
            fields << QString();
        } else {
            fields.last() += c;
        }
    }
}

} // namespace

bool readCsv(LineReader &lines, QTextCodec *codec, const ColumnChoice &choice, ContactFile &result,
             QString &error)
{
    const std::unique_ptr<QTextDecoder> decoder(codec->makeDecoder());
    // Lines are read with their breaks: inside quotes a break belongs to the field. Whether
    // a quote is open is kept up to date line by line, so a record is split once, when it
    // is complete, however many lines an unclosed quote runs on.
    QString record;
    bool inRecord = false, quoted = false;
    int recordLine = 0;
    QChar delimiter;
    ContactTable table(ContactTable::Source::Csv, choice);
    bool header = true, refused = false;
    constexpr int previewRows = 5;
    QStringList fields;
    QByteArray bytes;
    while (lines.nextWithBreak(bytes)) {
        const QString text = decoder->toUnicode(bytes);
        if (!inRecord) {
            inRecord = true;
            recordLine = lines.lineNumber();
        }
        record += text;
        for (const QChar c : text)
            quoted = quoted != (c == QLatin1Char('"'));
        if (quoted)
            continue;
        if (record.endsWith(QLatin1Char('\n')))
            record.chop(record.endsWith(QLatin1String("\r\n")) ? 2 : 1);
        if (header && delimiter.isNull())
            delimiter = delimiterOf(record);
        splitRecord(record, delimiter, fields);
        record.clear();
        inRecord = false;
        for (const QString &field : fields) {
            if (fieldTooLong(field)) {
                error = fieldTooLongAt(recordLine);
                return false;
            }
        }
        if (header) {
            header = false;
            if (!table.takeHeader(fields)) {
                refused = true;
                error = table.refusal(recordLine);
                result.unknown.header = fields;
            }
            continue;
        }
        if (fields.join(QString()).trimmed().isEmpty())
            continue; // an empty row
        if (refused) {
            // A few rows to show beside the columns; the rest is not read.
            result.unknown.firstRows << fields;
            if (result.unknown.firstRows.size() == previewRows)
                return false;
            continue;
        }
        table.takeRow(fields, result);
    }
    if (refused)
        return false;
    if (inRecord && !lines.stopped()) {
        error = QStringLiteral("satır %1: tırnak kapanmadan dosya bitiyor").arg(recordLine);
        return false;
    }
    return true;
}
