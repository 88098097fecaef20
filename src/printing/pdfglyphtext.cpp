#include "printing/pdfglyphtext.h"

#include <QFile>

namespace
{

// The number after the key and blanks, the key found within the bytes from..to ("/Root 2 0
// R" gives 2), or -1.
qint64 numberAfter(const QByteArray &pdf, const QByteArray &key, int from, int to)
{
    int at = pdf.indexOf(key, from);
    if (at < 0 || at >= to)
        return -1;
    at += key.size();
    while (at < pdf.size() && (pdf.at(at) == ' ' || pdf.at(at) == '\n' || pdf.at(at) == '\r'))
        ++at;
    qint64 number = -1;
    for (; at < pdf.size() && pdf.at(at) >= '0' && pdf.at(at) <= '9'; ++at)
        number = qMax<qint64>(number, 0) * 10 + (pdf.at(at) - '0');
    return number;
}

// The object number of the ToUnicode map of the Type0 font of that name, or -1.
qint64 textMapOf(const QByteArray &pdf, const QByteArray &fontName)
{
    const QByteArray baseFont = "/BaseFont /" + fontName;
    for (int at = pdf.indexOf(baseFont); at >= 0; at = pdf.indexOf(baseFont, at + 1)) {
        const char after = pdf.at(at + baseFont.size());
        if (after != '\n' && after != ' ' && after != '/' && after != '>')
            continue;
        const int end = pdf.indexOf("endobj", at);
        const qint64 map = numberAfter(pdf, "/ToUnicode ", at, end < 0 ? pdf.size() : end);
        if (map >= 0)
            return map;
    }
    return -1;
}

QByteArray hex(uint value)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(4, '0');
}

// UTF-16 in hex, as a ToUnicode map writes a character.
QByteArray utf16Hex(char32_t character)
{
    if (character < 0x10000)
        return hex(character);
    return hex(0xD800 + ((character - 0x10000) >> 10)) +
           hex(0xDC00 + ((character - 0x10000) & 0x3FF));
}

QByteArray toUnicodeMap(const QMap<int, char32_t> &characterOfGlyph)
{
    QByteArray map = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                     "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    // At most 100 entries a block.
    const QList<int> glyphs = characterOfGlyph.keys();
    for (int first = 0; first < glyphs.size(); first += 100) {
        const int count = qMin(100, glyphs.size() - first);
        map += QByteArray::number(count) + " beginbfchar\n";
        for (int i = first; i < first + count; ++i)
            map += '<' + hex(uint(glyphs.at(i))) + "> <" +
                   utf16Hex(characterOfGlyph.value(glyphs.at(i))) + ">\n";
        map += "endbfchar\n";
    }
    return map + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend";
}

} // namespace

bool addGlyphText(const QByteArray &pdfPath, const QByteArray &fontName,
                  const QMap<int, char32_t> &characterOfGlyph, QString &why)
{
    QFile file(QFile::decodeName(pdfPath));
    if (!file.open(QIODevice::ReadWrite)) {
        why = QStringLiteral("yazılamadı (%1)").arg(file.errorString());
        return false;
    }
    const QByteArray pdf = file.readAll();
    const qint64 map = textMapOf(pdf, fontName);
    const int trailer = pdf.lastIndexOf("trailer");
    const qint64 size = numberAfter(pdf, "/Size ", trailer, pdf.size());
    const qint64 root = numberAfter(pdf, "/Root ", trailer, pdf.size());
    const qint64 info = numberAfter(pdf, "/Info ", trailer, pdf.size());
    const qint64 previous = numberAfter(pdf, "startxref", trailer, pdf.size());
    if (map < 0 || trailer < 0 || size < 0 || root < 0 || previous < 0) {
        why = QStringLiteral("PDF'in yazı haritası bulunamadı");
        return false;
    }
    const QByteArray stream = toUnicodeMap(characterOfGlyph);
    const qint64 object = pdf.size() + 1;
    QByteArray update = '\n' + QByteArray::number(map) + " 0 obj\n<< /Length " +
                        QByteArray::number(stream.size()) + " >>\nstream\n" + stream +
                        "\nendstream\nendobj\n";
    const qint64 xref = pdf.size() + update.size();
    update += "xref\n" + QByteArray::number(map) + " 1\n" +
              QByteArray::number(object).rightJustified(10, '0') + " 00000 n \ntrailer\n<< /Size " +
              QByteArray::number(size) + " /Root " + QByteArray::number(root) + " 0 R" +
              (info < 0 ? QByteArray() : " /Info " + QByteArray::number(info) + " 0 R") +
              " /Prev " + QByteArray::number(previous) + " >>\nstartxref\n" +
              QByteArray::number(xref) + "\n%%EOF\n";
    if (file.write(update) != update.size() || !file.flush()) {
        why = QStringLiteral("yazılamadı (%1)").arg(file.errorString());
        return false;
    }
    return true;
}
