#include "exchange/workbooktext.h"

#include <QXmlStreamReader>

namespace
{

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

// Whether an escape "_xHHHH_" starts at the position.
bool escapeAt(const QString &text, int at)
{
    if (at + 7 > text.size() || text.at(at) != QLatin1Char('_') ||
        text.at(at + 1) != QLatin1Char('x') || text.at(at + 6) != QLatin1Char('_'))
        return false;
    for (int i = at + 2; i < at + 6; ++i)
        if (!isHexDigit(text.at(i)))
            return false;
    return true;
}

bool needsEscape(QChar c)
{
    return c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n');
}

} // namespace

QString escapedWorkbookText(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (needsEscape(c) || (c == QLatin1Char('_') && escapeAt(text, i)))
            escaped +=
                QLatin1String("_x") +
                QString::number(c.unicode(), 16).rightJustified(4, QLatin1Char('0')).toUpper() +
                QLatin1Char('_');
        else
            escaped += c;
    }
    return escaped;
}

QString unescapedWorkbookText(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString plain;
    plain.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (escapeAt(text, i)) {
            const QChar c(text.midRef(i + 2, 4).toUShort(nullptr, 16));
            if (!c.isNull())
                plain += c;
            i += 6;
        } else {
            plain += text.at(i);
        }
    }
    return plain;
}

QString elementTextOf(QXmlStreamReader &xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            text += xml.text();
            break;
        default:
            break;
        }
    }
    return text;
}

QString workbookTextOf(QXmlStreamReader &xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            // Both read up to the element's end: the depth stays.
            if (xml.name() == QLatin1String("t"))
                text += elementTextOf(xml);
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
    return unescapedWorkbookText(text);
}
