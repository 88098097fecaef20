#include "directory/phonedirectory.h"

#include <QXmlStreamWriter>

namespace
{

struct Layout {
    DirectoryLayout layout;
    const char *name;
};

constexpr Layout layouts[] = {
    {DirectoryLayout::Yealink, "yealink"},
    {DirectoryLayout::Cisco, "cisco"},
    {DirectoryLayout::Grandstream, "grandstream"},
    {DirectoryLayout::Snom, "snom"},
};

// An entry as a phone lists it: the name, and its numbers as dialled.
struct Listed {
    QString name;
    QString work;
    QString cell;
};

// An entry's numbers that can be dialled, in order, each with whether it is the phone
// (the work number) or the mobile.
struct Number {
    bool work;
    QString dialled;
};

QVector<Number> numbersOf(const Listed &entry)
{
    QVector<Number> numbers;
    if (!entry.work.isEmpty())
        numbers.append({true, entry.work});
    if (!entry.cell.isEmpty())
        numbers.append({false, entry.cell});
    return numbers;
}

// The last word is the family name, as Turkish names are written; one word is a first name.
QPair<QString, QString> firstAndLastName(const QString &name)
{
    const QString simplified = name.simplified();
    const int space = simplified.lastIndexOf(QLatin1Char(' '));
    if (space < 0)
        return {simplified, QString()};
    return {simplified.left(space), simplified.mid(space + 1)};
}

void writeYealink(QXmlStreamWriter &xml, const QVector<Listed> &listed)
{
    xml.writeStartElement(QStringLiteral("YealinkIPPhoneDirectory"));
    for (const Listed &entry : listed) {
        xml.writeStartElement(QStringLiteral("DirectoryEntry"));
        xml.writeTextElement(QStringLiteral("Name"), entry.name);
        for (const Number &number : numbersOf(entry))
            xml.writeTextElement(QStringLiteral("Telephone"), number.dialled);
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writeCisco(QXmlStreamWriter &xml, const QVector<Listed> &listed)
{
    xml.writeStartElement(QStringLiteral("CiscoIPPhoneDirectory"));
    xml.writeTextElement(QStringLiteral("Title"), QStringLiteral("TELEFON DEFTERİ"));
    xml.writeTextElement(QStringLiteral("Prompt"), QStringLiteral("Kişi seçin"));
    for (const Listed &entry : listed)
        for (const Number &number : numbersOf(entry)) {
            xml.writeStartElement(QStringLiteral("DirectoryEntry"));
            xml.writeTextElement(QStringLiteral("Name"), entry.name);
            xml.writeTextElement(QStringLiteral("Telephone"), number.dialled);
            xml.writeEndElement();
        }
    xml.writeEndElement();
}

void writeGrandstream(QXmlStreamWriter &xml, const QVector<Listed> &listed)
{
    xml.writeStartElement(QStringLiteral("AddressBook"));
    for (const Listed &entry : listed) {
        const auto [first, last] = firstAndLastName(entry.name);
        xml.writeStartElement(QStringLiteral("Contact"));
        xml.writeTextElement(QStringLiteral("LastName"), last);
        xml.writeTextElement(QStringLiteral("FirstName"), first);
        for (const Number &number : numbersOf(entry)) {
            xml.writeStartElement(QStringLiteral("Phone"));
            xml.writeAttribute(QStringLiteral("type"),
                               number.work ? QStringLiteral("Work") : QStringLiteral("Cell"));
            xml.writeTextElement(QStringLiteral("phonenumber"), number.dialled);
            xml.writeTextElement(QStringLiteral("accountindex"), QStringLiteral("1"));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

void writeSnom(QXmlStreamWriter &xml, const QVector<Listed> &listed)
{
    xml.writeStartElement(QStringLiteral("tbook"));
    // Complete: the phone drops the entries it holds that are not listed any more.
    xml.writeAttribute(QStringLiteral("complete"), QStringLiteral("true"));
    xml.writeAttribute(QStringLiteral("e"), QStringLiteral("2"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    for (const Listed &entry : listed) {
        const auto [first, last] = firstAndLastName(entry.name);
        xml.writeStartElement(QStringLiteral("contact"));
        xml.writeAttribute(QStringLiteral("fav"), QStringLiteral("false"));
        xml.writeAttribute(QStringLiteral("vip"), QStringLiteral("false"));
        xml.writeAttribute(QStringLiteral("blocked"), QStringLiteral("false"));
        xml.writeTextElement(QStringLiteral("first_name"), first);
        xml.writeTextElement(QStringLiteral("last_name"), last);
        xml.writeStartElement(QStringLiteral("numbers"));
        for (const Number &number : numbersOf(entry)) {
            xml.writeEmptyElement(QStringLiteral("number"));
            xml.writeAttribute(QStringLiteral("no"), number.dialled);
            xml.writeAttribute(QStringLiteral("type"),
                               number.work ? QStringLiteral("business") : QStringLiteral("mobile"));
            xml.writeAttribute(QStringLiteral("outgoing_id"), QStringLiteral("0"));
        }
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

// XML 1.0 cannot carry most control characters, even escaped: a phone's parser would
// refuse the whole directory for one name that holds one.
QString withoutControls(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text)
        if (c.unicode() >= 0x20 || c == QLatin1Char('\t'))
            kept += (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF) ? QChar(0xFFFD) : c;
    return kept;
}

} // namespace

std::optional<DirectoryLayout> directoryLayoutNamed(const QString &name)
{
    for (const Layout &layout : layouts)
        if (name == QLatin1String(layout.name))
            return layout.layout;
    return std::nullopt;
}

QStringList directoryLayoutNames()
{
    QStringList names;
    for (const Layout &layout : layouts)
        names << QString::fromLatin1(layout.name);
    return names;
}

QString listedName(const QString &name)
{
    return withoutControls(name.simplified());
}

QString dialledNumber(const QString &number)
{
    QString dialled;
    for (const QChar c : number) {
        // Any script's digits, as the search's number key reads them.
        if (c.isDigit())
            dialled += QChar(u'0' + c.digitValue());
        else if (c == QLatin1Char('+') && dialled.isEmpty())
            dialled += c;
    }
    return dialled == QLatin1String("+") ? QString() : dialled;
}

QByteArray directoryXml(DirectoryLayout layout, const QVector<Entry> &entries)
{
    QVector<Listed> listed;
    listed.reserve(entries.size());
    for (const Entry &entry : entries) {
        Listed one{listedName(entry.adsoyad), dialledNumber(entry.telefon),
                   dialledNumber(entry.cep)};
        if (one.cell == one.work)
            one.cell.clear();
        if (!one.work.isEmpty() || !one.cell.isEmpty())
            listed << one;
    }
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    switch (layout) {
    case DirectoryLayout::Yealink:
        writeYealink(xml, listed);
        break;
    case DirectoryLayout::Cisco:
        writeCisco(xml, listed);
        break;
    case DirectoryLayout::Grandstream:
        writeGrandstream(xml, listed);
        break;
    case DirectoryLayout::Snom:
        writeSnom(xml, listed);
        break;
    }
    xml.writeEndDocument();
    return bytes;
}
