#include "exchange/contactfile.h"

#include "exchange/csvreader.h"
#include "exchange/linereader.h"
#include "exchange/vcardreader.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTextCodec>

namespace
{

QString named(const QString &path, const QString &what)
{
    return QFileInfo(path).fileName() + QStringLiteral(": ") + what;
}

// Looks through the whole file once, a line at a time: where the first NUL byte is (a
// binary file), whether there is any text at all, and whether it is valid UTF-8.
struct FileShape {
    int binaryLine = 0;
    bool empty = true;
    bool utf8 = true;
    QByteArray firstLine;
};

FileShape shapeOf(QFile &file)
{
    FileShape shape;
    LineReader lines(file);
    QTextCodec *utf8 = QTextCodec::codecForName("UTF-8");
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    QByteArray line;
    while (lines.next(line) && shape.binaryLine == 0) {
        if (line.contains('\0'))
            shape.binaryLine = lines.lineNumber();
        if (shape.empty && !line.trimmed().isEmpty()) {
            shape.empty = false;
            shape.firstLine = line.trimmed();
        }
        utf8->toUnicode(line.constData(), line.size(), &state);
    }
    shape.utf8 = state.invalidChars == 0;
    if (shape.firstLine.startsWith("\xEF\xBB\xBF"))
        shape.firstLine.remove(0, 3);
    file.seek(0);
    return shape;
}

QByteArray foldedLines(const QByteArray &line)
{
    // 75 octets a line, the break never inside a UTF-8 character; the next line starts
    // with a space.
    QByteArray folded;
    int start = 0, limit = 75;
    while (line.size() - start > limit) {
        int cut = start + limit;
        while (cut > start && (uchar(line[cut]) & 0xC0) == 0x80)
            --cut;
        folded += line.mid(start, cut - start) + "\r\n ";
        start = cut;
        limit = 74;
    }
    return folded + line.mid(start) + "\r\n";
}

QString vCardText(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case ',':
            escaped += QLatin1String("\\,");
            break;
        case ';':
            escaped += QLatin1String("\\;");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QByteArray vCard(const Contact &contact)
{
    // N: the family name is the name's last word, the given names the words before it.
    const QString name = contact.adsoyad.trimmed();
    const int lastSpace = name.lastIndexOf(QLatin1Char(' '));
    const QString family = name.mid(lastSpace + 1),
                  given = lastSpace < 0 ? QString() : name.left(lastSpace);
    QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    card += foldedLines("FN:" + vCardText(contact.adsoyad).toUtf8());
    card +=
        foldedLines("N:" + vCardText(family).toUtf8() + ';' + vCardText(given).toUtf8() + ";;;");
    const std::pair<const char *, const QString &> optional[] = {
        {"TEL;TYPE=VOICE:", contact.telefon},
        {"TEL;TYPE=CELL:", contact.cep},
        {"EMAIL;TYPE=INTERNET:", contact.mail}};
    for (const auto &[property, value] : optional)
        if (!value.isEmpty())
            card += foldedLines(property + vCardText(value).toUtf8());
    return card + "END:VCARD\r\n";
}

QByteArray csvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    if (field.contains(';') || field.contains('"') || field.contains('\n') || field.contains('\r'))
        field = '"' + field.replace('"', "\"\"") + '"';
    return field;
}

QByteArray csvRow(const Contact &contact)
{
    return csvField(contact.adsoyad) + ';' + csvField(contact.telefon) + ';' +
           csvField(contact.cep) + ';' + csvField(contact.mail) + "\r\n";
}

} // namespace

bool readContactFile(const QString &path, ContactFile &result, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = named(path, QStringLiteral("okunamıyor (%1)").arg(file.errorString()));
        return false;
    }
    if (file.size() > largestContactFile) {
        error = named(path, QStringLiteral("50 MB'tan büyük, kişi dosyası olamaz"));
        return false;
    }
    const FileShape shape = shapeOf(file);
    const bool utf16 =
        shape.firstLine.startsWith("\xFF\xFE") || shape.firstLine.startsWith("\xFE\xFF");
    if (shape.binaryLine > 0 && !utf16) {
        error = named(
            path, QStringLiteral("satır %1: metin değil, ikili bir dosya").arg(shape.binaryLine));
        return false;
    }
    if (shape.empty) {
        error = named(path, QStringLiteral("boş"));
        return false;
    }
    ContactFile read;
    bool ok = false;
    if (shape.firstLine.toUpper().startsWith("BEGIN:VCARD")) {
        LineReader lines(file);
        ok = readVCards(lines, read, error);
    } else {
        // Excel on a Turkish Windows writes windows-1254 unless told otherwise.
        QTextCodec *codec = utf16        ? QTextCodec::codecForUtfText(shape.firstLine)
                            : shape.utf8 ? QTextCodec::codecForName("UTF-8")
                                         : QTextCodec::codecForName("windows-1254");
        ok = readCsv(file, codec, read, error);
    }
    if (!ok) {
        error = named(path, error);
        return false;
    }
    result.contacts << read.contacts;
    result.unreadable += read.unreadable;
    return true;
}

bool writeContactFile(const QString &path, const QVector<Contact> &contacts, QString &error)
{
    const bool csv = path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = named(path, QStringLiteral("yazılamıyor (%1)").arg(file.errorString()));
        return false;
    }
    if (csv)
        file.write("\xEF\xBB\xBF"
                   "Ad Soyad;Telefon;Cep;Mail\r\n");
    for (const Contact &contact : contacts)
        file.write(csv ? csvRow(contact) : vCard(contact));
    if (!file.commit()) {
        error = named(path, QStringLiteral("yazılamadı (%1)").arg(file.errorString()));
        return false;
    }
    return true;
}
