#include "exchange/csvreader.h"

#include "exchange/formulaguard.h"
#include "exchange/linereader.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QTextCodec>
#include <QTextDecoder>

#include <memory>

namespace
{

// Where each kind of column is, by the header's names in the files people bring:
// this program's own, Google Contacts (old and new), Outlook, in English and Turkish.
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

    bool any() const
    {
        return fullName >= 0 || !nameParts.isEmpty() || organisation >= 0 || !mobiles.isEmpty() ||
               !others.isEmpty() || !typedPhones.isEmpty() || !mails.isEmpty();
    }
};

QString key(const QString &header)
{
    return header.trimmed().toCaseFolded();
}

Columns columnsOf(const QStringList &header)
{
    static const QStringList fullNames = {"ad soyad",     "adsoyad", "name", "full name",
                                          "display name", "ad",      "isim"};
    static const QStringList firstNames = {"first name", "given name", "adı", "ad (ilk)"};
    static const QStringList middleNames = {"middle name", "additional name", "ikinci ad"};
    static const QStringList lastNames = {"last name", "family name", "soyadı", "soyad"};
    static const QStringList organisations = {"organization name", "organization 1 - name",
                                              "company", "şirket", "kuruluş"};
    static const QStringList mobiles = {"cep", "mobile phone", "cep telefonu", "mobile"};
    static const QStringList others = {"telefon",     "business phone", "home phone",
                                       "other phone", "primary phone",  "company main phone",
                                       "iş telefonu", "ev telefonu",    "diğer telefon",
                                       "phone"};
    static const QStringList mails = {"mail",    "e-mail address",   "e-mail 1 - value",
                                      "email",   "e-mail",           "e-posta adresi",
                                      "e-posta", "e-mail 2 address", "e-mail 2 - value"};
    static const QRegularExpression phoneType(QStringLiteral("^phone (\\d+) - (type|label)$"));
    static const QRegularExpression googleNumbered(
        QStringLiteral("^(e-mail|phone) \\d+ - (type|label|value)$"));
    static const QStringList googleOnly = {"group membership", "labels"};

    Columns columns;
    QVector<int> first, middle, last;
    QStringList keys;
    for (const QString &name : header)
        keys << key(name);
    QHash<QString, int> firstNamed; // inserted from the end, so the first column wins
    for (int i = keys.size() - 1; i >= 0; --i)
        firstNamed.insert(keys.at(i), i);
    for (int i = 0; i < header.size(); ++i) {
        const QString &name = keys.at(i);
        columns.google =
            columns.google || googleOnly.contains(name) || googleNumbered.match(name).hasMatch();
        if (fullNames.contains(name) && columns.fullName < 0)
            columns.fullName = i;
        else if (firstNames.contains(name))
            first << i;
        else if (middleNames.contains(name))
            middle << i;
        else if (lastNames.contains(name))
            last << i;
        else if (organisations.contains(name) && columns.organisation < 0)
            columns.organisation = i;
        else if (mobiles.contains(name))
            columns.mobiles << i;
        else if (others.contains(name))
            columns.others << i;
        else if (mails.contains(name))
            columns.mails << i;
        else if (const auto match = phoneType.match(name); match.hasMatch()) {
            const int value =
                firstNamed.value(QStringLiteral("phone %1 - value").arg(match.captured(1)), -1);
            if (value >= 0)
                columns.typedPhones << qMakePair(i, value);
        }
    }
    columns.nameParts << first.mid(0, 1) << middle.mid(0, 1) << last.mid(0, 1);
    columns.ownExport = header == QStringList({"Ad Soyad", "Telefon", "Cep", "Mail"});
    return columns;
}

QStringList values(const Columns &columns, const QString &field)
{
    QStringList split = columns.google ? field.split(QStringLiteral(" ::: ")) : QStringList(field);
    for (QString &value : split)
        value = value.trimmed();
    split.removeAll(QString());
    return split;
}

bool toContact(const Columns &columns, const QStringList &row, Contact &contact)
{
    auto field = [&row, &columns](int column) {
        const QString text = row.value(column).trimmed();
        return columns.ownExport ? withoutFormulaGuard(text) : text;
    };
    contact.adsoyad = field(columns.fullName);
    if (contact.adsoyad.isEmpty()) {
        QStringList parts;
        for (int column : columns.nameParts)
            parts << field(column);
        parts.removeAll(QString());
        contact.adsoyad = parts.join(QLatin1Char(' '));
    }
    if (contact.adsoyad.isEmpty())
        contact.adsoyad = values(columns, field(columns.organisation)).value(0);
    // The columns go up in order: those past the row's end are empty, and a header naming
    // very many costs a short row nothing.
    QStringList mobiles, others;
    for (int column : columns.mobiles) {
        if (column >= row.size())
            break;
        mobiles << values(columns, field(column));
    }
    for (int column : columns.others) {
        if (column >= row.size())
            break;
        others << values(columns, field(column));
    }
    for (const auto &[type, value] : columns.typedPhones) {
        if (type >= row.size())
            break;
        const bool mobile = field(type).contains(QLatin1String("mobile"), Qt::CaseInsensitive) ||
                            field(type).contains(QLatin1String("cep"), Qt::CaseInsensitive);
        (mobile ? mobiles : others) << values(columns, field(value));
    }
    assignNumbers(contact, mobiles, others);
    for (int column : columns.mails) {
        if (column >= row.size() || !contact.mail.isEmpty())
            break;
        contact.mail = values(columns, field(column)).value(0);
    }
    return !contact.adsoyad.isEmpty();
}

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

bool readCsv(LineReader &lines, QTextCodec *codec, ContactFile &result, QString &error)
{
    const std::unique_ptr<QTextDecoder> decoder(codec->makeDecoder());
    // Lines are read with their breaks: inside quotes a break belongs to the field. Whether
    // a quote is open is kept up to date line by line, so a record is split once, when it
    // is complete, however many lines an unclosed quote runs on.
    QString record;
    bool inRecord = false, quoted = false;
    int recordLine = 0;
    QChar delimiter;
    Columns columns;
    bool header = true;
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
            columns = columnsOf(fields);
            if (!columns.any()) {
                error = QStringLiteral("satır %1: vCard ya da kişi CSV'si değil, başlık "
                                       "satırında ad, telefon ya da e-posta sütunu yok")
                            .arg(recordLine);
                return false;
            }
            continue;
        }
        if (fields.join(QString()).trimmed().isEmpty())
            continue; // an empty row
        Contact contact;
        if (toContact(columns, fields, contact))
            result.contacts << contact;
        else
            ++result.unreadable;
    }
    if (inRecord && !lines.stopped()) {
        error = QStringLiteral("satır %1: tırnak kapanmadan dosya bitiyor").arg(recordLine);
        return false;
    }
    return true;
}
