#include "exchange/vcardreader.h"

#include "exchange/linereader.h"

#include <QStringList>
#include <QTextCodec>

namespace
{

// One property of a card, its value still as bytes in the file.
struct Property {
    QByteArray name;              // upper case, without a group ("item1.")
    QList<QByteArray> types;      // TYPE values and 2.1's bare parameters, upper case
    QByteArray encoding, charset; // upper case
    QByteArray value;
};

// Splits at the separator wherever it is not inside double quotes.
QList<QByteArray> splitOutsideQuotes(const QByteArray &text, char separator)
{
    QList<QByteArray> parts;
    QByteArray part;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (c == separator && !quoted) {
            parts << part;
            part.clear();
        } else {
            part += c;
        }
    }
    parts << part;
    return parts;
}

bool parseProperty(const QByteArray &line, Property &property)
{
    bool quoted = false;
    int colon = -1;
    for (int i = 0; i < line.size() && colon < 0; ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            colon = i;
    }
    if (colon <= 0)
        return false;
    QList<QByteArray> head = splitOutsideQuotes(line.left(colon), ';');
    property.name = head.takeFirst().trimmed().toUpper();
    property.name = property.name.mid(property.name.lastIndexOf('.') + 1);
    for (const QByteArray &parameter : head) {
        const int equals = parameter.indexOf('=');
        const QByteArray key =
            (equals < 0 ? QByteArray("TYPE") : parameter.left(equals)).trimmed().toUpper();
        QByteArray value = (equals < 0 ? parameter : parameter.mid(equals + 1)).trimmed();
        value = value.replace('"', QByteArray()).toUpper();
        if (key == "TYPE") {
            for (const QByteArray &type : value.split(','))
                property.types << type.trimmed();
            // 2.1 writes the encoding as a bare parameter too.
            if (value == "QUOTED-PRINTABLE" || value == "BASE64")
                property.encoding = value;
        } else if (key == "ENCODING") {
            property.encoding = value;
        } else if (key == "CHARSET") {
            property.charset = value;
        }
    }
    property.value = line.mid(colon + 1);
    return true;
}

// A logical line as its physical lines join it. Whether its value is quoted-printable is
// decided once, when the name and parameters before the first ":" are all there, so that
// each joined line costs only its own length.
class LogicalLine
{
public:
    void start(const QByteArray &physical)
    {
        text = physical;
        colon = -1;
        quotedPrintable = false;
        findColon(0);
    }
    void append(const QByteArray &physical)
    {
        const int from = text.size();
        text += physical;
        findColon(from);
    }
    // A quoted-printable value goes on after a "=" at the end of the line (a soft break).
    bool endsInSoftBreak() const { return quotedPrintable && text.endsWith('='); }
    void dropSoftBreak() { text.chop(1); }
    const QByteArray &bytes() const { return text; }

private:
    void findColon(int from)
    {
        if (colon >= 0)
            return;
        colon = text.indexOf(':', from);
        quotedPrintable = colon > 0 && text.left(colon).toUpper().contains("QUOTED-PRINTABLE");
    }

    QByteArray text;
    int colon = -1;
    bool quotedPrintable = false;
};

QByteArray decodeQuotedPrintable(const QByteArray &encoded)
{
    QByteArray decoded;
    decoded.reserve(encoded.size());
    for (int i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '=' && i + 2 < encoded.size()) {
            bool ok = false;
            const int byte = encoded.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                decoded += char(byte);
                i += 2;
                continue;
            }
        }
        decoded += c;
    }
    return decoded;
}

// Text as the card's charset has it: named, or UTF-8, or else what Turkish Windows writes.
// A value is no stream: a U+FEFF at its start is part of the text, not a byte order mark.
QString decodeText(const QByteArray &bytes, const QByteArray &charset)
{
    QTextCodec *named = charset.isEmpty() ? nullptr : QTextCodec::codecForName(charset);
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    const QString text = (named ? named : QTextCodec::codecForName("UTF-8"))
                             ->toUnicode(bytes.constData(), bytes.size(), &state);
    if (named || state.invalidChars == 0)
        return text;
    return QTextCodec::codecForName("windows-1254")->toUnicode(bytes);
}

// The value's text with vCard's escapes undone. "\r" is this program's own, for a
// carriage return inside a value, which vCard has no way to write.
QString unescape(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 == text.size()) {
            plain += c;
            continue;
        }
        const QChar next = text.at(++i);
        if (next == QLatin1Char('n') || next == QLatin1Char('N'))
            plain += QLatin1Char('\n');
        else if (next == QLatin1Char('r'))
            plain += QLatin1Char('\r');
        else if (QStringLiteral("\\,;:").contains(next))
            plain += next;
        else
            plain += c + QString(next);
    }
    return plain;
}

// The components of a structured value (N, ORG), split at the unescaped ";".
QStringList components(const QString &text)
{
    QStringList parts = {QString()};
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 1 < text.size()) {
            parts.last() += text.mid(i, 2);
            ++i;
        } else if (text.at(i) == QLatin1Char(';')) {
            parts << QString();
        } else {
            parts.last() += text.at(i);
        }
    }
    for (QString &part : parts)
        part = unescape(part).trimmed();
    return parts;
}

// Collects one card's properties and maps them onto an entry.
class Card
{
public:
    // False for a value too long to be kept.
    bool add(const Property &property)
    {
        if (property.encoding == "BASE64" || property.encoding == "B")
            return true; // photos, sounds, keys
        const QByteArray &name = property.name;
        if (name != "FN" && name != "N" && name != "ORG" && name != "TEL" && name != "EMAIL")
            return true;
        QByteArray bytes = property.value;
        // "=00" would put a NUL into a name, which no contact file's text may hold.
        if (property.encoding == "QUOTED-PRINTABLE")
            bytes = decodeQuotedPrintable(bytes).replace(QByteArray(1, '\0'), QByteArray());
        const QString text = decodeText(bytes, property.charset);
        if (fieldTooLong(text))
            return false;
        if (name == "FN") {
            setOnce(fullName, unescape(text).trimmed());
        } else if (name == "N") {
            const QStringList parts = components(text);
            QStringList given = {parts.value(1), parts.value(2), parts.value(0)};
            given.removeAll(QString());
            setOnce(structuredName, given.join(QLatin1Char(' ')));
        } else if (name == "ORG") {
            setOnce(organisation, components(text).value(0));
        } else if (name == "EMAIL") {
            setOnce(mail, unescape(text).trimmed());
        } else {
            QString number = unescape(text).trimmed();
            if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
                number = number.mid(4).trimmed();
            if (!number.isEmpty())
                (property.types.contains("CELL") ? mobiles : others) << number;
        }
        return true;
    }

    bool toContact(Contact &contact) const
    {
        contact.adsoyad = !fullName.isEmpty()         ? fullName
                          : !structuredName.isEmpty() ? structuredName
                                                      : organisation;
        if (contact.adsoyad.isEmpty())
            return false;
        assignNumbers(contact, mobiles, others);
        contact.mail = mail;
        return true;
    }

private:
    static void setOnce(QString &field, const QString &value)
    {
        if (field.isEmpty())
            field = value;
    }

    QString fullName, structuredName, organisation, mail;
    QStringList mobiles, others;
};

QString lineError(int line, const char *what)
{
    return QStringLiteral("satır %1: %2").arg(line).arg(QString::fromUtf8(what));
}

} // namespace

bool readVCards(LineReader &lines, ContactFile &result, QString &error)
{
    int depth = 0, cardLine = 0;
    Card card;
    LogicalLine logical;
    QByteArray physical;
    int logicalLine = 0;
    bool more = true;
    while (more) {
        more = lines.next(physical);
        if (more && !logical.bytes().isEmpty()) {
            // A folded line goes on after one space or tab; a quoted-printable value
            // after a "=" at the end of the line, in the middle of a character even.
            if (!physical.isEmpty() && (physical[0] == ' ' || physical[0] == '\t')) {
                logical.append(physical.mid(1));
                continue;
            }
            if (logical.endsInSoftBreak()) {
                logical.dropSoftBreak();
                logical.append(physical);
                continue;
            }
        }
        const QByteArray line = logical.bytes();
        const int number = logicalLine;
        logical.start(physical);
        logicalLine = lines.lineNumber();
        Property property;
        if (line.trimmed().isEmpty() || !parseProperty(line, property))
            continue; // outside a card, or a photo's base64 lines in 2.1
        const QByteArray value = property.value.trimmed().toUpper();
        if (property.name == "BEGIN" && value == "VCARD") {
            if (depth++ == 0) {
                card = Card();
                cardLine = number;
            }
        } else if (property.name == "END" && value == "VCARD" && depth > 0) {
            if (--depth == 0) {
                Contact contact;
                if (card.toContact(contact))
                    result.contacts << contact;
                else
                    ++result.unreadable;
            }
        } else if (depth == 1 && !card.add(property)) {
            error = fieldTooLongAt(number);
            return false;
        }
    }
    if (depth > 0 && !lines.stopped()) {
        error = lineError(cardLine, "bu kart END:VCARD ile bitmeden dosya bitiyor");
        return false;
    }
    return true;
}
