// Contacts in and out: the sample files of phones and programs mapped onto entries,
// broken files refused, hostile texts through both formats and independent readers,
// imports without duplicates and all or nothing, and the window's menu and drop.
#include "exchange/contactfile.h"
#include "exchange/importer.h"
#include "store/phonebookdb.h"

#include "testsupport.h"

#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace
{

const QString samples = QStringLiteral(EXCHANGE_SAMPLES);

QStringList rowsOf(const QVector<Contact> &contacts)
{
    QStringList rows;
    for (const Contact &c : contacts)
        rows << QStringList({c.adsoyad, c.telefon, c.cep, c.mail}).join('|');
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

// Answers the next file dialog with the file, from inside its own event loop.
void chooseFileWhenAsked(const QString &path)
{
    QTimer::singleShot(10, [path] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return chooseFileWhenAsked(path);
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
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
    void importAddsOnlyNewPeopleInOneTransaction();
    void windowExportsTheListAndImportsDroppedFiles();
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
        << QStringList({"Ayşe Yılmaz|0212 555 44 33|0532 111 22 33|ayse@ornek.com.tr",
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
    QTest::newRow("card cut off") << "cut.vcf" << none << 0 << "cut.vcf: satır 5: ";
    QTest::newRow("quote never closed")
        << "unterminated.csv" << none << 0 << "unterminated.csv: satır 3: ";
    QTest::newRow("binary") << "binary.vcf" << none << 0 << "binary.vcf: satır 4: ";
    QTest::newRow("empty") << "empty.csv" << none << 0 << "empty.csv: boş";
    QTest::newRow("neither") << "notes.txt" << none << 0 << "notes.txt: satır 1: vCard ya da";
    QTest::newRow("missing") << "yok.vcf" << none << 0 << "yok.vcf: okunamıyor";
}

void ExchangeTest::samplesAreRead()
{
    QFETCH(QString, file);
    QFETCH(QStringList, expected);
    QFETCH(int, unreadable);
    QFETCH(QString, error);
    ContactFile read;
    QString message;
    const bool ok = readContactFile(samples + '/' + file, read, message);
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
    const QVector<Contact> contacts = hostileContacts();
    const QString path = cwd.path() + "/rehber" + suffix;
    QString error;
    QVERIFY2(writeContactFile(path, contacts, error), qPrintable(error));

    // Into an empty book and out again: the same entries.
    QCOMPARE(openPhoneBook(), PhoneBookOpening::Opened);
    ContactFile read;
    QVERIFY2(readContactFile(path, read, error), qPrintable(error));
    const ImportPlan plan = planImport(phoneBookDb, read);
    QCOMPARE(plan.existing, 0);
    QVERIFY2(runImport(phoneBookDb, plan.fresh, error), qPrintable(error));
    QSqlQuery all(phoneBookDb);
    QVERIFY(all.exec("SELECT * FROM TELEFON"));
    QCOMPARE(rowsOf(contactsOf(all)), rowsOf(contacts));
    all.finish();
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
    QCOMPARE(plan.existing, 5);
    QCOMPARE(plan.unreadable, 2);

    // A statement that fails halfway leaves nothing behind.
    fixture.side.exec("CREATE TRIGGER refuse BEFORE INSERT ON TELEFON WHEN NEW.adsoyad LIKE "
                      "'Ömer%' BEGIN SELECT RAISE(ABORT, 'refused'); END");
    QVERIFY(!runImport(phoneBookDb, plan.fresh, error));
    QVERIFY2(error.contains("refused"), qPrintable(error));
    QCOMPARE(fixture.side.rows().size(), 1);
    fixture.side.exec("DROP TRIGGER refuse");
    QVERIFY2(runImport(phoneBookDb, plan.fresh, error), qPrintable(error));
    QCOMPARE(fixture.side.rows().size(), 4);
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
    QTimer::singleShot(10, [&texts] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        for (QAction *action : menu->actions())
            if (!action->isSeparator())
                texts << action->text();
        menu->setActiveAction(menu->actions().at(3));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    chooseFileWhenAsked(path);
    BoxAnswerer done({clickButton(QMessageBox::Ok)});
    auto *list = child<QTableView>(window, "tbl_liste");
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(texts, QStringList({"İçe aktar…", "vCard olarak dışa aktar…", "CSV olarak dışa aktar…",
                                 "Listedeki 2 kayıt dışa aktarılır"}));
    QTRY_COMPARE(done.seen.size(), 1);
    QCOMPARE(done.seen.first().text, QStringLiteral("2 kişi dışa aktarıldı."));
    QCOMPARE(independentlyRead(path),
             QStringList({"Şule Çağlar|0232 333 66 77|0532 111 22 33|sule@ornek.com.tr",
                          "Ayşe Yılmaz||0533|"}));

    // A file dropped on a line edit is imported, after one question.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(samples + "/vcard-4.0.vcf")});
    auto *field = child<QLineEdit>(window, "txt_adsoyad");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    QVERIFY(enter.isAccepted());
    BoxAnswerer question({clickButton(QMessageBox::Yes)});
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(field, &drop);
    QTRY_COMPARE(question.seen.size(), 1);
    QCOMPARE(question.seen.first().text,
             QStringLiteral("2 kişi bulundu: 1 yeni, 1 kişi defterde zaten var. Yeni kişiler "
                            "deftere eklensin mi?"));
    QCOMPARE(field->text(), QString());
    QTRY_COMPARE(listModel(window)->rowCount(), 4);
    QCOMPARE(fixture.side.rows().last().value(1).toString(), QStringLiteral("Ali Veli"));
}

QTEST_MAIN(ExchangeTest)
#include "tst_exchange.moc"
