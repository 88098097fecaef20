// The book as desk phones' remote phone books: each layout written by the command line and
// read back by python's xml.etree against the book; numbers as dialled.
#include "directory/phonedirectory.h"

#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace
{

// What the independent reader finds: one line per person, [name, [numbers…]].
QStringList readBack(const QString &layout, const QString &path)
{
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(DIRECTORY_READER), layout, path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        return {QStringLiteral("reader failed: ") +
                QString::fromUtf8(reader.readAllStandardError())};
    return QString::fromUtf8(reader.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class DirectoryTest : public QObject
{
    Q_OBJECT

private slots:
    void numbersAreDialledAsTyped();
    void everyLayoutListsTheBookInTurkishOrder();
    void wrongUsageAndUnwritableFilesChangeNothing();
};

void DirectoryTest::numbersAreDialledAsTyped()
{
    const QVector<QPair<QString, QString>> numbers = {{"0532 111 22 33", "05321112233"},
                                                      {"+90 (532) 111-22-34", "+905321112234"},
                                                      {"0090 212 555", "0090212555"},
                                                      {"(0312) 444.55.66", "03124445566"},
                                                      {"٣٤ 12", "3412"},
                                                      {"dahili 12 + 3", "123"},
                                                      {"+", ""},
                                                      {"abc", ""},
                                                      {"", ""},
                                                      {" +90\u00a05", "+905"}};
    for (const auto &[typed, dialled] : numbers)
        QCOMPARE(dialledNumber(typed), dialled);
}

void DirectoryTest::everyLayoutListsTheBookInTurkishOrder()
{
    const BookFixture book([](const SideConnection &seed) {
        seed.insert("Zeynep Kaya", "0532 111 22 33", "+90 (532) 111-22-34", "z@ornek.tr");
        seed.insert("Şule Öztürk", "", "0090 212 555 00 00", QVariant());
        seed.insert("Sevgi <&> \"Tırnak\" 'x'", "(0312) 444-55-66", "0312 444 55 66", "");
        seed.insert("Cem", "٣٤ 12", QVariant(), QVariant());
        seed.insert("Çağla Işık", "abc", "", "c@ornek.tr"); // nothing to dial: left out
        seed.insert("ılgın Ak", "+90 5", "05", "");
        seed.insert("Irmak İnce", "1", "2", "");
        seed.insert("İlker Er", QVariant(), "5", "");
        seed.insert("Kontrol\u0001Ad", "444", "", "");
        seed.insert("Ozan Ali Veli", "212", QVariant(), "");
        seed.insert("Öztürk Bey", "333", "", "");
        seed.insert(QVariant(), "", "", "");
    });
    QCOMPARE(book.opening, PhoneBookOpening::Opened);
    const QStringList expected = {
        R"(["Cem", ["3412"]])",
        R"(["ılgın Ak", ["+905", "05"]])",
        R"(["Irmak İnce", ["1", "2"]])",
        R"(["İlker Er", ["5"]])",
        R"(["KontrolAd", ["444"]])",
        R"(["Ozan Ali Veli", ["212"]])",
        R"(["Öztürk Bey", ["333"]])",
        R"(["Sevgi <&> \"Tırnak\" 'x'", ["03124445566"]])",
        R"(["Şule Öztürk", ["00902125550000"]])",
        R"(["Zeynep Kaya", ["05321112233", "+905321112234"]])",
    };
    for (const QString &layout : directoryLayoutNames()) {
        const QString path = book.cwd.path() + "/" + layout + ".xml";
        const auto [status, output] =
            runAktar(book.cwd.path(), {"rehber", "--bicim", layout, path});
        QVERIFY2(status == 0, qPrintable(output));
        QCOMPARE(readBack(layout, path), expected);
    }
    // The option after the file, and the name in capitals.
    const QString last = book.cwd.path() + "/son.xml";
    QCOMPARE(runAktar(book.cwd.path(), {"rehber", last, "--bicim=SNOM"}).first, 0);
    QCOMPARE(readBack("snom", last), expected);
    closePhoneBook();
}

void DirectoryTest::wrongUsageAndUnwritableFilesChangeNothing()
{
    const BookFixture book([](const SideConnection &seed) { seed.insert("Ali Veli", "0212"); });
    const QString path = book.cwd.path() + "/rehber.xml";
    for (const QStringList &wrong : {QStringList{"rehber", path},
                                     {"rehber", "--bicim", "nokia", path},
                                     {"rehber", "--bicim"},
                                     {"rehber", "--bicim", "cisco", path, "fazla.xml"}}) {
        QCOMPARE(runAktar(book.cwd.path(), wrong).first, 2);
        QVERIFY(!QFile::exists(path));
    }
    // A folder that is not there: status 1 with the reason, and no file.
    const auto [status, output] =
        runAktar(book.cwd.path(), {"rehber", "--bicim", "yealink", book.cwd.path() + "/yok/r.xml"});
    QCOMPARE(status, 1);
    QVERIFY2(output.contains("yazılamadı"), qPrintable(output));
    closePhoneBook();
}

QTEST_MAIN(DirectoryTest)
#include "tst_directory.moc"
