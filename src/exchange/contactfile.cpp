#include "exchange/contactfile.h"

#include "exchange/csvreader.h"
#include "exchange/formulaguard.h"
#include "exchange/linereader.h"
#include "exchange/nativefile.h"
#include "exchange/vcardreader.h"
#include "exchange/workbookreader.h"
#include "exchange/workbookwriter.h"

#include <QBuffer>
#include <QFile>
#include <QTextCodec>

namespace
{

// Looks through the whole file once, a line at a time: where the first NUL byte is (a
// binary file), whether there is any text at all, and whether it is valid UTF-8.
struct FileShape {
    int binaryLine = 0;
    bool empty = true;
    bool utf8 = true;
    QByteArray firstLine;
    bool stopped = false; // by the progress, before the end
};

FileShape shapeOf(QIODevice &file, const Progress &progress)
{
    FileShape shape;
    const qint64 start = file.pos();
    LineReader lines(file, progress, 0, 2 * file.size());
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
    shape.stopped = lines.stopped();
    file.seek(start);
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

QByteArray csvRow(const Contact &contact)
{
    return csvField(contact.adsoyad) + ';' + csvField(contact.telefon) + ';' +
           csvField(contact.cep) + ';' + csvField(contact.mail) + "\r\n";
}

} // namespace

bool readContactFile(const QString &path, ContactFile &result, QString &error,
                     const ColumnChoice &choice)
{
    return readContactFileAt(QFile::encodeName(path), result, error, {}, choice);
}

bool readContactFileAt(const QByteArray &path, ContactFile &result, QString &error,
                       const Progress &progress, const ColumnChoice &choice)
{
    const QString name = shownFileName(path);
    auto refuse = [&](const QString &why) {
        error = name + QStringLiteral(": ") + why;
        if (!result.unknown.header.isEmpty())
            result.unknown.path = path;
        return false;
    };
    QFile file;
    QString why;
    if (!openRegularFile(path, file, why))
        return refuse(why);
    if (file.size() > largestContactFile)
        return refuse(QStringLiteral("50 MB'tan büyük, kişi dosyası olamaz"));
    if (looksLikeWorkbook(file.peek(4))) {
        if (progress && !progress(0, 1))
            return refuse(QStringLiteral("okuma durduruldu"));
        QString why;
        return readWorkbook(file.readAll(), choice, result, why, progress) || refuse(why);
    }
    // UTF-16 with a byte order mark, as Windows programs write it: read as UTF-8.
    QBuffer utf16AsUtf8;
    QIODevice *text = &file;
    const QByteArray mark = file.peek(3);
    if (mark.startsWith("\xFF\xFE") || mark.startsWith("\xFE\xFF")) {
        utf16AsUtf8.setData(QTextCodec::codecForUtfText(mark)->toUnicode(file.readAll()).toUtf8());
        utf16AsUtf8.open(QIODevice::ReadOnly);
        text = &utf16AsUtf8;
    } else if (mark == "\xEF\xBB\xBF") {
        file.seek(3);
    }
    const QString stopped = QStringLiteral("okuma durduruldu");
    const FileShape shape = shapeOf(*text, progress);
    if (shape.stopped)
        return refuse(stopped);
    if (shape.binaryLine > 0)
        return refuse(
            QStringLiteral("satır %1: metin değil, ikili bir dosya").arg(shape.binaryLine));
    if (shape.empty)
        return refuse(QStringLiteral("boş"));
    ContactFile read;
    bool ok = false;
    LineReader lines(*text, progress, text->size(), 2 * text->size());
    if (shape.firstLine.toUpper().startsWith("BEGIN:VCARD")) {
        ok = readVCards(lines, read, why);
    } else {
        // Excel on a Turkish Windows writes windows-1254 unless told otherwise.
        QTextCodec *codec = QTextCodec::codecForName(shape.utf8 ? "UTF-8" : "windows-1254");
        ok = readCsv(lines, codec, choice, read, why);
    }
    if (lines.stopped())
        return refuse(stopped);
    if (!ok) {
        result.unknown = read.unknown;
        return refuse(why);
    }
    result.contacts << read.contacts;
    result.unreadable += read.unreadable;
    return true;
}

bool writeContactFile(const QString &path, const QVector<Contact> &contacts, QString &error,
                      const Progress &progress)
{
    return writeContactFileAt(QFile::encodeName(path), contacts, error, progress);
}

bool writeContactFileAt(const QByteArray &path, const QVector<Contact> &contacts, QString &error,
                        const Progress &progress)
{
    QString why;
    auto refuse = [&] {
        error = shownFileName(path) + QStringLiteral(": ") + why;
        return false;
    };
    if (path.toLower().endsWith(".xlsx"))
        return writeWorkbook(path, contacts, why, progress) || refuse();
    const bool csv = path.toLower().endsWith(".csv");
    QByteArray content;
    if (csv)
        content = "\xEF\xBB\xBF"
                  "Ad Soyad;Telefon;Cep;Mail\r\n";
    for (int i = 0; i < contacts.size(); ++i) {
        if (progress && i % 256 == 0 && !progress(i, contacts.size())) {
            why = stoppedWriting();
            return refuse();
        }
        content += csv ? csvRow(contacts.at(i)) : vCard(contacts.at(i));
    }
    return replaceFile(path, content, why) || refuse();
}

QByteArray csvField(const QString &text)
{
    QByteArray field = guardedAgainstFormulas(text).toUtf8();
    if (field.contains(';') || field.contains('"') || field.contains('\n') || field.contains('\r'))
        field = '"' + field.replace('"', "\"\"") + '"';
    return field;
}
