// The book synced with a CardDAV address book by telefon-defteri-aktar esitle, on either back
// end, against a Radicale of the test's own; curl writes on the server as a phone would and
// python's vobject reads what the server holds.
#include "changelog/changelog.h"
#include "store/entries.h"
#include "sync/phonesync.h"

#include "privatecarddav.h"
#include "privateserver.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QTest>

#include <unistd.h>

namespace
{

QByteArray card(const QString &uid, const QString &lines)
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\n%2END:VCARD\r\n")
        .arg(uid, lines)
        .toUtf8();
}

// What the server holds, read by vobject: per card "FN | TEL, TEL | EMAIL | other names",
// sorted.
QStringList onServer(const QString &book)
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QByteArray listing =
        server
            .curl("PROPFIND", book, "<propfind xmlns=\"DAV:\"><prop><getetag/></prop></propfind>",
                  {"Depth: 1"})
            .second;
    static const QRegularExpression href(QStringLiteral("<href>([^<]+\\.vcf)</href>"));
    QTemporaryDir dir;
    QStringList files;
    for (QRegularExpressionMatchIterator it = href.globalMatch(QString::fromUtf8(listing));
         it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString file = dir.filePath(QString::number(files.size()) + ".vcf");
        QFile write(file);
        write.open(QIODevice::WriteOnly);
        write.write(server.curl("GET", server.root() + match.captured(1)).second);
        files << file;
    }
    QStringList cards;
    if (files.isEmpty())
        return cards;
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral(CARDDAV_TESTS "/read_cards.py")} + files);
    if (!reader.waitForFinished(120000) || reader.exitCode() != 0)
        return {QStringLiteral("vobject failed: ") +
                QString::fromUtf8(reader.readAllStandardError())};
    for (const QByteArray &line : reader.readAllStandardOutput().trimmed().split('\n')) {
        const QJsonArray read = QJsonDocument::fromJson(line).array();
        QStringList parts = {read[0].toString()};
        for (int i = 1; i < 4; ++i) {
            QStringList values;
            for (const QJsonValue &value : read[i].toArray())
                values << value.toString();
            if (i < 3)
                values.sort();
            parts << values.join(", ");
        }
        cards << parts.join(" | ");
    }
    cards.sort();
    return cards;
}

QStringList inBook()
{
    QStringList entries;
    for (const Entry &entry : wholeBook())
        entries << QStringList{entry.adsoyad, entry.telefon, entry.cep, entry.mail}.join(" | ");
    entries.sort();
    return entries;
}

// The desk's entry most tests start from.
void withAyse(const SideConnection &seed)
{
    seed.insert("Ayşe Yılmaz", "0212 1", "", "");
}

// A new address book holding a phone's card for Şule.
QString addressBookWithSule(PrivateCardDav &server)
{
    const QString book = server.makeAddressBook();
    if (server.putNewCard(book + "sule.vcf", card("t", "FN:Şule Çelik\r\nTEL:0532 1\r\n")) != 201)
        qFatal("the phone's card was not written");
    return book;
}

QPair<int, QString> sync(const BookFixture &book, const QString &address,
                         const QStringList &more = {})
{
    return runAktar(
        book.cwd.path(),
        QStringList{"esitle", "--carddav", address, "--kullanici", PrivateCardDav::user()} + more);
}

void clickButton(QWidget *dialog, const QString &text)
{
    for (QPushButton *button : dialog->findChildren<QPushButton *>())
        if (button->text() == text)
            button->click();
}

// The dialog's outcome once the sync it runs has ended; empty when none ends in two minutes.
QString outcomeWhenSynced(QDialog *dialog)
{
    QLabel *outcome = dialog->findChild<QLabel *>("son");
    const bool ended =
        QTest::qWaitFor([&] { return outcome->text().startsWith("Son eşitleme"); }, 120000);
    return ended ? outcome->text() : QString();
}

// The password from ~/.netrc, as curl reads it.
void writeNetrc(const QTemporaryDir &home)
{
    QFile netrc(home.filePath(".netrc"));
    netrc.open(QIODevice::WriteOnly);
    netrc.write(("machine example.org login x password y\nmachine 127.0.0.1 login " +
                 PrivateCardDav::user() + " password \"" + PrivateCardDav::password() + "\"\n")
                    .toUtf8());
    qputenv("NETRC", netrc.fileName().toUtf8());
}

} // namespace

class SyncTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void aFirstSyncGoesBothWaysWithoutDoubles();
    void changesAndDeletesReachTheOtherSide();
    void anotherDeskHoldingOrChangingTheBookMidSyncLosesNothing();
    void aServerWithoutTokensIsComparedByVersion();
    void bothSidesChangedIsToldAndOneVersionStays();
    void aForgottenTokenOrLostLinksDoubleNothing();
    void aSyncStoppedAnywhereIsFinishedOnce();
    void aRefusingServerChangesNothing();
    void aBookRefusingTheLinksDoublesNothingLater();
    void aCardTooLargeIsNotDownloaded();
    void aDeskOfAnotherRoleSyncsAndAReadingOneMayNot();
    void theWindowSyncsAndAsksWhenBothChanged();
    void theWindowGoesOnWhileSyncingAndMayStopIt();

private:
    QTemporaryDir home;
};

void SyncTest::initTestCase()
{
    writeNetrc(home);
}

void SyncTest::aFirstSyncGoesBothWaysWithoutDoubles()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    // A phone's cards: one of a person the book has, with what the book does not hold.
    QCOMPARE(
        server.putNewCard(book + "ayse.vcf",
                          card("telefon-1", "FN:Ayşe Yılmaz\r\nN:Yılmaz;Ayşe;;;\r\nTEL;TYPE=WORK:"
                                            "0212 555 11 22\r\nADR;TYPE=HOME:;;Atatürk Cd. 5;"
                                            "İstanbul;;;Türkiye\r\nNOTE:Muhasebe\r\n")),
        201);
    QCOMPARE(
        server.putNewCard(book + "sule.vcf",
                          card("telefon-2", "FN:Şule Çelik\r\nN:Çelik;Şule;;;\r\nTEL;TYPE=CELL:"
                                            "0532 111 22 33\r\n")),
        201);
    const BookFixture fixture([](const SideConnection &seed) {
        seed.insert("Ayşe Yılmaz", "0212 555 11 22", "", "ayse@ornek.tr");
        seed.insert("İlker Işık", "(0216) 444-0000", "", "");
    });
    const auto [status, said] = sync(fixture, server.root());
    QVERIFY2(status == 0, qPrintable(said));
    QCOMPARE(inBook(), QStringList({"Ayşe Yılmaz | 0212 555 11 22 |  | ayse@ornek.tr",
                                    "İlker Işık | (0216) 444-0000 |  | ",
                                    "Şule Çelik |  | 0532 111 22 33 | "}));
    QCOMPARE(onServer(book),
             QStringList({"Ayşe Yılmaz | 0212 555 11 22 | ayse@ornek.tr | adr, note, uid, "
                          "version",
                          "İlker Işık | (0216) 444-0000 |  | uid, version",
                          "Şule Çelik | 0532 111 22 33 |  | uid, version"}));
    QVERIFY2(said.contains("1 kişi kartıyla eşleşti"), qPrintable(said));
    // Nothing more to do the second time.
    const auto [again, saidAgain] = sync(fixture, server.root());
    QCOMPARE(again, 0);
    QVERIFY2(saidAgain.contains("0 kişi eklendi, 0 değişti, 0 silindi; sunucuya 0 kart yazıldı, 0 "
                                "silindi"),
             qPrintable(saidAgain));
    closePhoneBook();
}

void SyncTest::changesAndDeletesReachTheOtherSide()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    QCOMPARE(server.putNewCard(
                 book + "sule.vcf",
                 card("t-2", "FN:Şule Çelik\r\nTEL;TYPE=CELL:0532 111 22 33\r\nNOTE:not\r\n")),
             201);
    QCOMPARE(server.putNewCard(book + "ilker.vcf", card("t-3", "FN:İlker Işık\r\nTEL:0216 1\r\n")),
             201);
    const BookFixture fixture(withAyse);
    QCOMPARE(sync(fixture, book).first, 0);
    // The phone changes one card and deletes another; the desk changes, adds and deletes.
    QCOMPARE(server.changeCard(book + "sule.vcf",
                               card("t-2", "FN:Şule Çelik Kaya\r\nTEL;TYPE=CELL:0532 999 88 77\r\n"
                                           "NOTE:not\r\n")) /
                 100,
             2);
    QCOMPARE(server.curl("DELETE", book + "ilker.vcf").first / 100, 2);
    const QVector<Entry> before = wholeBook();
    const Entry ayse = before.first();
    QCOMPARE(ayse.adsoyad, QString("Ayşe Yılmaz"));
    Entry changed = ayse;
    changed.mail = "ayse@ornek.tr";
    QCOMPARE(replaceEntry(ayse, changed).outcome, ChangeOutcome::Done);
    Entry added{0, "Ömer Güneş", "", "0544 1", ""};
    QCOMPARE(addEntry(added).outcome, ChangeOutcome::Done);
    const auto [status, said] = sync(fixture, book);
    QVERIFY2(status == 0, qPrintable(said));
    QCOMPARE(inBook(),
             QStringList({"Ayşe Yılmaz | 0212 1 |  | ayse@ornek.tr", "Ömer Güneş |  | 0544 1 | ",
                          "Şule Çelik Kaya |  | 0532 999 88 77 | "}));
    QCOMPARE(onServer(book),
             QStringList({"Ayşe Yılmaz | 0212 1 | ayse@ornek.tr | uid, version",
                          "Ömer Güneş | 0544 1 |  | uid, version",
                          "Şule Çelik Kaya | 0532 999 88 77 |  | note, uid, version"}));
    // The phone's delete went into Silinenler, as any delete does.
    QString error;
    const std::optional<QVector<LoggedChange>> deleted = deletedEntries(error);
    QVERIFY2(deleted, qPrintable(error));
    QCOMPARE(deleted->size(), 1);
    QCOMPARE(deleted->first().before.adsoyad, QString("İlker Işık"));
    // The desk's delete reaches the phones.
    QCOMPARE(removeEntry(added.id).outcome, ChangeOutcome::Done);
    QCOMPARE(sync(fixture, book).first, 0);
    QCOMPARE(onServer(book).size(), 2);
    QVERIFY(!onServer(book).join("\n").contains("Ömer"));
    closePhoneBook();
}

void SyncTest::anotherDeskHoldingOrChangingTheBookMidSyncLosesNothing()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = addressBookWithSule(server);
    QCOMPARE(server.putNewCard(book + "ilker.vcf", card("t-3", "FN:İlker Işık\r\nTEL:0216 1\r\n")),
             201);
    const BookFixture fixture(withAyse);
    QCOMPARE(sync(fixture, book).first, 0);
    // The newest entry, and its card.
    Entry newest{0, "Ömer Güneş", "0544 1", "", ""};
    QCOMPARE(addEntry(newest).outcome, ChangeOutcome::Done);
    QCOMPARE(sync(fixture, book).first, 0);
    QSqlQuery linked(fixture.side.db());
    QVERIFY(linked.exec(QStringLiteral("SELECT adres, uid FROM TELEFON_KART WHERE kimlik = %1")
                            .arg(newest.id)) &&
            linked.next());
    const QString newestCard = server.root() + linked.value(0).toString();
    const QString newestUid = linked.value(1).toString();
    linked.finish();
    // A phone changes two cards and deletes another.
    QCOMPARE(server.changeCard(book + "sule.vcf", card("t", "FN:Şule Çelik\r\nTEL:0532 2\r\n")) /
                 100,
             2);
    QCOMPARE(
        server.changeCard(newestCard, card(newestUid, "FN:Ömer Güneş\r\nTEL:0544 2\r\n")) / 100, 2);
    QCOMPARE(server.curl("DELETE", book + "ilker.vcf").first / 100, 2);
    const QStringList before = inBook();
    // Another desk holds the entries (on a server) or the book (a file) and waits: the sync
    // says so and takes nothing in.
    fixture.side.exec(testingOnServer() ? "BEGIN" : "BEGIN IMMEDIATE");
    if (testingOnServer())
        fixture.side.exec("SELECT * FROM telefon FOR UPDATE");
    const auto [locked, saidLocked] = sync(fixture, book);
    QCOMPARE(locked, 1);
    QVERIFY2(saidLocked.contains("başka bir masada değiştiriliyor"), qPrintable(saidLocked));
    fixture.side.exec("ROLLBACK");
    QCOMPARE(inBook(), before);
    // Another desk changes two entries before each of the sync's touches of the book, so
    // that what the sync read of them is old by the time it writes; it deletes the newest
    // once the sync has read the book (its links, its token, its entries).
    int touches = 0;
    SyncRequest request;
    request.address = QUrl(book);
    request.user = PrivateCardDav::user();
    request.password = PrivateCardDav::password();
    request.onBookThread = [&](const std::function<void()> &touch) {
        fixture.cwd.runOtherProgram(
            QStringLiteral("UPDATE TELEFON SET mail = 'masa%1' WHERE adsoyad IN ('Şule Çelik', "
                           "'İlker Işık')")
                .arg(++touches));
        if (touches == 4)
            fixture.cwd.runOtherProgram(
                QStringLiteral("DELETE FROM TELEFON WHERE id = %1").arg(newest.id));
        touch();
        return true;
    };
    const SyncOutcome meanwhile = syncWithPhones(request);
    QVERIFY2(meanwhile.error.isEmpty(), qPrintable(meanwhile.error));
    QCOMPARE(meanwhile.skipped.filter("bir sonraki eşitlemede").size(), 3);
    const QString last = QStringLiteral("masa%1").arg(touches);
    QCOMPARE(inBook(),
             QStringList({"Ayşe Yılmaz | 0212 1 |  | ", "İlker Işık | 0216 1 |  | " + last,
                          "Şule Çelik | 0532 1 |  | " + last}));
    // Asked again, both sides' changes are seen: the server's version stays, as asked, and
    // the card changed on the phone comes back for the entry deleted.
    const auto [status, said] = sync(fixture, book);
    QVERIFY2(status == 0, qPrintable(said));
    QVERIFY2(said.contains("Şule Çelik: sunucuda") && said.contains("İlker Işık: sunucuda"),
             qPrintable(said));
    QCOMPARE(inBook(), QStringList({"Ayşe Yılmaz | 0212 1 |  | ", "Ömer Güneş | 0544 2 |  | ",
                                    "Şule Çelik | 0532 2 |  | "}));
    QCOMPARE(onServer(book), QStringList({"Ayşe Yılmaz | 0212 1 |  | uid, version",
                                          "Ömer Güneş | 0544 2 |  | uid, version",
                                          "Şule Çelik | 0532 2 |  | uid, version"}));
    closePhoneBook();
}

void SyncTest::aServerWithoutTokensIsComparedByVersion()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    const ScriptServer proxy(QStringLiteral(CARDDAV_TESTS "/tokenless_proxy.py"),
                             {QString::number(QUrl(server.root()).port())});
    QUrl through(book);
    through.setPort(proxy.port());
    QCOMPARE(server.putNewCard(book + "sule.vcf", card("t-2", "FN:Şule Çelik\r\nTEL:0532 1\r\n")),
             201);
    QCOMPARE(server.putNewCard(book + "ilker.vcf", card("t-3", "FN:İlker Işık\r\nTEL:0216 1\r\n")),
             201);
    const BookFixture fixture(withAyse);
    const auto [first, saidFirst] = sync(fixture, through.toString());
    QVERIFY2(first == 0, qPrintable(saidFirst));
    QCOMPARE(onServer(book).size(), 3);
    QSqlQuery tokens(fixture.side.db());
    QVERIFY(tokens.exec("SELECT COUNT(*) FROM TELEFON_ESITLEME") && tokens.next());
    QCOMPARE(tokens.value(0).toInt(), 0);
    tokens.finish();
    // Each side changes one and the phone deletes one; with no token to ask from, every
    // card's version tells what changed.
    QCOMPARE(server.changeCard(book + "sule.vcf", card("t-2", "FN:Şule Kaya\r\nTEL:0532 2\r\n")) /
                 100,
             2);
    QCOMPARE(server.curl("DELETE", book + "ilker.vcf").first / 100, 2);
    const Entry ayse = wholeBook().first();
    Entry changed = ayse;
    changed.mail = "ayse@ornek.tr";
    QCOMPARE(replaceEntry(ayse, changed).outcome, ChangeOutcome::Done);
    const auto [status, said] = sync(fixture, through.toString());
    QVERIFY2(status == 0, qPrintable(said));
    QCOMPARE(inBook(),
             QStringList({"Ayşe Yılmaz | 0212 1 |  | ayse@ornek.tr", "Şule Kaya | 0532 2 |  | "}));
    QCOMPARE(onServer(book), QStringList({"Ayşe Yılmaz | 0212 1 | ayse@ornek.tr | uid, version",
                                          "Şule Kaya | 0532 2 |  | uid, version"}));
    const auto [again, saidAgain] = sync(fixture, through.toString());
    QCOMPARE(again, 0);
    QVERIFY2(saidAgain.contains("0 kişi eklendi, 0 değişti, 0 silindi; sunucuya 0 kart yazıldı, 0 "
                                "silindi"),
             qPrintable(saidAgain));
    closePhoneBook();
}

void SyncTest::bothSidesChangedIsToldAndOneVersionStays()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    const BookFixture fixture(withAyse);
    QCOMPARE(sync(fixture, book).first, 0);
    QCOMPARE(onServer(book).size(), 1);
    // Both change the phone: the server's stays on the command line, and both are told.
    const auto changeOnPhone = [&](const QString &number) {
        const QByteArray listing =
            server
                .curl("PROPFIND", book,
                      "<propfind xmlns=\"DAV:\"><prop><getetag/></prop></propfind>", {"Depth: 1"})
                .second;
        const QString href = QRegularExpression("<href>([^<]+\\.vcf)</href>")
                                 .match(QString::fromUtf8(listing))
                                 .captured(1);
        QByteArray text = server.curl("GET", server.root() + href).second;
        text.replace(
            QRegularExpression("TEL[^\r\n]*").match(QString::fromUtf8(text)).captured().toUtf8(),
            "TEL;TYPE=WORK,VOICE:" + number.toUtf8());
        return server.changeCard(server.root() + href, text);
    };
    QCOMPARE(changeOnPhone("0212 2") / 100, 2);
    Entry here = wholeBook().first();
    Entry mine = here;
    mine.telefon = "0212 3";
    QCOMPARE(replaceEntry(here, mine).outcome, ChangeOutcome::Done);
    const auto [status, said] = sync(fixture, book);
    QCOMPARE(status, 0);
    QVERIFY2(said.contains("Çakışma: Ayşe Yılmaz: sunucuda Ayşe Yılmaz, 0212 2; defterde Ayşe "
                           "Yılmaz, 0212 3; sunucudaki kaldı"),
             qPrintable(said));
    QCOMPARE(inBook(), QStringList({"Ayşe Yılmaz | 0212 2 |  | "}));
    // The other way when asked.
    QCOMPARE(changeOnPhone("0212 4") / 100, 2);
    here = wholeBook().first();
    mine = here;
    mine.telefon = "0212 5";
    QCOMPARE(replaceEntry(here, mine).outcome, ChangeOutcome::Done);
    const auto [localWins, saidLocal] = sync(fixture, book, {"--yerel-kazanir"});
    QCOMPARE(localWins, 0);
    QVERIFY2(saidLocal.contains("defterdeki kaldı"), qPrintable(saidLocal));
    QCOMPARE(inBook(), QStringList({"Ayşe Yılmaz | 0212 5 |  | "}));
    QCOMPARE(onServer(book), QStringList({"Ayşe Yılmaz | 0212 5 |  | uid, version"}));
    closePhoneBook();
}

void SyncTest::aForgottenTokenOrLostLinksDoubleNothing()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = addressBookWithSule(server);
    const BookFixture fixture(withAyse);
    QCOMPARE(sync(fixture, book).first, 0);
    const QStringList synced = onServer(book);
    QCOMPARE(synced.size(), 2);
    // The server forgot the token: every card is compared again.
    fixture.cwd.runOtherProgram(
        "UPDATE TELEFON_ESITLEME SET jeton = 'http://radicale.org/ns/sync/unutuldu'");
    const auto [forgotten, said] = sync(fixture, book);
    QVERIFY2(forgotten == 0, qPrintable(said));
    QCOMPARE(onServer(book), synced);
    QCOMPARE(wholeBook().size(), 2);
    // A card whose writing was cut off before its version was noted: taken as it arrived.
    fixture.cwd.runOtherProgram("UPDATE TELEFON_KART SET etag = ''");
    const auto [pending, saidPending] = sync(fixture, book);
    QVERIFY2(pending == 0, qPrintable(saidPending));
    QCOMPARE(onServer(book), synced);
    QCOMPARE(wholeBook().size(), 2);
    // Every link lost (a sync cut off before it wrote them): each card is found again as
    // the same person.
    fixture.cwd.runOtherProgram("DELETE FROM TELEFON_KART; DELETE FROM TELEFON_ESITLEME");
    const auto [relinked, saidRelinked] = sync(fixture, book);
    QVERIFY2(relinked == 0, qPrintable(saidRelinked));
    QVERIFY2(saidRelinked.contains("2 kişi kartıyla eşleşti"), qPrintable(saidRelinked));
    QCOMPARE(onServer(book), synced);
    QCOMPARE(wholeBook().size(), 2);
    closePhoneBook();
}

void SyncTest::aSyncStoppedAnywhereIsFinishedOnce()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    const BookFixture fixture([](const SideConnection &seed) {
        seed.exec(insertNumberedRows(300, "adsoyad, telefon", "'Kişi ' || i, '0212 ' || i"));
    });
    // Stopped as a log-out stops it, once the first cards are on the server; wherever that
    // falls, the next sync finishes it with every entry on the server once.
    QProcess first;
    first.setWorkingDirectory(fixture.cwd.path());
    first.start(QStringLiteral(TELEFON_AKTAR),
                {"esitle", "--carddav", book, "--kullanici", PrivateCardDav::user()});
    QVERIFY(QTest::qWaitFor(
        [&] {
            return first.state() == QProcess::NotRunning ||
                   server.curl("PROPFIND", book, {}, {"Depth: 1"}).second.count(".vcf<") > 3;
        },
        60000));
    first.terminate();
    QVERIFY(first.waitForFinished(60000));
    const auto [status, said] = sync(fixture, book);
    QVERIFY2(status == 0, qPrintable(said));
    const QStringList cards = onServer(book);
    QCOMPARE(cards.size(), 300);
    QCOMPARE(QSet<QString>(cards.begin(), cards.end()).size(), 300);
    QCOMPARE(wholeBook().size(), 300);
    closePhoneBook();
}

void SyncTest::aRefusingServerChangesNothing()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    const BookFixture fixture(withAyse);
    const QVector<Entry> before = wholeBook();
    // A password the server refuses, given in the address: status 1 with the reason, and
    // the password said nowhere.
    QString wrong = book;
    wrong.replace("http://", "http://" + PrivateCardDav::user() + ":yanlis-parola@");
    const auto [status, said] = runAktar(fixture.cwd.path(), {"esitle", "--carddav", wrong});
    QCOMPARE(status, 1);
    QVERIFY2(said.contains("401"), qPrintable(said));
    QVERIFY(!said.contains("yanlis-parola"));
    // No CardDAV server at all.
    const auto [none, saidNone] =
        runAktar(fixture.cwd.path(), {"esitle", "--carddav", "http://127.0.0.1:1/"});
    QCOMPARE(none, 1);
    QVERIFY2(saidNone.contains("ulaşılamadı"), qPrintable(saidNone));
    QCOMPARE(wholeBook(), before);
    QVERIFY(onServer(book).isEmpty());
    // Wrong usage.
    for (const QStringList &usage :
         {QStringList{"esitle"}, QStringList{"esitle", "--carddav", "ftp://x/"},
          QStringList{"esitle", "--carddav", book, "--bilinmez"}})
        QCOMPARE(runAktar(fixture.cwd.path(), usage).first, 2);
    closePhoneBook();
}

void SyncTest::aBookRefusingTheLinksDoublesNothingLater()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    const BookFixture fixture([](const SideConnection &) {});
    // The first sync makes the links' table.
    QCOMPARE(sync(fixture, book).first, 0);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(server.putNewCard(
                     book + QString("k%1.vcf").arg(i),
                     card(QString("k%1").arg(i), QString("FN:Kişi %1\r\nTEL:0212 %1\r\n").arg(i))),
                 201);
    // The entries go in, their links do not: a failure, said.
    fixture.side.refuse("INSERT", "baglanti yasak", nullptr, "TELEFON_KART");
    const auto [refused, saidRefused] = sync(fixture, book);
    QCOMPARE(refused, 1);
    QVERIFY2(saidRefused.contains("baglanti yasak"), qPrintable(saidRefused));
    // Allowed again, the next sync finds those entries the cards' people: none doubled.
    fixture.side.allow("INSERT", "TELEFON_KART");
    const auto [status, said] = sync(fixture, book);
    QVERIFY2(status == 0, qPrintable(said));
    QCOMPARE(inBook(), QStringList({"Kişi 0 | 0212 0 |  | ", "Kişi 1 | 0212 1 |  | ",
                                    "Kişi 2 | 0212 2 |  | "}));
    QCOMPARE(onServer(book).size(), 3);
    closePhoneBook();
}

void SyncTest::aCardTooLargeIsNotDownloaded()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    QByteArray photo = "PHOTO;ENCODING=b;TYPE=JPEG:" + QByteArray(3 << 20, 'A').toBase64();
    QCOMPARE(server.putNewCard(book + "buyuk.vcf", card("b", "FN:Büyük Foto\r\n" + photo + "\r\n")),
             201);
    QCOMPARE(server.putNewCard(book + "kucuk.vcf", card("k", "FN:Küçük\r\nTEL:1\r\n")), 201);
    const BookFixture fixture([](const SideConnection &) {});
    // Told by its size, before any of it is downloaded: in the first sync's listing, and
    // asked for when a later sync's changes come without sizes (as Radicale's do).
    for (const char *large : {"buyuk", "buyuk2"}) {
        const auto [status, said] = sync(fixture, book);
        QVERIFY2(status == 0, qPrintable(said));
        QVERIFY2(QRegularExpression(QString(large) + "\\.vcf: kart çok büyük \\(\\d+ bayt\\), "
                                                     "alınmadı")
                     .match(said)
                     .hasMatch(),
                 qPrintable(said));
        QCOMPARE(inBook(), QStringList({"Küçük | 1 |  | "}));
        if (qstrcmp(large, "buyuk") == 0)
            QCOMPARE(server.putNewCard(book + "buyuk2.vcf",
                                       card("b2", "FN:Büyük Foto\r\n" + photo + "\r\n")),
                     201);
    }
    closePhoneBook();
}

void SyncTest::aDeskOfAnotherRoleSyncsAndAReadingOneMayNot()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = addressBookWithSule(server);
    const BookFixture fixture(withAyse);
    // The links are there with the book, before any sync, so that rights granted on the
    // book's tables cover them.
    fixture.cwd.runOtherProgram("INSERT INTO TELEFON_ESITLEME (rehber, jeton) VALUES ('x', 'y')");
    fixture.cwd.runOtherProgram("DELETE FROM TELEFON_ESITLEME");
    QStringList asDesk, asReader;
    if (testingOnServer()) {
        // Desks log in as roles of their own that may change the book, not make tables.
        PrivateServer &postgres = PrivateServer::instance();
        const QString database = fixture.cwd.database();
        postgres.psql(database,
                      "CREATE ROLE masa_yazan LOGIN; CREATE ROLE masa_okuyan LOGIN; GRANT SELECT, "
                      "INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO masa_yazan; GRANT "
                      "USAGE ON ALL SEQUENCES IN SCHEMA public TO masa_yazan; GRANT SELECT ON ALL "
                      "TABLES IN SCHEMA public TO masa_okuyan");
        asDesk = QStringList{"--sunucu", postgres.uri(database, "masa_yazan")};
        asReader = QStringList{"--sunucu", postgres.uri(database, "masa_okuyan")};
    } else {
        // A desk that may only read the file.
        QFile(fixture.cwd.databaseFile()).setPermissions(QFile::ReadOwner);
    }
    if (!asReader.isEmpty() || ::geteuid() != 0) {
        const auto [refused, saidRefused] = runAktar(
            fixture.cwd.path(), asReader + QStringList{"esitle", "--carddav", book, "--kullanici",
                                                       PrivateCardDav::user()});
        QCOMPARE(refused, 1);
        QVERIFY2(saidRefused.contains("salt okunur"), qPrintable(saidRefused));
        QCOMPARE(onServer(book).size(), 1);
    }
    QFile(fixture.cwd.databaseFile()).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    const auto [status, said] =
        runAktar(fixture.cwd.path(), asDesk + QStringList{"esitle", "--carddav", book,
                                                          "--kullanici", PrivateCardDav::user()});
    QVERIFY2(status == 0, qPrintable(said));
    QCOMPARE(inBook(), QStringList({"Ayşe Yılmaz | 0212 1 |  | ", "Şule Çelik | 0532 1 |  | "}));
    QCOMPARE(onServer(book).size(), 2);
    closePhoneBook();
    if (testingOnServer()) {
        PrivateServer &postgres = PrivateServer::instance();
        postgres.psql(fixture.cwd.database(),
                      "DROP OWNED BY masa_yazan, masa_okuyan; DROP ROLE masa_yazan, masa_okuyan");
    }
}

void SyncTest::theWindowSyncsAndAsksWhenBothChanged()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    QCOMPARE(server.putNewCard(book + "sule.vcf",
                               card("t", "FN:Şule Çelik\r\nTEL;TYPE=CELL:0532 1\r\n")),
             201);
    WindowFixture fixture([](const SideConnection &seed) { seed.insert("Ayşe Yılmaz", "0212 1"); });
    MainWindow *window = fixture.window.get();
    // Eşitle in the dialog, the box of a conflict answered by the test when one comes.
    const auto syncInWindow = [&](const QString &answer, QString &said) {
        said.clear();
        bool asked = false;
        whenDialogShown("PhoneSyncDialog", [&](QDialog *dialog) {
            child<QLineEdit>(dialog, "adres")->setText(book);
            child<QLineEdit>(dialog, "kullanici")->setText(PrivateCardDav::user());
            child<QLineEdit>(dialog, "parola")->setText(PrivateCardDav::password());
            if (!answer.isEmpty())
                whenDialogShown("QMessageBox", [&](QDialog *box) {
                    asked = true;
                    for (QAbstractButton *button : box->findChildren<QAbstractButton *>())
                        if (button->text() == answer)
                            button->click();
                });
            clickButton(dialog, "Eşitle");
            said = outcomeWhenSynced(dialog);
            dialog->reject();
        });
        QStringList texts;
        bool chosen = false;
        chooseFromListMenu(window, "Telefonlarla eşitle…", texts, chosen);
        QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty(), 60000);
        QCOMPARE(asked, !answer.isEmpty());
    };
    QString first;
    syncInWindow({}, first);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(first.contains("1 kişi eklendi") && first.contains("1 kart yazıldı"),
             qPrintable(first));
    // What came from the phones is listed at once.
    QTRY_COMPARE_WITH_TIMEOUT(listModel(window)->rowCount(), 2, 30000);
    QCOMPARE(onServer(book), QStringList({"Ayşe Yılmaz | 0212 1 |  | uid, version",
                                          "Şule Çelik | 0532 1 |  | uid, version"}));
    // Both change Şule: the window asks, and the desk's stays.
    QByteArray phone = server.curl("GET", book + "sule.vcf").second;
    phone.replace("0532 1", "0532 2");
    QCOMPARE(server.changeCard(book + "sule.vcf", phone) / 100, 2);
    Entry sule;
    for (const Entry &entry : wholeBook())
        if (entry.adsoyad == "Şule Çelik")
            sule = entry;
    Entry mine = sule;
    mine.cep = "0532 3";
    QCOMPARE(replaceEntry(sule, mine).outcome, ChangeOutcome::Done);
    QString second;
    syncInWindow("Defterdeki", second);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(second.contains("1 kart yazıldı"), qPrintable(second));
    QCOMPARE(onServer(book), QStringList({"Ayşe Yılmaz | 0212 1 |  | uid, version",
                                          "Şule Çelik | 0532 3 |  | uid, version"}));
    closePhoneBook();
}

void SyncTest::theWindowGoesOnWhileSyncingAndMayStopIt()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    const int people = 500;
    WindowFixture fixture([](const SideConnection &seed) {
        seed.exec(insertNumberedRows(people, "adsoyad, telefon", "'Kişi ' || i, '0212 ' || i"));
    });
    const auto cardsOnServer = [&] {
        return int(server.curl("PROPFIND", book, {}, {"Depth: 1"}).second.count(".vcf<"));
    };
    // Eşitle returns at once with the sync running; Vazgeç stops it once the first cards are
    // out, the window closes in the middle of a second one: each leaves what is done, and
    // the next sync finishes it with every entry on the server once.
    bool stopped = false, closed = false;
    whenDialogShown("PhoneSyncDialog", [&](QDialog *dialog) {
        child<QLineEdit>(dialog, "adres")->setText(book);
        child<QLineEdit>(dialog, "kullanici")->setText(PrivateCardDav::user());
        child<QLineEdit>(dialog, "parola")->setText(PrivateCardDav::password());
        clickButton(dialog, "Eşitle");
        QCOMPARE(dialog->findChild<QLabel *>("son")->text(), QString("Eşitleniyor…"));
        QVERIFY(QTest::qWaitFor([&] { return cardsOnServer() > 3; }, 60000));
        clickButton(dialog, "Vazgeç");
        const QString said = outcomeWhenSynced(dialog);
        QVERIFY2(said.contains("durduruldu"), qPrintable(said));
        stopped = true;
        clickButton(dialog, "Eşitle");
        const int before = cardsOnServer();
        QVERIFY(QTest::qWaitFor([&] { return cardsOnServer() > before + 3; }, 60000));
        dialog->reject();
        closed = true;
    });
    QStringList texts;
    bool chosen = false;
    chooseFromListMenu(fixture.window.get(), "Telefonlarla eşitle…", texts, chosen);
    QTRY_VERIFY_WITH_TIMEOUT(closed || QTest::currentTestFailed(), 180000);
    QVERIFY(stopped);
    fixture.window.reset();
    QVERIFY(cardsOnServer() < people);
    const auto [status, said] = runAktar(
        fixture.cwd.path(), {"esitle", "--carddav", book, "--kullanici", PrivateCardDav::user()});
    QVERIFY2(status == 0, qPrintable(said));
    const QStringList cards = onServer(book);
    QCOMPARE(cards.size(), people);
    QCOMPARE(QSet<QString>(cards.begin(), cards.end()).size(), people);
    QCOMPARE(fixture.side.rows().size(), people);
}

QTEST_MAIN(SyncTest)
#include "tst_sync.moc"
