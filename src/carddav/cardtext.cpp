#include "carddav/cardtext.h"

#include <QByteArrayList>
#include <QRegularExpression>
#include <QStringList>

namespace
{

// One property of a card: its lines as they came (folded, with their line ends), and
// unfolded, its name, parameters and value.
struct Property {
    QByteArray raw;
    QByteArray name;
    // In upper case, to look into; and as written, unfolded.
    QByteArray parameters;
    QByteArray written;
    QByteArray value;
};

// Parts of a text at a separator outside double quotes.
QByteArrayList unquotedParts(const QByteArray &text, char separator)
{
    QByteArrayList parts{QByteArray()};
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (c == separator && !quoted)
            parts << QByteArray();
        else
            parts.last() += c;
    }
    return parts;
}

QVector<Property> propertiesOf(const QByteArray &card)
{
    QVector<Property> properties;
    int at = 0;
    while (at < card.size()) {
        int end = card.indexOf('\n', at);
        end = end < 0 ? card.size() : end + 1;
        const QByteArray line = card.mid(at, end - at);
        // A line that starts with white space goes on with the one before.
        if ((line.startsWith(' ') || line.startsWith('\t')) && !properties.isEmpty()) {
            properties.last().raw += line;
        } else {
            properties.append({line, {}, {}, {}, {}});
        }
        at = end;
    }
    for (Property &property : properties) {
        QByteArray unfolded;
        const QByteArrayList parts = property.raw.split('\n');
        for (int i = 0; i < parts.size(); ++i) {
            QByteArray part = parts[i];
            if (part.endsWith('\r'))
                part.chop(1);
            unfolded += i == 0 ? part : part.mid(1);
        }
        // The name and parameters end at the first colon outside quotes.
        bool quoted = false;
        int colon = -1;
        for (int i = 0; i < unfolded.size() && colon < 0; ++i) {
            if (unfolded[i] == '"')
                quoted = !quoted;
            else if (unfolded[i] == ':' && !quoted)
                colon = i;
        }
        const QByteArray head = colon < 0 ? unfolded : unfolded.left(colon);
        property.value = colon < 0 ? QByteArray() : unfolded.mid(colon + 1);
        const QByteArrayList named = unquotedParts(head, ';');
        // A group's prefix ("item1.TEL") names the same property.
        const QByteArray name = named.first();
        property.name = name.mid(name.lastIndexOf('.') + 1).trimmed().toUpper();
        // A continuation with nothing to continue is no property of its own.
        if (property.raw.startsWith(' ') || property.raw.startsWith('\t'))
            property.name.clear();
        property.written = named.mid(1).join(';');
        property.parameters = property.written.toUpper();
    }
    return properties;
}

QString unescaped(const QByteArray &value)
{
    const QString text = QString::fromUtf8(value);
    QString plain;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar next = text[++i];
            plain += next == QLatin1Char('n') || next == QLatin1Char('N') ? QChar('\n') : next;
        } else {
            plain += text[i];
        }
    }
    return plain;
}

QByteArray escaped(const QString &text)
{
    QString written;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';'))
            written += QLatin1Char('\\');
        if (c == QLatin1Char('\n'))
            written += QStringLiteral("\\n");
        else if (c != QLatin1Char('\r'))
            written += c;
    }
    return written.toUtf8();
}

bool isMobile(const Property &property)
{
    return property.name == "TEL" && property.parameters.contains("CELL");
}

// Where each of the entry's values is: the index of its property, -1 when it has none.
struct Places {
    int name = -1, phone = -1, mobile = -1, mail = -1, uid = -1, end = -1;
};

Places placesIn(const QVector<Property> &properties)
{
    Places places;
    for (int i = 0; i < properties.size(); ++i) {
        const Property &property = properties[i];
        int *place = nullptr;
        if (property.name == "FN")
            place = &places.name;
        else if (property.name == "TEL")
            place = isMobile(property) ? &places.mobile : &places.phone;
        else if (property.name == "EMAIL")
            place = &places.mail;
        else if (property.name == "UID")
            place = &places.uid;
        else if (property.name == "END" && property.value.trimmed().toUpper() == "VCARD")
            place = &places.end;
        if (place && *place < 0)
            *place = i;
    }
    return places;
}

QString valueAt(const QVector<Property> &properties, int at)
{
    return at < 0 ? QString() : unescaped(properties[at].value).trimmed();
}

// A content line, folded at 75 bytes without cutting a character.
QByteArray folded(const QByteArray &line)
{
    QByteArray written;
    int at = 0, width = 75;
    while (line.size() - at > width) {
        int cut = at + width;
        while (cut > at && (quint8(line[cut]) & 0xC0) == 0x80)
            --cut;
        // Bytes that are no characters at all are cut where the width ends.
        if (cut == at)
            cut = at + width;
        written += line.mid(at, cut - at) + "\r\n ";
        at = cut;
        width = 74;
    }
    return written + line.mid(at) + "\r\n";
}

// "Ayşe Nur Yılmaz" → "Yılmaz;Ayşe Nur;;;", the last word the family name.
QByteArray structuredName(const QString &name)
{
    const QString simplified = name.simplified();
    const int space = simplified.lastIndexOf(QLatin1Char(' '));
    const QString given = space < 0 ? simplified : simplified.left(space);
    const QString family = space < 0 ? QString() : simplified.mid(space + 1);
    return escaped(family) + ';' + escaped(given) + ";;;";
}

} // namespace

CardFields fieldsOf(const QByteArray &card)
{
    const QVector<Property> properties = propertiesOf(card);
    const Places places = placesIn(properties);
    return {valueAt(properties, places.name), valueAt(properties, places.phone),
            valueAt(properties, places.mobile), valueAt(properties, places.mail),
            valueAt(properties, places.uid)};
}

QByteArray cardWithEntry(const QByteArray &card, const Entry &entry, const QString &uid)
{
    QVector<Property> properties = propertiesOf(card);
    Places places = placesIn(properties);
    if (places.end < 0) {
        properties =
            propertiesOf("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + escaped(uid) + "\r\nEND:VCARD\r\n");
        places = placesIn(properties);
    }
    // Each value that differs: its line written anew (its parameters kept, but for an
    // encoding it no longer has), or added before the end, or taken out when emptied.
    struct Wanted {
        int place;
        QByteArray name;
        QByteArray parameters;
        QString value;
    };
    const QVector<Wanted> wanted = {
        {places.name, "FN", {}, entry.adsoyad.trimmed()},
        {places.phone, "TEL", "TYPE=WORK,VOICE", entry.telefon.trimmed()},
        {places.mobile, "TEL", "TYPE=CELL", entry.cep.trimmed()},
        {places.mail, "EMAIL", "TYPE=INTERNET", entry.mail.trimmed()},
    };
    QVector<QByteArray> replaced(properties.size());
    QVector<bool> removed(properties.size(), false);
    QByteArray added;
    for (const Wanted &one : wanted) {
        if (valueAt(properties, one.place) == one.value)
            continue;
        if (one.value.isEmpty()) {
            removed[one.place] = true;
            continue;
        }
        QByteArray parameters = one.parameters;
        if (one.place >= 0) {
            QByteArrayList kept;
            // Those of a plain form (TYPE=CELL,VOICE; PREF=1): a value in quotes, or one
            // that is not a parameter at all, is not written again.
            static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9-]+(=[^\";:]*)?$"));
            for (const QByteArray &parameter : unquotedParts(properties[one.place].written, ';')) {
                const QByteArray trimmed = parameter.trimmed();
                const QByteArray upper = trimmed.toUpper();
                if (!upper.startsWith("ENCODING") && !upper.startsWith("CHARSET") &&
                    plain.match(QString::fromUtf8(trimmed)).hasMatch())
                    kept << trimmed;
            }
            parameters = kept.join(';');
        }
        const QByteArray line = folded(one.name + (parameters.isEmpty() ? "" : ";" + parameters) +
                                       ':' + escaped(one.value));
        if (one.place >= 0)
            replaced[one.place] = line;
        else
            added += line;
        // A new name gets its structured name too, which vCard 3.0 requires.
        if (one.name == "FN") {
            bool structured = false;
            for (int i = 0; i < properties.size(); ++i)
                if (properties[i].name == "N") {
                    replaced[i] = folded("N:" + structuredName(one.value));
                    structured = true;
                }
            if (!structured)
                added += folded("N:" + structuredName(one.value));
        }
    }
    QByteArray written;
    for (int i = 0; i < properties.size(); ++i) {
        if (i == places.end)
            written += added;
        if (!removed[i])
            written += replaced[i].isNull() ? properties[i].raw : replaced[i];
    }
    // Every line ended as vCard ends them: an answer read as XML has lost its CRs.
    written.replace("\r\n", "\n");
    if (!written.endsWith('\n'))
        written += '\n';
    return written.replace("\n", "\r\n");
}
