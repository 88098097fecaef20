// Contacts in and out: the sample files of phones and programs mapped onto entries,
// broken files refused, hostile texts through both formats and independent readers,
// imports without duplicates and all or nothing, and the window's menu and drop.
#include "exchange/backgroundreading.h"
#include "exchange/contactfile.h"
#include "exchange/importer.h"
#include "platform/terminationsignals.h"
#include "store/phonebookdb.h"

#include "testsupport.h"

#include <QDir>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTextCodec>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <cstdio>

namespace
{

const QString samples = QStringLiteral(EXCHANGE_SAMPLES);

QStringList rowsOf(const QVector<Contact> &contacts)
{
    QStringList rows;
    for (const Contact &c : contacts)
        rows << QStringList({c.adsoyad, c.telefon, c.cep, c.mail}).join('|') +
                    (c.unplaced.isEmpty() ? QString() : " +" + c.unplaced.join(','));
    return rows;
}

// Distinct people carrying the hostile texts: the mail tells them apart.
QVector<Contact> hostileContacts()
{
    QVector<Contact> contacts;
    const QStringList texts = generatedHostileTexts();
    for (int i = 0; i < texts.size(); ++i) {
        const QString text = texts.at(i).left(32767).trimmed();
        if (!text.isEmpty())
            contacts.append({text, text, text, QStringLiteral("kişi%1@ornek.com.tr").arg(i)});
    }
    return contacts;
}

// An office's people: distinct names that share the office's mail and landlines, as
// colleagues do; none of them is the same person as another.
QVector<Contact> officeContacts()
{
    QVector<Contact> contacts;
    const QStringList mails = {"info@firma.com.tr", "INFO@firma.com.tr", ""};
    for (int i = 0; i < 306; ++i)
        contacts.append({QStringLiteral("Çalışan %1 Öztürk").arg(i),
                         QStringLiteral("0212 555 00 %1").arg(i / 10),
                         i % 2 == 0 ? QStringLiteral("0532 %1").arg(i) : QString(),
                         mails.at(i % 3),
                         {}});
    return contacts;
}

// The rows an independent reader finds in an export.
QStringList independentlyRead(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(EXCHANGE_READER), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qFatal("read_export.py: %s", python.readAllStandardError().constData());
    QStringList rows;
    for (const QJsonValue row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList fields;
        for (const QJsonValue field : row.toArray())
            fields << field.toString();
        rows << fields.join('|');
    }
    return rows;
}

// What a drop from a file manager carries: the URI list as bytes. QMimeData's own setters
// would parse it into QUrls, which replace a byte that is no UTF-8.
class DroppedUriList : public QMimeData
{
public:
    explicit DroppedUriList(const QByteArray &list) : list(list) {}
    bool hasFormat(const QString &type) const override { return type == uriList; }
    QStringList formats() const override { return {uriList}; }

protected:
    QVariant retrieveData(const QString &type, QVariant::Type) const override
    {
        return type == uriList ? QVariant(list) : QVariant();
    }

private:
    const QString uriList = QStringLiteral("text/uri-list");
    const QByteArray list;
};

// A CSV of many people, large enough that reading it takes a while.
QString writeLargeCsv(const QString &path, int people)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write("Ad Soyad;Telefon;Cep;Mail\r\n");
    for (int i = 0; i < people; ++i)
        file.write(QStringLiteral("Kişi %1;0212 %1;;kisi%1@ornek.com.tr\r\n").arg(i).toUtf8());
    return path;
}

QString writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class ExchangeTest : public QObject
{
    Q_OBJECT

private slots:
    void samplesAreRead_data();
    void samplesAreRead();
    void hostileTextsSurviveExportAndImport_data();
    void hostileTextsSurviveExportAndImport();
    void ownExportsReadBackExactly_data();
    void ownExportsReadBackExactly();
    void vCardLinesStayWithin75Octets();
    void generatedFilesAreRead_data();
    void generatedFilesAreRead();
    void backgroundReadingStopsWhenCancelled();
    void importAddsOnlyNewPeopleInOneTransaction();
    void windowExportsTheListAndImportsDroppedFiles();
    void windowImportCanBeCancelled();
    void windowRefusesWhatIsNoRegularFile();
    void windowImportStopsOnTerminationSignal();
};

void ExchangeTest::samplesAreRead_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("unreadable");
    QTest::addColumn<QString>("error");
    const QStringList none;
    QTest::newRow("Android 2.1, quoted-printable")
        << "android-2.1.vcf"
        << QStringList({"Şule Çağlar|0232 333 66 77|0532 111 22 33|sule@ornek.com.tr",
                        "Ayşe Yılmaz|0543 222 33 44|+90 505 444 55 66|",
                        "İbrahim Güneş|0216 222 77 88||", "Ömer Çelik||0555 123 45 67|"})
        << 1 << "";
    QTest::newRow("iPhone 3.0")
        << "iphone-3.0.vcf"
        << QStringList({"Mehmet Öztürk|0312 444 55 66|+90 (532) 000 11 22|mehmet@ornek.com.tr",
                        "Kaya, Zeynep ; Dr.\nİstanbul \\ Şube|0212 555 00 11||",
                        "Çağlar Ltd. Şti.|0224 111 22 33||"})
        << 1 << "";
    QTest::newRow("vCard 4.0")
        << "vcard-4.0.vcf"
        << QStringList({"Şule Çağlar|+90-232-333-66-77|+90-532-111-22-33|sule@ornek.com.tr",
                        "Ali Veli||0555 000 00 00|"})
        << 0 << "";
    QTest::newRow("Google, older")
        << "google-old.csv"
        << QStringList({"Ayşe Yılmaz|0212 555 44 33|0532 111 22 33|ayse@ornek.com.tr +0533 999 "
                        "88 77",
                        "Mehmet Can Öztürk||+90 543 222 33 44|"})
        << 0 << "";
    QTest::newRow("Google, newer")
        << "google-new.csv"
        << QStringList({"Şule Çağlar|0232 333 66 77|0555 333 44 55|sule@ornek.com.tr",
                        "Çağlar Ltd. Şti.|0224 111 22 33||"})
        << 1 << "";
    QTest::newRow("Outlook")
        << "outlook.csv"
        << QStringList({"İbrahim Güneş|0216 222 77 88|0505 444 55 66|ibrahim@ornek.com.tr",
                        "Ali Veli|0212 000 11 22||"})
        << 0 << "";
    QTest::newRow("Excel on Turkish Windows")
        << "excel-tr.csv"
        << QStringList({"Ömer Çelik|0312 444 55 66|0543 222 33 44|omer@ornek.com.tr",
                        "Kaya; Zeynep||0532 000 00 00|"})
        << 0 << "";
    QTest::newRow("tab separated")
        << "tabs.csv" << QStringList({"Gökçe Yıldırım|0224 111 22 33||gokce@ornek.com.tr"}) << 0
        << "";
    QTest::newRow("ENCODING before CHARSET")
        << "encoding-first.vcf" << QStringList({"Şule Çağlar||0532 111 22 33|"}) << 0 << "";
    QTest::newRow("windows-1254 with ş ğ ı İ Ş Ğ")
        << "windows-1254.csv"
        << QStringList({"Şükrü Ağaoğlu|0212 111 22 33||sukru@ornek.com.tr",
                        "Işıl İğdır||0532 000 11 22|", "ŞEYMA ĞÜLER|||"})
        << 0 << "";
    // Turkish headers, any case, with or without Turkish letters; a third number is kept
    // aside; "Ad" is the first name beside a surname column.
    QTest::newRow("Turkish headers")
        << "turkish-headers.csv"
        << QStringList({"Gökçe Işık|0212 444 55 66|0532 999 88 77|gokce@ornek.com.tr +0216 123 "
                        "45 67",
                        "Ümit Öz||0505 111 22 33|"})
        << 0 << "";
    QTest::newRow("name in two columns")
        << "name-parts.csv" << QStringList({"İbrahim Güneş||0532 777 66 55|ibrahim@ornek.com.tr"})
        << 0 << "";
    QTest::newRow("unknown header")
        << "unknown-header.csv" << none << 0
        << "unknown-header.csv: satır 1: vCard ya da kişi CSV'si değil, başlık satırında ad "
           "sütunu yok (sütunlar: \"Kim\", \"Ne\", \"Nerede\"; bilinen "
           "başlıklar: Ad Soyad, Ad, Soyad";
    const QStringList gokce = {"Gökçe Yıldırım||0532 111 22 33|gokce@ornek.com.tr"};
    QTest::newRow("vCard in UTF-16 LE") << "utf-16le.vcf" << gokce << 0 << "";
    QTest::newRow("vCard in UTF-16 BE") << "utf-16be.vcf" << gokce << 0 << "";
    QTest::newRow("vCard in UTF-8 with BOM") << "utf-8-bom.vcf" << gokce << 0 << "";
    QTest::newRow("CSV in UTF-16 LE") << "utf-16le.csv" << gokce << 0 << "";
    // Only this program's own export loses the guard against formulas, and only Google's
    // columns are split at " ::: ".
    QTest::newRow("own CSV export")
        << "own-export.csv"
        << QStringList({"=HYPERLINK(\"http://ornek.com\";\"tıkla\")|+90 532 111 22 33|-x|@SUM(A1)",
                        "Ali ::: Veli|0212 ::: 0216||'=1"})
        << 0 << "";
    QTest::newRow("another CSV")
        << "not-own-export.csv"
        << QStringList(
               {"'=HYPERLINK(\"http://ornek.com\";\"tıkla\")|+90 532 111 22 33|'-x|'@SUM(A1)",
                "Ali ::: Veli|0212 ::: 0216||''=1"})
        << 0 << "";
    QTest::newRow("card cut off") << "cut.vcf" << none << 0 << "cut.vcf: satır 5: ";
    QTest::newRow("quote never closed")
        << "unterminated.csv" << none << 0 << "unterminated.csv: satır 3: ";
    QTest::newRow("binary") << "binary.vcf" << none << 0 << "binary.vcf: satır 4: ";
    QTest::newRow("empty") << "empty.csv" << none << 0 << "empty.csv: boş";
    QTest::newRow("neither") << "notes.txt" << none << 0 << "notes.txt: satır 1: vCard ya da";
    QTest::newRow("missing") << "yok.vcf" << none << 0 << "yok.vcf: okunamıyor";
    // Refused before being opened: a FIFO is left to the command line's test, which can
    // stop a program that waits for a writer.
    QTest::newRow("a folder") << "" << none << 0
                              << "exchange: normal bir dosya değil, bir klasör; okunmadı";
    QTest::newRow("a device") << "/dev/null" << none << 0
                              << "null: normal bir dosya değil, bir aygıt; okunmadı";
}

void ExchangeTest::samplesAreRead()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    QFETCH(int, unreadable);
    QFETCH(QString, error);
    ContactFile read;
    QString message;
    const bool ok =
        readContactFile(file.startsWith('/') ? file : samples + '/' + file, read, message);
    QCOMPARE(ok, error.isEmpty());
    QVERIFY2(error.isEmpty() ? message.isEmpty() : message.startsWith(error), qPrintable(message));
    QCOMPARE(rowsOf(read.contacts), expected);
    QCOMPARE(read.unreadable, unreadable);
}

void ExchangeTest::hostileTextsSurviveExportAndImport_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("vCard") << ".vcf";
    QTest::newRow("CSV") << ".csv";
}

void ExchangeTest::hostileTextsSurviveExportAndImport()
{
    QFETCH(QString, suffix);
    WorkingDirectory cwd;
    const QVector<Contact> contacts = hostileContacts() + officeContacts();
    const QString path = cwd.path() + "/rehber" + suffix;
    QString error;
    QVERIFY2(writeContactFile(path, contacts, error), qPrintable(error));

    // Into an empty book and out again: the same entries.
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    ContactFile read;
    QVERIFY2(readContactFile(path, read, error), qPrintable(error));
    const ImportPlan plan = planImport(phoneBookDb, read);
    QCOMPARE(plan.unchanged, 0);
    QCOMPARE(plan.completed.size(), 0);
    QVERIFY2(runImport(plan, error), qPrintable(error));
    QSqlQuery all(phoneBookDb);
    // A server keeps no order of its own: small rows fill the pages large ones left.
    QVERIFY(all.exec("SELECT * FROM TELEFON ORDER BY id"));
    QCOMPARE(rowsOf(contactsOf(all)), rowsOf(contacts));
    all.finish();
    // Into the same book again: everyone is found as they are, no one completes another.
    const ImportPlan again = planImport(phoneBookDb, read);
    QCOMPARE(again.unchanged, contacts.size());
    QCOMPARE(again.completed.size(), 0);
    QCOMPARE(again.fresh.size(), 0);
    closePhoneBook();

    // An independent reader sees them too; vCard has no way to write a carriage return
    // (this program writes "\r"), so those are left to the round trip above.
    const QStringList written = rowsOf(contacts);
    const QStringList independent = independentlyRead(path);
    QCOMPARE(independent.size(), written.size());
    for (int i = 0; i < written.size(); ++i)
        if (suffix == ".csv" || !written[i].contains('\r'))
            QCOMPARE(independent[i], written[i]);
}

void ExchangeTest::ownExportsReadBackExactly_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("entry");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("vCard, phone and mobile differ")
        << ".vcf"
        << QStringList({"Şule Çağlar", "0232 333 66 77", "0532 111 22 33", "sule@ornek.com.tr"})
        << QByteArray("TEL;TYPE=VOICE:0232 333 66 77\r\nTEL;TYPE=CELL:0532 111 22 33\r\n");
    QTest::newRow("vCard, a value starting with U+FEFF")
        << ".vcf" << QStringList({QStringLiteral("\uFEFFAyşe"), "", "", ""})
        << QByteArray("FN:\xEF\xBB\xBF"
                      "Ay");
    QTest::newRow("CSV, formulas")
        << ".csv" << QStringList({"=HYPERLINK(\"http://ornek.com\")", "@SUM(A1)", "+x", "-"})
        << QByteArray("\"'=HYPERLINK(\"\"http://ornek.com\"\")\";'@SUM(A1);'+x;'-\r\n");
    QTest::newRow("CSV, numbers stay as they are")
        << ".csv" << QStringList({"Ali Veli", "+90 532 111 22 33", "-5", "+(90) 532"})
        << QByteArray("Ali Veli;+90 532 111 22 33;-5;+(90) 532\r\n");
    QTest::newRow("CSV, quotes before a formula")
        << ".csv" << QStringList({"'=1", "''@x", "'+90", "'"})
        << QByteArray("''=1;'''@x;'+90;'\r\n");
    QTest::newRow("CSV, values starting with U+FEFF")
        << ".csv"
        << QStringList({QStringLiteral("\uFEFFAyşe"), "", "", QStringLiteral("\uFEFFa@b.tr")})
        << QByteArray("\xEF\xBB\xBF"
                      "Ay");
    QTest::newRow("CSV, Google's separator")
        << ".csv" << QStringList({"Ali ::: Veli", "0212 ::: 0216", "", "a@b.tr ::: c@d.tr"})
        << QByteArray("Ali ::: Veli;0212 ::: 0216;;a@b.tr ::: c@d.tr\r\n");
}

void ExchangeTest::ownExportsReadBackExactly()
{
    QFETCH(QString, suffix);
    QFETCH(QStringList, entry);
    QFETCH(QByteArray, written);
    WorkingDirectory cwd;
    const QString path = cwd.path() + "/rehber" + suffix;
    const Contact contact = {entry[0], entry[1], entry[2], entry[3]};
    QString error;
    QVERIFY2(writeContactFile(path, {contact}, error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY2(content.contains(written), content.constData());
    ContactFile read;
    QVERIFY2(readContactFile(path, read, error), qPrintable(error));
    QCOMPARE(rowsOf(read.contacts), rowsOf({contact}));
    QCOMPARE(independentlyRead(path), rowsOf({contact}));
}

void ExchangeTest::vCardLinesStayWithin75Octets()
{
    WorkingDirectory cwd;
    QString name;
    for (int i = 0; name.toUtf8().size() <= 240; ++i)
        name += QStringLiteral("ŞğüİıÇöĞ").at(i % 8); // two octets each
    // One octet shifts every later break; then a character of four octets.
    name += QStringLiteral("a😀şğ");
    const Contact contact = {name, "0532", "", "uzun@ornek.com.tr"};
    const QString path = cwd.path() + "/uzun.vcf";
    QString error;
    QVERIFY2(writeContactFile(path, {contact}, error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY(content.endsWith("\r\n"));
    int folded = 0;
    for (const QByteArray &line : content.split('\n')) {
        QVERIFY2(line.size() <= 76, line.constData()); // 75 octets and the "\r"
        QTextCodec::ConverterState state;
        QTextCodec::codecForName("UTF-8")->toUnicode(line.constData(), line.size(), &state);
        QVERIFY2(state.invalidChars == 0 && state.remainingChars == 0, line.constData());
        folded += line.startsWith(' ');
    }
    QVERIFY(folded >= 6); // FN and N, each over 240 octets
    ContactFile read;
    QVERIFY2(readContactFile(path, read, error), qPrintable(error));
    QCOMPARE(rowsOf(read.contacts), rowsOf({contact}));
    QCOMPARE(independentlyRead(path), rowsOf({contact}));
}

void ExchangeTest::generatedFilesAreRead_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<int>("people");
    QTest::addColumn<QString>("error");
    const QByteArray longest(64 * 1024, 'a'), tooLong(64 * 1024 + 1, 'a');
    const QByteArray header = "Ad Soyad;Telefon;Cep;Mail\r\n";
    QTest::newRow("CSV field of 64 KiB") << header + "Ali;1;;\r\n" + longest + ";;;\r\n"
                                         << ".csv" << 2 << "";
    QTest::newRow("CSV field over 64 KiB")
        << header + "Ali;1;;\r\nVeli;\"" + tooLong + "\";;\r\n"
        << ".csv" << 0 << "uzun.csv: satır 3: bir alan 64 KiB'tan uzun";
    QTest::newRow("CSV field over 64 KiB in Turkish letters")
        << header + QString(40000, QChar(0x15F)).toUtf8() + ";;;\r\n"
        << ".csv" << 0 << "uzun.csv: satır 2: bir alan 64 KiB'tan uzun";
    const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ali\r\n";
    QTest::newRow("vCard name over 64 KiB, folded")
        << card + "END:VCARD\r\n" + card + "NOTE:ok\r\nN:" + tooLong.left(70) + "\r\n " +
               tooLong.mid(70) + "\r\nEND:VCARD\r\n"
        << ".vcf" << 0 << "uzun.vcf: satır 9: bir alan 64 KiB'tan uzun";
    QTest::newRow("vCard number over 64 KiB, quoted-printable")
        << card + "TEL;ENCODING=QUOTED-PRINTABLE:" + tooLong.toHex().replace("61", "=61") +
               "\r\nEND:VCARD\r\n"
        << ".vcf" << 0 << "uzun.vcf: satır 4: bir alan 64 KiB'tan uzun";
    QTest::newRow("vCard NUL in a quoted-printable name and number")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;ENCODING=QUOTED-PRINTABLE:Al=00i\r\n"
                      "TEL;CELL;ENCODING=QUOTED-PRINTABLE:0532=001\r\nEND:VCARD\r\n")
        << ".vcf" << 1 << "";
    QTest::newRow("vCard photo over 64 KiB")
        << card + "PHOTO;ENCODING=b;TYPE=JPEG:" + tooLong.toBase64() + "\r\nEND:VCARD\r\n"
        << ".vcf" << 1 << "";
    // A long parameter list before many soft line breaks of quoted-printable: each joined
    // line costs its own length, not the whole line's so far.
    QByteArray softBreaks =
        card + "NOTE;ENCODING=QUOTED-PRINTABLE;X-A=" + QByteArray(4 * 1024 * 1024, 'a') + ":=\r\n";
    for (int i = 0; i < 100000; ++i)
        softBreaks += "=\r\n";
    QTest::newRow("quoted-printable soft breaks") << softBreaks + "x\r\nEND:VCARD\r\n"
                                                  << ".vcf" << 1 << "";
    // A header naming a great many phone columns, then many short rows: each row costs its
    // own length, not the header's.
    QByteArray wide = "Ad Soyad";
    for (int i = 0; i < 100000; ++i)
        wide += QByteArray(";Phone ") + QByteArray::number(i) + " - Type;Phone " +
                QByteArray::number(i) + " - Value";
    wide += "\r\n";
    for (int i = 0; i < 100000; ++i)
        wide += "Ali;Mobile;0532\r\n";
    QTest::newRow("wide header, short rows") << wide << ".csv" << 100000 << "";
    // One stray quote swallows the rest of the file into one field. Read in time linear in
    // the file's size it is refused at once; read quadratically it takes a quarter of an hour.
    QByteArray stray = header + "\"Ali;1;;\r\n";
    for (int i = 0; i < 100000; ++i)
        stray += "Veli;0212 000 00 00;;veli@ornek.com.tr\r\n";
    QTest::newRow("stray quote") << stray << ".csv" << 0
                                 << "uzun.csv: satır 2: tırnak kapanmadan dosya bitiyor";
    QTest::newRow("stray quote closed at the end")
        << stray + "\";;;\r\n"
        << ".csv" << 0 << "uzun.csv: satır 2: bir alan 64 KiB'tan uzun";
}

void ExchangeTest::generatedFilesAreRead()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, suffix);
    QFETCH(int, people);
    QFETCH(QString, error);
    QTemporaryDir dir;
    ContactFile read;
    QString message;
    const QString path = writeFile(dir.path() + "/uzun" + suffix, content);
    const bool ok = readContactFile(path, read, message);
    QVERIFY2(error.isEmpty() ? ok && message.isEmpty() : !ok && message.startsWith(error),
             qPrintable(message));
    QCOMPARE(read.contacts.size(), people);
    // No stored text holds a NUL, whatever a file's escapes say.
    for (const Contact &contact : read.contacts)
        for (const QString &text : {contact.adsoyad, contact.telefon, contact.cep, contact.mail})
            QVERIFY(!text.contains(QChar(0)));
}

void ExchangeTest::backgroundReadingStopsWhenCancelled()
{
    QTemporaryDir dir;
    const QByteArray large = QFile::encodeName(writeLargeCsv(dir.path() + "/buyuk.csv", 20000));
    const QByteArray small = QFile::encodeName(samples + "/vcard-4.0.vcf");
    // Stopped while it looks the file over, or while it reads the people: nothing read.
    for (const int calls : {1, 15000, 30000}) {
        int left = calls;
        ContactFile read;
        QString error;
        const Progress stopping = [&left](qint64 done, qint64 total) {
            return done <= total && --left > 0;
        };
        QVERIFY(!readContactFileAt(large, read, error, stopping));
        QCOMPARE(error, QStringLiteral("buyuk.csv: okuma durduruldu"));
        QCOMPARE(read.contacts.size(), 0);
    }
    {
        BackgroundReading reading({small, large});
        QSignalSpy finished(&reading, &BackgroundReading::finished);
        reading.start();
        QVERIFY(finished.wait(60000));
        QVERIFY(reading.succeeded());
        QCOMPARE(reading.contacts().contacts.size(), 20002);
    }
    {
        // Cancelled, even at its very end, it keeps nothing it read.
        BackgroundReading reading({small, large});
        QSignalSpy finished(&reading, &BackgroundReading::finished);
        reading.start();
        reading.cancel();
        QVERIFY(finished.wait(60000));
        QVERIFY(!reading.succeeded());
        QCOMPARE(reading.contacts().contacts.size(), 0);
    }
    {
        // Destroyed while reading, it stops the thread and waits for it (else Qt aborts).
        BackgroundReading reading({large, large, large});
        reading.start();
    }
    {
        BackgroundReading reading({small, QFile::encodeName(samples + "/cut.vcf")});
        QSignalSpy finished(&reading, &BackgroundReading::finished);
        reading.start();
        QVERIFY(finished.wait(60000));
        QVERIFY(!reading.succeeded());
        QVERIFY2(reading.error().startsWith("cut.vcf: satır 5: "), qPrintable(reading.error()));
    }
}

void ExchangeTest::importAddsOnlyNewPeopleInOneTransaction()
{
    WindowFixture fixture([](const SideConnection &seed) {
        // Android's Şule as another program wrote her: other case, spacing and prefix.
        seed.insert("ŞULE ÇAĞLAR", "0232 3336677", "+90 532 111 22 33", "Sule@Ornek.com.tr");
    });
    fixture.window.reset();
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    ContactFile read;
    QString error;
    QVERIFY(readContactFile(samples + "/android-2.1.vcf", read, error));
    QVERIFY(readContactFile(samples + "/android-2.1.vcf", read, error)); // twice in one import
    ImportPlan plan = planImport(phoneBookDb, read);
    QCOMPARE(plan.found, 8);
    QCOMPARE(plan.fresh.size(), 3);
    QCOMPARE(plan.unchanged, 1); // one entry, found twice
    QCOMPARE(plan.completed.size(), 0);
    QCOMPARE(plan.repeated, 3);
    QCOMPARE(plan.unreadable, 2);

    // Stopped halfway (a cancel, a signal), the import leaves nothing behind.
    const Progress stopAtSecond = [](qint64 done, qint64 total) { return total == 3 && done < 2; };
    QVERIFY(!runImport(plan, error, stopAtSecond));
    QVERIFY2(error.contains("durduruldu"), qPrintable(error));
    QCOMPARE(fixture.side.rows().size(), 1);

    // A statement that fails halfway leaves nothing behind.
    fixture.side.refuse("INSERT", "refused", "NEW.adsoyad LIKE 'Ömer%'");
    QVERIFY(!runImport(plan, error));
    QVERIFY2(error.contains("refused"), qPrintable(error));
    QCOMPARE(fixture.side.rows().size(), 1);
    fixture.side.allow("INSERT");
    EntriesChange applied;
    QVERIFY2(runImport(plan, error, {}, &applied), qPrintable(error));
    const QVector<QVariantList> rows = fixture.side.rows();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(idsOf(applied.restored),
             QVector<qint64>(
                 {rows[1][0].toLongLong(), rows[2][0].toLongLong(), rows[3][0].toLongLong()}));
    QCOMPARE(planImport(phoneBookDb, read).fresh.size(), 0); // the same file again adds nothing
    closePhoneBook();
}

void ExchangeTest::windowExportsTheListAndImportsDroppedFiles()
{
    WindowFixture fixture([](const SideConnection &seed) {
        seed.insert("Şule Çağlar", "0232 333 66 77", "0532 111 22 33", "sule@ornek.com.tr");
        seed.insert("Ali Veli", "0212", "", "");
        seed.insert("Ayşe Yılmaz", "", "0533", "");
    });
    QWidget *window = fixture.window.get();
    typeInto(window, "txt_ara", "ş");

    // The list's menu, from the keyboard, exports what the list shows.
    const QString path = fixture.cwd.path() + "/secilenler.csv";
    QStringList texts;
    bool chosen = false;
    chooseMenuEntryWhenShown("CSV olarak dışa aktar…", texts, chosen);
    chooseFileWhenAsked(path);
    BoxAnswerer done({clickButton(QMessageBox::Ok)});
    auto *list = child<QTableView>(window, "tbl_liste");
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(texts,
             QStringList({"Ara: 0232 333 66 77", "Ara: 0532 111 22 33", "Geri al", "Yinele",
                          "İçe aktar…", "Yinelenenleri birleştir…", "Telefonlarla eşitle…",
                          "Silinenler…", "Geçmiş…", "Defteri geri al…", "vCard olarak dışa aktar…",
                          "CSV olarak dışa aktar…", "Excel olarak dışa aktar…",
                          "Listedeki 2 kayıt dışa aktarılır", "Yazdır…", "PDF olarak kaydet…"}));
    QVERIFY2(chosen, "the menu's CSV entry is disabled");
    QTRY_COMPARE(done.seen.size(), 1);
    QCOMPARE(done.seen.first().text, QStringLiteral("2 kişi dışa aktarıldı."));
    QCOMPARE(independentlyRead(path),
             QStringList({"Şule Çağlar|0232 333 66 77|0532 111 22 33|sule@ornek.com.tr",
                          "Ayşe Yılmaz||0533|"}));

    // A file dropped on a line edit is imported, after one question.
    // The same file twice, once with an upper-case extension and a Latin-5 "Ş", no UTF-8
    // (as a file manager puts it in a URL): its people are repeated.
    const QByteArray upper = QFile::encodeName(fixture.cwd.path()) + "/REHBER-\xDE.VCF";
    QFile sample(samples + "/vcard-4.0.vcf");
    QVERIFY(sample.open(QIODevice::ReadOnly));
    const QByteArray card = sample.readAll();
    FILE *copy = std::fopen(upper.constData(), "wb");
    QVERIFY(copy &&
            std::fwrite(card.constData(), 1, size_t(card.size()), copy) == size_t(card.size()));
    QCOMPARE(std::fclose(copy), 0);
    DroppedUriList files(QUrl::fromLocalFile(samples + "/vcard-4.0.vcf").toEncoded() +
                         "\r\nfile://" + upper.toPercentEncoding("/") + "\r\n");
    auto *field = child<QLineEdit>(window, "txt_adsoyad");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    QVERIFY(enter.isAccepted());
    BoxAnswerer question({clickButton(QMessageBox::Yes), clickButton(QMessageBox::Ok)});
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &drop);
    QTRY_COMPARE(question.seen.size(), 2);
    QCOMPARE(question.seen.first().text,
             QStringLiteral("4 kişi bulundu: 1 yeni, 0 kişi tamamlanacak, 1 kişi defterde zaten "
                            "var, 1 kişi dosyalarda birden fazla kez geçiyor (birleştirilir). "
                            "İçe aktarılsın mı?"));
    QCOMPARE(question.seen.last().text, QStringLiteral("1 kişi eklendi, 0 kişi tamamlandı."));
    QCOMPARE(field->text(), QString());
    QTRY_COMPARE(listModel(window)->rowCount(), 4);
    QCOMPARE(fixture.side.rows().last().value(1).toString(), QStringLiteral("Ali Veli"));
}

void ExchangeTest::windowImportCanBeCancelled()
{
    WindowFixture fixture([](const SideConnection &seed) { seed.insert("Ali Veli", "0212"); });
    QWidget *window = fixture.window.get();
    const QString large = writeLargeCsv(fixture.cwd.path() + "/buyuk.csv", 300000);
    // Cancels the reading as soon as its progress dialog is there, shown yet or not.
    bool cancelled = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto *progress = window->findChild<QProgressDialog *>()) {
            progress->cancel();
            cancelled = true;
            poll.stop();
        }
    });
    poll.start(5);
    BoxAnswerer question({clickButton(QMessageBox::Cancel)});
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(large)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    QTRY_VERIFY_WITH_TIMEOUT(cancelled, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!window->findChild<QProgressDialog *>(), 30000);
    QCOMPARE(question.seen.size(), 0);
    QCOMPARE(fixture.side.rows().size(), 1);
}

void ExchangeTest::windowRefusesWhatIsNoRegularFile()
{
    WindowFixture fixture([](const SideConnection &seed) { seed.insert("Ali Veli", "0212"); });
    QWidget *window = fixture.window.get();
    QVERIFY(QDir(fixture.cwd.path()).mkdir("klasor.vcf"));
    BoxAnswerer refusal({clickButton(QMessageBox::Ok)});
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(fixture.cwd.path() + "/klasor.vcf")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    QTRY_COMPARE_WITH_TIMEOUT(refusal.seen.size(), 1, 30000);
    QCOMPARE(refusal.seen.first().title, QStringLiteral("Hata"));
    QCOMPARE(refusal.seen.first().text,
             QStringLiteral("Dosya okunamadı: klasor.vcf: normal bir dosya değil, bir klasör; "
                            "okunmadı\n\nHiçbir kişi içe aktarılmadı."));
    QCOMPARE(fixture.side.rows().size(), 1);
}

void ExchangeTest::windowImportStopsOnTerminationSignal()
{
    // As the program's entry function sets it up; once, so this is the last test.
    quitOnTerminationSignals(*qApp);
    WindowFixture fixture([](const SideConnection &seed) { seed.insert("Ali Veli", "0212"); });
    QWidget *window = fixture.window.get();
    const QString large = writeLargeCsv(fixture.cwd.path() + "/buyuk.csv", 300000);
    // Logging out while the reading runs.
    bool raised = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (window->findChild<QProgressDialog *>()) {
            ::raise(SIGHUP);
            raised = true;
            poll.stop();
        }
    });
    poll.start(5);
    BoxAnswerer question({clickButton(QMessageBox::Yes)});
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(large)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    QTRY_VERIFY_WITH_TIMEOUT(raised, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!window->findChild<QProgressDialog *>(), 30000);
    QVERIFY(terminationRequested());
    QCOMPARE(question.seen.size(), 0);
    QCOMPARE(fixture.side.rows().size(), 1);
    // The request to quit holds until an application loop has run; let one run and end.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

QTEST_MAIN(ExchangeTest)
#include "tst_exchange.moc"
