// Excel workbooks and the printed list: .xlsx written and read against Debian's openpyxl
// in both directions, broken workbooks refused, and the PDF phone list read back with
// pdftotext and pdfinfo.
#include "exchange/contactfile.h"
#include "exchange/sheetrows.h"
#include "printing/celltext.h"
#include "printing/emojiglyphs.h"
#include "printing/phonelist.h"

#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGlyphRun>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTextLayout>

namespace
{

const QString helper = QStringLiteral(WORKBOOK_HELPER);

QString run(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        qFatal("%s: %s", qPrintable(program), process.readAllStandardError().constData());
    return QString::fromUtf8(process.readAllStandardOutput());
}

QJsonObject readIndependently(const QString &path)
{
    return QJsonDocument::fromJson(
               run(QStringLiteral("/usr/bin/python3"), {helper, QStringLiteral("read"), path})
                   .toUtf8())
        .object();
}

// Rows as JSON for the helper: a text, a number, or null for an empty cell.
QString rowsJson(const QVector<QVariantList> &rows)
{
    QJsonArray all;
    for (const QVariantList &row : rows)
        all.append(QJsonArray::fromVariantList(row));
    return QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact));
}

QStringList rowsOf(const QVector<Contact> &contacts)
{
    QStringList rows;
    for (const Contact &c : contacts)
        rows << QStringList({c.adsoyad, c.telefon, c.cep, c.mail}).join('|');
    return rows;
}

QString writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// A workbook of the given parts, deflated by Python's zipfile (no library of the program).
// A part is a text, or a list of pieces, each [text, times] written one after another: a
// part may unpack to far more than the file holds.
QString zipOf(const QString &path, const QVariantMap &parts)
{
    const QString script = QStringLiteral(
        "import json, sys, zipfile\n"
        "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
        "    for name, text in json.load(sys.stdin).items():\n"
        "        with z.open(name, 'w') as part:\n"
        "            for piece, times in [[text, 1]] if isinstance(text, str) else text:\n"
        "                data = piece.encode()\n"
        "                batch = max(1, 65536 // max(1, len(data)))\n"
        "                for done in range(0, times, batch):\n"
        "                    part.write(data * min(batch, times - done))\n");
    run(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path},
        QJsonDocument(QJsonObject::fromVariantMap(parts)).toJson());
    return path;
}

const QString sheetStart =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
const QString sheetEnd = "</sheetData></worksheet>";

// A row of inline strings, each cell at its reference ("A1") or, without one, after the cell
// before it.
QString inlineRow(const QString &row, const QStringList &cells)
{
    QString xml = row.isEmpty() ? "<row>" : QStringLiteral("<row r=\"%1\">").arg(row);
    for (const QString &cell : cells) {
        const QString reference = cell.section('=', 0, 0), text = cell.section('=', 1);
        xml += (reference.isEmpty() ? "<c" : QStringLiteral("<c r=\"%1\"").arg(reference)) +
               " t=\"inlineStr\"><is><t>" + text.toHtmlEscaped() + "</t></is></c>";
    }
    return xml + "</row>";
}

// A part that unpacks to more than the bytes given, packed into a few kB: the start, then
// XML comments of 64 KiB.
QVariantList unpackingPast(qint64 bytes, const QString &start, const QString &end)
{
    const QString comment = "<!--" + QString(65536, 'a') + "-->";
    return {QVariantList({start, 1}), QVariantList({comment, int(bytes / comment.size()) + 1}),
            QVariantList({end, 1})};
}

} // namespace

class WorkbooksTest : public QObject
{
    Q_OBJECT

private slots:
    void exportIsTextAnIndependentReaderSees_data();
    void exportIsTextAnIndependentReaderSees();
    void independentWorkbooksAreRead_data();
    void independentWorkbooksAreRead();
    void handWrittenWorkbooksAreRead_data();
    void handWrittenWorkbooksAreRead();
    void sheetRowsHoldOnlyTheirCells_data();
    void sheetRowsHoldOnlyTheirCells();
    void hostileTextsSurviveAWorkbook();
    void brokenWorkbooksAreRefused_data();
    void brokenWorkbooksAreRefused();
    void readingStopsByTheRowsRead();
    void unknownColumnsAreReadAsChosen();
    void phoneListIsInTurkishOrderOnNumberedPages();
    void phoneListPrintsNamesAsStored_data();
    void phoneListPrintsNamesAsStored();
    void cellsArePlacedAsQtLaysThemOut_data();
    void cellsArePlacedAsQtLaysThemOut();
    void columnRolesAreGuessedAndParsed_data();
    void columnRolesAreGuessedAndParsed();
    void stoppedExportsWriteNothing_data();
    void stoppedExportsWriteNothing();
    void unwritablePdfNamesThePathGiven_data();
    void unwritablePdfNamesThePathGiven();
};

void WorkbooksTest::exportIsTextAnIndependentReaderSees_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("numbers keep their zeros and signs")
        << QStringList({"Şule Çağlar|05321112233|+90 532 111 22 33|sule@ornek.com.tr",
                        "Ömer Çelik||0555 123 45 67|", "0|00|-5|1e5"});
    QTest::newRow("formulas stay texts") << QStringList(
        {"=HYPERLINK(\"http://ornek.com\";\"tıkla\")|=1+1|@SUM(A1)|+x", "İğdır Işıl|'=1|-=2|"});
}

void WorkbooksTest::exportIsTextAnIndependentReaderSees()
{
    QFETCH(QStringList, rows);
    WorkingDirectory cwd;
    QVector<Contact> contacts;
    for (const QString &row : rows) {
        const QStringList f = row.split('|');
        contacts.append({f[0], f[1], f[2], f[3], {}});
    }
    const QString path = cwd.path() + "/rehber.xlsx";
    QString error;
    QVERIFY2(writeContactFile(path, contacts, error), qPrintable(error));
    QCOMPARE(QDir(cwd.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"rehber.xlsx"}));

    const QJsonObject sheet = readIndependently(path);
    QVERIFY(sheet["bold"].toBool());
    QCOMPARE(sheet["frozen"].toString(), QStringLiteral("A2"));
    const QJsonArray table = sheet["rows"].toArray();
    QCOMPARE(table.size(), rows.size() + 1);
    QStringList header;
    for (const QJsonValue cell : table.at(0).toArray())
        header << cell.toArray().at(0).toString();
    QCOMPARE(header, QStringList({"Ad Soyad", "Telefon", "Cep", "Mail"}));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList expected = rows.at(r).split('|');
        const QJsonArray cells = table.at(r + 1).toArray();
        for (int c = 0; c < 4; ++c) {
            const QJsonArray cell = cells.at(c).toArray();
            QCOMPARE(cell.at(0).toString(), expected.at(c));
            // Every value a text cell ("s"); an empty one has nothing ("n" and null).
            QCOMPARE(cell.at(1).toString(),
                     expected.at(c).isEmpty() ? QStringLiteral("n") : QStringLiteral("s"));
        }
    }
    for (const QJsonValue width : sheet["widths"].toArray())
        QVERIFY2(width.toDouble() >= 12 && width.toDouble() <= 60,
                 qPrintable(QString::number(width.toDouble())));

    // And back in: exactly what was written.
    ContactFile read;
    QVERIFY2(readContactFile(path, read, error), qPrintable(error));
    QCOMPARE(rowsOf(read.contacts), rows);
}

void WorkbooksTest::independentWorkbooksAreRead_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("expected");
    const QString people =
        rowsJson({{"İsim", "Tel", "Cep Tel", "Eposta"},
                  {"Gökçe Işık", 2124445566LL, "0532 999 88 77", "gokce@ornek.com.tr"},
                  {"Ali Veli", 5321112233.0, QVariant(), QVariant()},
                  {QVariant(), QVariant(), QVariant(), QVariant()},
                  {"Ayşe Kaya", 1.5, "=1+1", QVariant()}});
    const QStringList expected = {"Gökçe Işık|2124445566|0532 999 88 77|gokce@ornek.com.tr",
                                  "Ali Veli|5321112233||"};
    // openpyxl writes "=1+1" as a formula without a value computed: nothing to show, and
    // nothing is computed here either. Written by hand as a text it is that text.
    QTest::newRow("openpyxl, shared strings, a formula")
        << "write" << people << (expected + QStringList("Ayşe Kaya|1.5||"));
    QTest::newRow("inline strings, another sheet name")
        << "inline" << people << (expected + QStringList("Ayşe Kaya|1.5|=1+1|"));
    QTest::newRow("name in two columns, upper case")
        << "write"
        << rowsJson({{"AD", "SOYADI", "GSM", "E-POSTA ADRESİ"},
                     {"İbrahim", "Güneş", "0532 777 66 55", "ibrahim@ornek.com.tr"}})
        << QStringList({"İbrahim Güneş||0532 777 66 55|ibrahim@ornek.com.tr"});
    QTest::newRow("several sheets, the last active: the first is read")
        << "sheets"
        << "[" + people + "," + rowsJson({{"Ad Soyad"}, {"Öteki Sayfa"}}) + "]"
        << (expected + QStringList("Ayşe Kaya|1.5||"));
}

void WorkbooksTest::independentWorkbooksAreRead()
{
    QFETCH(QString, how);
    QFETCH(QString, rows);
    QFETCH(QStringList, expected);
    WorkingDirectory cwd;
    const QString path = cwd.path() + "/kisiler.xlsx";
    run(QStringLiteral("/usr/bin/python3"), {helper, how, path, rows});
    ContactFile read;
    QString error;
    QVERIFY2(readContactFile(path, read, error), qPrintable(error));
    QCOMPARE(rowsOf(read.contacts), expected);
}

void WorkbooksTest::handWrittenWorkbooksAreRead_data()
{
    QTest::addColumn<QVariantMap>("parts");
    QTest::addColumn<QStringList>("expected");
    const QString book = "xl/workbook.xml", sheet = "xl/worksheets/sheet1.xml";
    const QString header = inlineRow("1", {"A1=Ad Soyad", "B1=Telefon", "C1=Cep"});
    QTest::newRow("a mail at XFD")
        << QVariantMap(
               {{book, "<workbook/>"},
                {sheet, sheetStart + inlineRow("1", {"A1=Ad Soyad", "C1=Cep", "XFD1=Mail"}) +
                            inlineRow("2", {"A2=Ali Veli", "XFD2=ali@ornek.com.tr"}) +
                            inlineRow("3", {"A3=Ayşe Kaya", "C3=0532 1"}) + sheetEnd}})
        << QStringList({"Ali Veli|||ali@ornek.com.tr", "Ayşe Kaya||0532 1|"});
    QTest::newRow("an empty cell without a reference keeps its place")
        << QVariantMap({{book, "<workbook/>"},
                        {sheet, sheetStart + header +
                                    "<row><c t=\"inlineStr\"><is><t>Ali</t></is></c><c/>"
                                    "<c t=\"inlineStr\"><is><t>0532 1</t></is></c></row>" +
                                    sheetEnd}})
        << QStringList({"Ali||0532 1|"});
    QTest::newRow("rows that all say they are the first")
        << QVariantMap({{book, "<workbook/>"},
                        {sheet, sheetStart + header + inlineRow("1", {"A1=Ali"}) +
                                    inlineRow("1", {"A1=Veli"}) + sheetEnd}})
        << QStringList({"Ali|||", "Veli|||"});
    // A text file holding a NUL is refused as binary; the other control characters are
    // kept, as a CSV file's are.
    QTest::newRow("escaped NULs left out, other control characters kept")
        << QVariantMap(
               {{book, "<workbook/>"},
                {"xl/sharedStrings.xml", "<sst><si><t>Can_x0000_ Er</t></si></sst>"},
                {sheet, sheetStart + header + inlineRow("", {"=Ali_x0000_ Veli"}) +
                            "<row><c t=\"s\"><v>0</v></c></row>"
                            "<row><c t=\"str\"><v>Oya_x0000_</v></c></row>" +
                            inlineRow("5", {"A5=_x0000_", "B5=0212 1"}) +
                            inlineRow("", {"=Ece_x0001_ _x000D_Su_x001B_[31m"}) + sheetEnd}})
        << QStringList({"Ali Veli|||", "Can Er|||", "Oya|||", "Ece\x01 \rSu\x1b[31m|||"});
    // Only the parts read count against the limit: a second sheet is never unpacked.
    const QString relationships =
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    QTest::newRow("several sheets, the second past the limit")
        << QVariantMap(
               {{book, "<workbook xmlns:r=\"" + relationships +
                           "\"><sheets><sheet r:id=\"rId1\"/><sheet r:id=\"rId2\"/>"
                           "</sheets></workbook>"},
                {"xl/_rels/workbook.xml.rels",
                 "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/first.xml\"/>"
                 "<Relationship Id=\"rId2\" Target=\"worksheets/sheet1.xml\"/>"
                 "</Relationships>"},
                {"xl/worksheets/first.xml",
                 sheetStart + header + inlineRow("2", {"A2=Ali"}) + sheetEnd},
                {sheet,
                 unpackingPast(largestUnpackedWorkbook,
                               sheetStart + header + inlineRow("2", {"A2=Veli"}), sheetEnd)}})
        << QStringList({"Ali|||"});
}

void WorkbooksTest::handWrittenWorkbooksAreRead()
{
    QFETCH(QVariantMap, parts);
    QFETCH(QStringList, expected);
    WorkingDirectory cwd;
    const QString path = zipOf(cwd.path() + "/kisiler.xlsx", parts);
    ContactFile read;
    QString error;
    QVERIFY2(readContactFile(path, read, error), qPrintable(error));
    QCOMPARE(rowsOf(read.contacts), expected);
}

void WorkbooksTest::sheetRowsHoldOnlyTheirCells_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("one cell at XFD")
        << "<row r=\"7\"><c r=\"XFD7\"><v>1</v></c></row>" << QStringList({"7: 16383=1"});
    QTest::newRow("cells past XFD left out")
        << "<row><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"XFE1\"><v>2</v></c>"
           "<c r=\"AAAA1\"><v>3</v></c><c><v>4</v></c></row>"
        << QStringList({"1: 0=Ali Veli"});
    QTest::newRow("a cell without a reference after the one before")
        << "<row><c><v>1</v></c><c/><c><v>3</v></c><c r=\"E1\"><v>5</v></c><c><v>6</v></c>"
           "</row>"
        << QStringList({"1: 0=1 2=3 4=5 5=6"});
    QTest::newRow("rows that all say they are the first, shown as a spreadsheet shows them")
        << "<row r=\"1\"><c t=\"b\"><v>1</v></c></row><row r=\"1\"/>"
           "<row r=\"1\"><c r=\"B1\"><v>5.321112233E9</v></c></row>"
        << QStringList({"1: 0=DOĞRU", "1:", "1: 1=5321112233"});
}

void WorkbooksTest::sheetRowsHoldOnlyTheirCells()
{
    QFETCH(QString, rows);
    QFETCH(QStringList, expected);
    QBuffer sheet;
    sheet.setData((sheetStart + rows + sheetEnd).toUtf8());
    QVERIFY(sheet.open(QIODevice::ReadOnly));
    const QStringList strings = {"Ali Veli"};
    SheetRows read(sheet, strings);
    SheetRow row;
    QStringList found;
    while (read.next(row)) {
        QString shown = QString::number(row.number) + ':';
        for (auto cell = row.cells.cbegin(); cell != row.cells.cend(); ++cell)
            shown += QStringLiteral(" %1=%2").arg(cell.key()).arg(cell.value());
        found << shown;
    }
    QVERIFY2(!read.xml().hasError(), qPrintable(read.xml().errorString()));
    QCOMPARE(found, expected);
    QCOMPARE(read.count(), qint64(expected.size()));
}

void WorkbooksTest::hostileTextsSurviveAWorkbook()
{
    WorkingDirectory cwd;
    QVector<Contact> contacts;
    const QStringList texts = generatedHostileTexts();
    for (int i = 0; i < texts.size(); ++i) {
        // A spreadsheet's cell holds 32,767 characters at most.
        const QString text = texts.at(i).left(32000).trimmed();
        if (!text.isEmpty())
            contacts.append({text, text, text, QStringLiteral("kişi%1@ornek.com.tr").arg(i), {}});
    }
    // Texts that look like the workbook's escapes stay as they are.
    for (const QString &text :
         QStringList{"_x000D_", "a_x005F_x000D_b", "_x0000_", "_X000d_ _x000d_", "_x000D",
                     "__x0041__", "_x005F_", "_x_x0009__"})
        contacts.append({text, "_x0030_", "", text + "@ornek.com.tr", {}});
    const QString path = cwd.path() + "/rehber.xlsx";
    QString error;
    QVERIFY2(writeContactFile(path, contacts, error), qPrintable(error));
    ContactFile read;
    QVERIFY2(readContactFile(path, read, error), qPrintable(error));
    QCOMPARE(rowsOf(read.contacts), rowsOf(contacts));
    // The independent reader opens it too: every row is there.
    QCOMPARE(readIndependently(path)["rows"].toArray().size(), contacts.size() + 1);
}

void WorkbooksTest::brokenWorkbooksAreRefused_data()
{
    QTest::addColumn<QVariantMap>("parts");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    QTest::newRow("a zip's start and nothing more")
        << QVariantMap() << QByteArray("PK\x03\x04 kırık", 12)
        << "kisiler.xlsx: bozuk bir zip dosyası";
    QTest::newRow("no workbook in the archive")
        << QVariantMap({{"readme.txt", "merhaba"}}) << QByteArray()
        << "kisiler.xlsx: çalışma kitabında xl/workbook.xml yok";
    QTest::newRow("the sheet's XML broken in row 2")
        << QVariantMap({{"xl/workbook.xml", "<workbook/>"},
                        {"xl/worksheets/sheet1.xml",
                         sheetStart + inlineRow("1", {"=Ad Soyad"}) + "<row r=\"2\"><c></row>"}})
        << QByteArray() << "kisiler.xlsx: satır 2: xl/worksheets/sheet1.xml bozuk (XML satırı";
    QTest::newRow("an empty first sheet")
        << QVariantMap({{"xl/workbook.xml", "<workbook/>"},
                        {"xl/worksheets/sheet1.xml", sheetStart + sheetEnd}})
        << QByteArray() << "kisiler.xlsx: ilk sayfa boş";
    QTest::newRow("a cell over 64 KiB in row 3")
        << QVariantMap({{"xl/workbook.xml", "<workbook/>"},
                        {"xl/worksheets/sheet1.xml",
                         sheetStart + inlineRow("1", {"=Ad Soyad"}) +
                             inlineRow("3", {"=" + QString(70000, 'a')}) + sheetEnd}})
        << QByteArray() << "kisiler.xlsx: satır 3: bir alan 64 KiB'tan uzun";
    // A few kB that unpack past the limit, counted as they are inflated: in one part, and
    // in two that stay below it each.
    const QString tooLarge = QStringLiteral("kisiler.xlsx: açıldığında %1 MB'tan büyük")
                                 .arg(largestUnpackedWorkbook / (1024 * 1024));
    const QString people = inlineRow("1", {"=Ad Soyad"}) + inlineRow("2", {"=Ali Veli"});
    QTest::newRow("a sheet unpacking past the limit")
        << QVariantMap({{"xl/workbook.xml", "<workbook/>"},
                        {"xl/worksheets/sheet1.xml",
                         unpackingPast(largestUnpackedWorkbook, sheetStart + people, sheetEnd)}})
        << QByteArray() << tooLarge;
    const qint64 most = largestUnpackedWorkbook * 3 / 5;
    QTest::newRow("shared strings and a sheet past the limit together")
        << QVariantMap({{"xl/workbook.xml", "<workbook/>"},
                        {"xl/sharedStrings.xml",
                         unpackingPast(most, "<sst><si><t>Ali Veli</t></si>", "</sst>")},
                        {"xl/worksheets/sheet1.xml",
                         unpackingPast(most,
                                       sheetStart + inlineRow("1", {"=Ad Soyad"}) +
                                           "<row><c t=\"s\"><v>0</v></c></row>",
                                       sheetEnd)}})
        << QByteArray() << tooLarge;
}

void WorkbooksTest::brokenWorkbooksAreRefused()
{
    QFETCH(QVariantMap, parts);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    WorkingDirectory cwd;
    const QString path = cwd.path() + "/kisiler.xlsx";
    parts.isEmpty() ? writeFile(path, bytes) : zipOf(path, parts);
    ContactFile read;
    QString message;
    QVERIFY(!readContactFile(path, read, message));
    QVERIFY2(message.startsWith(error), qPrintable(message));
    QVERIFY(read.contacts.isEmpty());
}

void WorkbooksTest::readingStopsByTheRowsRead()
{
    // Every row says it is the first; the reading still tells its progress as it reads
    // them, and stops when told to.
    WorkingDirectory cwd;
    const QString row = inlineRow("1", {"A1=Ali Veli"});
    const QString path =
        zipOf(cwd.path() + "/kisiler.xlsx",
              {{"xl/workbook.xml", "<workbook/>"},
               {"xl/worksheets/sheet1.xml",
                QVariantList({QVariantList({sheetStart + inlineRow("1", {"A1=Ad Soyad"}), 1}),
                              QVariantList({row, 200000}), QVariantList({sheetEnd, 1})})}});
    // The file's reading asks once before the workbook's; then once every 256 rows.
    constexpr int rowsAsked = 256, stopAt = 4;
    int calls = 0;
    qint64 unpacked = 0;
    const Progress stopping = [&calls, &unpacked](qint64 done, qint64) {
        unpacked = done;
        return ++calls <= stopAt;
    };
    ContactFile read;
    QString error;
    QVERIFY(!readContactFileAt(QFile::encodeName(path), read, error, stopping));
    QCOMPARE(error, QStringLiteral("kisiler.xlsx: okuma durduruldu"));
    QCOMPARE(calls, stopAt + 1);
    QVERIFY(read.contacts.isEmpty());
    // Stopped after the rows asked for, with no more than a buffer's read ahead.
    const qint64 rowBytes = row.toUtf8().size(), rowsRead = stopAt * rowsAsked;
    QVERIFY2(unpacked >= (rowsRead - 1) * rowBytes && unpacked < (rowsRead + 1024) * rowBytes,
             qPrintable(QString::number(unpacked)));
}

void WorkbooksTest::unknownColumnsAreReadAsChosen()
{
    WorkingDirectory cwd;
    const QString path = cwd.path() + "/liste.xlsx";
    run(QStringLiteral("/usr/bin/python3"),
        {helper, "write", path,
         rowsJson({{"Kim", "Numara 1", "Nerede", "Posta"},
                   {"Gökçe", "Işık", "0532 1", "Ankara", "g@x.com"},
                   {"Ali", "Veli", "0212 2", "İzmir", QVariant()}})});
    ContactFile read;
    QString error;
    QVERIFY(!readContactFile(path, read, error));
    QVERIFY2(error.contains("(sütunlar: \"Kim\", \"Numara 1\", \"Nerede\", \"Posta\"; bilinen "
                            "başlıklar: Ad Soyad,"),
             qPrintable(error));
    QCOMPARE(read.unknown.path, QFile::encodeName(path));
    QCOMPARE(read.unknown.header, QStringList({"Kim", "Numara 1", "Nerede", "Posta"}));
    QCOMPARE(read.unknown.firstRows.size(), 2);
    QCOMPARE(read.unknown.firstRows.first(),
             QStringList({"Gökçe", "Işık", "0532 1", "Ankara", "g@x.com"}));
    const ColumnChoice choice = {ColumnRole::FirstName, ColumnRole::LastName, ColumnRole::Mobile,
                                 ColumnRole::Ignored, ColumnRole::Mail};
    ContactFile chosen;
    QVERIFY2(readContactFile(path, chosen, error, choice), qPrintable(error));
    QCOMPARE(rowsOf(chosen.contacts),
             QStringList({"Gökçe Işık||0532 1|g@x.com", "Ali Veli||0212 2|"}));
}

void WorkbooksTest::phoneListIsInTurkishOrderOnNumberedPages()
{
    WorkingDirectory cwd;
    // Turkish order: C < Ç, I (dotless) < İ, O < Ö, S < Ş, U < Ü; case ignored.
    const QStringList ordered = {"Cem Ak",      "Çiğdem Er", "Ilgaz Öz",   "ılgın Işık",
                                 "İbrahim Can", "Oya Su",    "Ömer Çelik", "Sinan Ay",
                                 "şule Çağlar", "Uğur Ateş", "Ümit Ünal",  "Zeynep Kaya"};
    QVector<Entry> entries;
    qint64 id = 0;
    for (int i = ordered.size() - 1; i >= 0; i -= 2)
        entries.append({++id, ordered.at(i), "0212 " + QString::number(i), "", ""});
    for (int i = 0; i < ordered.size(); i += 2)
        entries.append({++id, ordered.at(i), "", "0532 " + QString::number(i), "x@ö.com"});
    // Enough people after them for several pages.
    for (int i = 1; i <= 150; ++i)
        entries.append({++id, QStringLiteral("Zübeyde Kişi %1").arg(i), "", "", ""});
    const QString path = cwd.path() + "/liste.pdf";
    QString error;
    QVERIFY2(writePhoneListPdf(QFile::encodeName(path), inTurkishOrder(entries), QDate(2026, 3, 5),
                               error),
             qPrintable(error));
    QCOMPARE(QDir(cwd.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"liste.pdf"}));

    const QString text = run(QStringLiteral("pdftotext"), {"-layout", path, "-"});
    const QRegularExpression pagesLine(QStringLiteral("Pages:\\s+(\\d+)"));
    const int pages = pagesLine.match(run(QStringLiteral("pdfinfo"), {path})).captured(1).toInt();
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
    for (int page = 1; page <= pages; ++page)
        QVERIFY2(text.contains(QStringLiteral("Sayfa %1 / %2").arg(page).arg(pages)),
                 qPrintable(text.left(2000)));
    QCOMPARE(text.count(QStringLiteral("Telefon Listesi")), pages);
    QVERIFY(text.contains(QStringLiteral("5 Mart 2026 · 162 kişi")));
    // Every name once, in Turkish order, the numbered ones by their numbers.
    QStringList expected = ordered;
    for (int i = 1; i <= 150; ++i)
        expected << QStringLiteral("Zübeyde Kişi %1").arg(i);
    QStringList found;
    for (const QString &line : text.split('\n')) {
        const QString name = line.trimmed().section(QStringLiteral("  "), 0, 0).trimmed();
        if (expected.contains(name))
            found << name;
    }
    QCOMPARE(found, expected);
    QVERIFY(text.contains(QStringLiteral("x@ö.com")));
}

void WorkbooksTest::phoneListPrintsNamesAsStored_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("printed");
    QTest::addColumn<QString>("after");
    // Emoji are text in the PDF, as a search or a copy finds them; blanks before a name
    // neither move it in the order nor in its column.
    QTest::newRow("an emoji beyond U+FFFF that the list's face has too") << "Ayşe 😀 Yılmaz"
                                                                         << "Ayşe 😀 Yılmaz"
                                                                         << "Aslı Ak";
    QTest::newRow("emoji the list's face lacks") << "Ebru 🎉🎉 Tan ⚽"
                                                 << "Ebru 🎉🎉 Tan ⚽"
                                                 << "Derya Ay";
    QTest::newRow("an emoji cut off last") << "Deniz 🚀 " + QString(80, 'k') + " 😀"
                                           << "Deniz 🚀 kkk"
                                           << "Çağla Ün";
    QTest::newRow("a variation selector and a joiner") << "Annem ❤️ Çelik 👩‍🚀"
                                                       << "Annem ❤ Çelik 👩🚀"
                                                       << "Ad Soyad";
    QTest::newRow("leading spaces") << "   Bora Ak"
                                    << "Bora Ak"
                                    << "Bahar Ek";
    QTest::newRow("a tab and a no-break space first") << "\t\u00A0Cemre Öz"
                                                      << "Cemre Öz"
                                                      << "Bahar Ek";
    QTest::newRow("an ideographic space and a line break first") << "\u3000\nEsra Ün"
                                                                 << "Esra Ün"
                                                                 << "Eda Öz";
}

void WorkbooksTest::phoneListPrintsNamesAsStored()
{
    QFETCH(QString, stored);
    QFETCH(QString, printed);
    QFETCH(QString, after);
    WorkingDirectory cwd;
    QVector<Entry> entries = {{1, "Zeki Uç", "0212 1", "", ""},  {2, "Eda Öz", "0212 2", "", ""},
                              {3, "Derya Ay", "0212 3", "", ""}, {4, "Çağla Ün", "0212 4", "", ""},
                              {5, "Ceren Su", "0212 5", "", ""}, {6, "Bahar Ek", "0212 6", "", ""},
                              {7, "Aslı Ak", "0212 7", "", ""},  {8, stored, "0212 8", "", ""}};
    const QString path = cwd.path() + "/liste.pdf";
    QString error;
    QVERIFY2(writePhoneListPdf(QFile::encodeName(path), inTurkishOrder(entries), QDate(2026, 3, 5),
                               error),
             qPrintable(error));
    const QStringList lines = run(QStringLiteral("pdftotext"), {"-layout", path, "-"}).split('\n');
    const auto lineOf = [&lines](const QString &start) {
        for (int i = 0; i < lines.size(); ++i)
            if (lines.at(i).trimmed().startsWith(start))
                return i;
        return -1;
    };
    const int line = lineOf(printed);
    QVERIFY2(line >= 0, qPrintable(lines.join('\n')));
    // In the name's column, as far left as the other names and the caption, its number
    // beside it; right after its neighbour in Turkish order.
    QCOMPARE(lines.at(line).indexOf(printed), lines.at(lineOf("Ad Soyad")).indexOf("Ad Soyad"));
    QCOMPARE(lines.at(line).indexOf(printed), lines.at(lineOf("Zeki Uç")).indexOf("Zeki Uç"));
    QVERIFY2(lines.at(line).contains("0212 8"), qPrintable(lines.at(line)));
    QCOMPARE(lineOf(after), line - 1);
}

void WorkbooksTest::cellsArePlacedAsQtLaysThemOut_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    const int wide = 100000;
    QTest::newRow("ligatures") << "Ofis: ffi ffl fff fi, firma.com.tr" << wide;
    QTest::newRow("kerning") << "AVATAR Tolga Yıldız, W. Vural, T. Çağrı" << wide;
    QTest::newRow("Turkish letters") << "İĞÜŞÖÇ ığüşöç Iı İi" << wide;
    QTest::newRow("signs") << "→ € ™ – — “a” … ½ №" << wide;
    QTest::newRow("cut to the width") << "mehmet.yilmaz.uzun.bir.adres@firma.com.tr" << 1500;
    QTest::newRow("cut inside ligatures") << "ffffffffffiiiiii" << 400;
    QTest::newRow("too narrow for the ellipsis") << "abc" << 10;
}

void WorkbooksTest::cellsArePlacedAsQtLaysThemOut()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    WorkingDirectory cwd;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(cwd.path() + "/liste.pdf");
    QPainter painter(&printer);
    QFont font = withEmojiFallback(QFont(QStringLiteral("DejaVu Sans")));
    font.setPointSizeF(8.5);
    painter.setFont(font);
    const CellText cells(QRawFont::fromFont(painter.font()), emojiFace(font, &printer));
    PlacedGlyphs own, emoji;
    QVERIFY(cells.place(text, width, QPointF(0, 0), own, emoji));
    QVERIFY(emoji.glyphs.isEmpty());
    QTextLayout layout(painter.fontMetrics().elidedText(text, Qt::ElideRight, width),
                       painter.font(), &printer);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QVector<quint32> glyphs;
    QVector<QPointF> positions;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        glyphs << run.glyphIndexes();
        positions << run.positions();
    }
    QCOMPARE(own.glyphs, glyphs);
    // Qt kerns a few pairs a 64th of a device pixel apart.
    for (int i = 0; i < glyphs.size(); ++i)
        QVERIFY2(qAbs(own.positions.at(i).x() - positions.at(i).x()) < 0.1,
                 qPrintable(QStringLiteral("glyph %1: %2, Qt %3")
                                .arg(i)
                                .arg(own.positions.at(i).x())
                                .arg(positions.at(i).x())));
}

void WorkbooksTest::columnRolesAreGuessedAndParsed_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("guessed");
    QTest::newRow("whole name") << "Adı ve Soyadı"
                                << "Ad Soyad";
    QTest::newRow("person") << "KİŞİ"
                            << "Ad Soyad";
    QTest::newRow("surname") << "Soyisim"
                             << "Soyad";
    QTest::newRow("mobile") << "Cep No"
                            << "Cep";
    QTest::newRow("GSM") << "gsm numarası"
                         << "Cep";
    QTest::newRow("phone") << "Tel. (iş)"
                           << "Telefon";
    QTest::newRow("mail") << "E-Posta"
                          << "Mail";
    QTest::newRow("an address is no name") << "Adres"
                                           << "Yok say";
    QTest::newRow("nothing known") << "Nerede"
                                   << "Yok say";
}

void WorkbooksTest::columnRolesAreGuessedAndParsed()
{
    QFETCH(QString, header);
    QFETCH(QString, guessed);
    QCOMPARE(roleLabel(guessedRole(header)), guessed);
    // The command line's words name every role once, in the dialog's order.
    ColumnChoice choice;
    QString error;
    QVERIFY2(parseColumnChoice(" AdSoyad,ad, soyad,TELEFON,cep,mail,yok", choice, error),
             qPrintable(error));
    QCOMPARE(choice, columnRoles());
    QVERIFY(!parseColumnChoice("ad,,cep", choice, error));
    QVERIFY2(error.startsWith("\"\" bir sütun adı değil; bilinenler: adsoyad, ad, soyad"),
             qPrintable(error));
}

void WorkbooksTest::stoppedExportsWriteNothing_data()
{
    QTest::addColumn<QString>("file");
    for (const char *file : {"rehber.vcf", "rehber.csv", "rehber.xlsx", "liste.pdf"})
        QTest::newRow(file) << file;
}

void WorkbooksTest::stoppedExportsWriteNothing()
{
    QFETCH(QString, file);
    WorkingDirectory cwd;
    QVector<Entry> entries;
    QVector<Contact> contacts;
    for (int i = 0; i < 3000; ++i) {
        const QString name = QStringLiteral("Kişi %1").arg(i);
        entries.append({i + 1, name, "0212 " + QString::number(i), "", ""});
        contacts.append({name, "0212 " + QString::number(i), "", "", {}});
    }
    const QString path = cwd.path() + '/' + file;
    writeFile(path, "önceki");
    // Stops once it is under way: the file before stays, nothing is left beside it.
    qint64 calls = 0;
    const auto stopSoon = [&calls](qint64 done, qint64) { return ++calls < 2 && done >= 0; };
    QString error;
    const bool written = file.endsWith(".pdf")
                             ? writePhoneListPdf(QFile::encodeName(path), entries,
                                                 QDate(2026, 1, 1), error, stopSoon)
                             : writeContactFile(path, contacts, error, stopSoon);
    QVERIFY(!written);
    QVERIFY2(error.endsWith("durduruldu, dosya yazılmadı"), qPrintable(error));
    QCOMPARE(calls, 2);
    QCOMPARE(QDir(cwd.path()).entryList(QDir::Files | QDir::Hidden), QStringList({file}));
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("önceki"));
}

void WorkbooksTest::unwritablePdfNamesThePathGiven_data()
{
    QTest::addColumn<QString>("given");
    QTest::newRow("relative, in a folder that is not there") << "yok/liste.pdf";
    QTest::newRow("absolute, in a folder that is not there") << "%1/yok/liste.pdf";
    QTest::newRow("under a file") << "dosya.txt/liste.pdf";
}

void WorkbooksTest::unwritablePdfNamesThePathGiven()
{
    QFETCH(QString, given);
    WorkingDirectory cwd;
    writeFile(cwd.path() + "/dosya.txt", "metin");
    const QString path = given.contains("%1") ? given.arg(cwd.path()) : given;
    QString error;
    QVERIFY(!writePhoneListPdf(QFile::encodeName(path), {{1, "Ali Veli", "0212 1", "", ""}},
                               QDate(2026, 1, 1), error));
    QVERIFY2(error.startsWith(path + ": yazılamıyor ("), qPrintable(error));
    QCOMPARE(QDir(cwd.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"dosya.txt"}));
}

QTEST_MAIN(WorkbooksTest)
#include "tst_workbooks.moc"
