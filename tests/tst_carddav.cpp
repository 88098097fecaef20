// The CardDAV client against Debian's Radicale, started by the test, with curl writing as
// a phone would; WebDAV answers as servers write them and as hostile ones might; a hostile
// server of the test's own.
#include "carddav/carddavclient.h"
#include "carddav/cardtext.h"
#include "carddav/davanswer.h"

#include "privatecarddav.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace
{

QByteArray card(const QString &uid, const QString &name, const QString &phone)
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nFN:%2\r\nN:;%2;;;\r\n"
                          "TEL;TYPE=WORK:%3\r\nNOTE:telefondan\r\nEND:VCARD\r\n")
        .arg(uid, name, phone)
        .toUtf8();
}

} // namespace

class CardDavTest : public QObject
{
    Q_OBJECT

private slots:
    void answersAreReadAsServersWriteThem();
    void hostileAnswersAreRefusedWhole();
    void aCardKeepsWhatTheBookDoesNotHold();
    void theAddressBookIsFoundFromAnyAddress();
    void cardsAreWrittenAndReadByVersion();
    void aHostileServerGivesAReasonAndNoCards();
};

void CardDavTest::answersAreReadAsServersWriteThem()
{
    // Radicale's sync answer: the token first, a changed card, a removed one.
    const DavAnswer synced = readDavAnswer(
        "<?xml version='1.0' encoding='utf-8'?><multistatus xmlns=\"DAV:\"><sync-token>"
        "http://radicale.org/ns/sync/96</sync-token><response><href>/ofis/r/a%C3%A7.vcf</href>"
        "<propstat><prop><getetag>\"e1\"</getetag><getcontentlength>120</getcontentlength>"
        "</prop><status>HTTP/1.1 200 OK</status></propstat></response><response><href>"
        "/ofis/r/b.vcf</href><status>HTTP/1.1 404 Not Found</status></response></multistatus>");
    QVERIFY2(synced.error.isEmpty(), qPrintable(synced.error));
    QCOMPARE(synced.syncToken, QString("http://radicale.org/ns/sync/96"));
    QCOMPARE(synced.resources.size(), 2);
    QCOMPARE(synced.resources[0].href, QString("/ofis/r/a%C3%A7.vcf"));
    QCOMPARE(synced.resources[0].status, 200);
    QCOMPARE(synced.resources[0].etag, QString("\"e1\""));
    QCOMPARE(synced.resources[0].contentLength, qint64(120));
    QCOMPARE(synced.resources[1].status, 404);
    // Another server's prefixes, a property it lacks in a 404 propstat, several removed
    // members in one response, a card in CDATA.
    const DavAnswer other = readDavAnswer(
        "<d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
        "<d:response><d:href>/a.vcf</d:href><d:propstat><d:prop><d:getetag>\"2\"</d:getetag>"
        "<c:address-data><![CDATA[BEGIN:VCARD\r\nFN:Şule <Ç>\r\nEND:VCARD\r\n]]>"
        "</c:address-data></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
        "<d:propstat><d:prop><d:getcontentlength/></d:prop><d:status>HTTP/1.1 404 Not Found"
        "</d:status></d:propstat></d:response><d:response><d:href>/x.vcf</d:href><d:href>"
        "/y.vcf</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>"
        "<d:response><d:href>/home/</d:href><d:propstat><d:prop><d:resourcetype><d:collection/>"
        "<c:addressbook/></d:resourcetype><d:current-user-principal><d:href>/p/</d:href>"
        "</d:current-user-principal><c:addressbook-home-set><d:href>/h/</d:href>"
        "</c:addressbook-home-set></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
        "</d:response></d:multistatus>");
    QVERIFY2(other.error.isEmpty(), qPrintable(other.error));
    QCOMPARE(other.resources.size(), 4);
    QCOMPARE(other.resources[0].etag, QString("\"2\""));
    // XML reads every line end as a line feed.
    QCOMPARE(QString::fromUtf8(other.resources[0].addressData),
             QString("BEGIN:VCARD\nFN:Şule <Ç>\nEND:VCARD\n"));
    QCOMPARE(other.resources[0].status, 200);
    QCOMPARE(other.resources[1].href, QString("/x.vcf"));
    QCOMPARE(other.resources[2].href, QString("/y.vcf"));
    QCOMPARE(other.resources[2].status, 404);
    QVERIFY(other.resources[3].addressBook);
    QCOMPARE(other.resources[3].principal, QString("/p/"));
    QCOMPARE(other.resources[3].homeSet, QString("/h/"));
    // A token the server no longer knows.
    const DavAnswer refused =
        readDavAnswer("<?xml version='1.0'?><error xmlns=\"DAV:\"><valid-sync-token /></error>");
    QCOMPARE(refused.failedCondition, QString("valid-sync-token"));
}

void CardDavTest::hostileAnswersAreRefusedWhole()
{
    const auto refused = [](const QByteArray &xml, const DavLimits &limits = {}) {
        const DavAnswer answer = readDavAnswer(xml, limits);
        return !answer.error.isEmpty() && answer.resources.isEmpty();
    };
    QVERIFY(refused("<!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
                    "<multistatus xmlns=\"DAV:\"><response><href>&b;</href></response>"
                    "</multistatus>"));
    QVERIFY(refused("<multistatus xmlns=\"DAV:\"><response><href>/a</href>"));
    QVERIFY(refused("not xml at all"));
    QVERIFY(refused("<html><body>Giriş</body></html>"));
    // Too deep, before a response and inside one whose href was read.
    for (const QByteArray &start :
         {QByteArray("<multistatus xmlns=\"DAV:\">"),
          QByteArray("<multistatus xmlns=\"DAV:\"><response><href>/a</href>")}) {
        QByteArray deep = start;
        for (int i = 0; i < 100; ++i)
            deep += "<x>";
        QVERIFY(refused(deep));
    }
    QByteArray many = "<multistatus xmlns=\"DAV:\">";
    for (int i = 0; i < 4; ++i)
        many += "<response><href>/" + QByteArray::number(i) + "</href></response>";
    many += "</multistatus>";
    QVERIFY(refused(many, DavLimits{3, 1 << 20, 32}));
    QCOMPARE(readDavAnswer(many, DavLimits{4, 1 << 20, 32}).resources.size(), 4);
    // A card larger than a card may be is left out, the others read.
    const QByteArray photo(5000, 'A');
    const DavAnswer large = readDavAnswer(
        "<multistatus xmlns=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><response>"
        "<href>/p.vcf</href><propstat><prop><c:address-data>" +
            photo +
            "</c:address-data></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
            "<response><href>/k.vcf</href><propstat><prop><c:address-data>kısa</c:address-data>"
            "</prop><status>HTTP/1.1 200 OK</status></propstat></response></multistatus>",
        DavLimits{10, 4096, 32});
    QVERIFY2(large.error.isEmpty(), qPrintable(large.error));
    QVERIFY(large.resources[0].cardTooLarge);
    QVERIFY(large.resources[0].addressData.isEmpty());
    QCOMPARE(QString::fromUtf8(large.resources[1].addressData), QString("kısa"));
}

void CardDavTest::aCardKeepsWhatTheBookDoesNotHold()
{
    QRandomGenerator random(20261209);
    const QStringList names = {"Ayşe Yılmaz",
                               "Şule, Çelik; \\ Öz",
                               "İlker",
                               "ılgın Ak Işık",
                               QString(60, QChar(0x131)) + " Uzun",
                               ""};
    const QStringList numbers = {"0212 555 11 22", "+90 532 123 45 67", "", "(0216) 444-0000"};
    const QStringList mails = {"a@ornek.tr", "", "şule@örnek.tr"};
    QByteArray photo;
    for (int i = 0; i < 600; ++i)
        photo += char(random.bounded(256));
    const QByteArray encoded = photo.toBase64();
    QByteArray photoLine = "PHOTO;ENCODING=b;TYPE=JPEG:" + encoded.left(40);
    for (int at = 40; at < encoded.size(); at += 74)
        photoLine += "\r\n " + encoded.mid(at, 74);
    // What the book does not hold, after the values it does, so that each stays what it is.
    const QList<QByteArray> extras = {
        "ADR;TYPE=HOME:;;Atatürk Cd. 5;İstanbul;;34000;Türkiye\r\n",
        "NOTE:uzun bir not\\, virgüllü\\nikinci satır\r\n  burada katlanmış\r\n",
        photoLine + "\r\n",
        "TEL;TYPE=HOME:0312 000 00 00\r\n",
        "TEL;TYPE=CELL:0555 111 22 33\r\n",
        "item1.X-ABLABEL:Ofis\r\n",
        "X-SIRKET:Örnek A.Ş.\r\n",
        "EMAIL;TYPE=WORK:ikinci@ornek.tr\r\n",
        "CATEGORIES:iş,aile\r\n"};
    QTemporaryDir written;
    QStringList files;
    QVector<Entry> entries;
    for (int i = 0; i < 300; ++i) {
        const auto any = [&random](const QStringList &from) {
            return from.at(random.bounded(from.size()));
        };
        const QString name = any(names), phone = any(numbers), mobile = any(numbers),
                      mail = any(mails);
        QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u" + QByteArray::number(i) + "\r\n";
        if (!name.isEmpty())
            card += "FN:" +
                    name.toUtf8().replace("\\", "\\\\").replace(",", "\\,").replace(";", "\\;") +
                    "\r\nN:özel;ad;;;\r\n";
        if (!phone.isEmpty())
            card += "TEL;TYPE=WORK:" + phone.toUtf8() + "\r\n";
        if (!mobile.isEmpty())
            card += "TEL;TYPE=CELL:" + mobile.toUtf8() + "\r\n";
        if (!mail.isEmpty())
            card += "EMAIL:" + mail.toUtf8() + "\r\n";
        QList<QByteArray> kept;
        for (const QByteArray &extra : extras)
            if (random.bounded(2))
                kept << extra;
        // Later numbers and addresses only once the first of their kind is there.
        if (phone.isEmpty() || mobile.isEmpty() || mail.isEmpty())
            kept.clear();
        for (const QByteArray &extra : kept)
            card += extra;
        card += "END:VCARD\r\n";
        if (random.bounded(2))
            card.replace("\r\n", "\n"); // as a card read out of XML comes
        // The card's own values: nothing written again.
        const Entry same{1, name, phone, mobile, mail};
        QByteArray unchanged = card;
        QCOMPARE(cardWithEntry(card, same, "yok"),
                 unchanged.replace("\r\n", "\n").replace("\n", "\r\n"));
        const Entry entry{1, any(names), any(numbers), any(numbers), any(mails)};
        const QByteArray out = cardWithEntry(card, entry, "yok");
        // A value emptied: the next of its kind, when the card has one, stands in its place.
        const auto orNext = [&kept, &extras](const QString &value, int extra, const QString &next) {
            return value.isEmpty() && kept.contains(extras[extra]) ? next : value;
        };
        const CardFields fields = fieldsOf(out);
        QCOMPARE(fields.name, entry.adsoyad);
        QCOMPARE(fields.phone, orNext(entry.telefon, 3, "0312 000 00 00"));
        QCOMPARE(fields.mobile, orNext(entry.cep, 4, "0555 111 22 33"));
        QCOMPARE(fields.mail, orNext(entry.mail, 7, "ikinci@ornek.tr"));
        QCOMPARE(fields.uid, "u" + QString::number(i));
        // What the book does not hold, as it was and in its order.
        int at = 0;
        for (const QByteArray &extra : kept) {
            at = out.indexOf(extra, at);
            QVERIFY2(at >= 0, extra.constData());
        }
        // A name that does not fit a line is folded without cutting a letter.
        for (const QByteArray &line : out.split('\n'))
            QVERIFY(line.size() <= 76 || card.contains(line.chopped(1)));
        const QString file = written.filePath(QString::number(i) + ".vcf");
        QFile write(file);
        QVERIFY(write.open(QIODevice::WriteOnly) && write.write(out) == out.size());
        write.close();
        files << file;
        entries << entry;
    }
    // A new card, as vobject reads it.
    const QByteArray fresh = cardWithEntry({}, entries.first(), "td-yeni");
    QCOMPARE(fieldsOf(fresh).uid, QString("td-yeni"));
    QFile freshFile(written.filePath("yeni.vcf"));
    QVERIFY(freshFile.open(QIODevice::WriteOnly) && freshFile.write(fresh) == fresh.size());
    freshFile.close();
    files << freshFile.fileName();
    entries << entries.first();
    // python's vobject, an independent reader, finds the entry's values in every card.
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral(CARDDAV_TESTS "/read_cards.py")} + files);
    QVERIFY(reader.waitForFinished(120000));
    QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
    const QList<QByteArray> lines = reader.readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(lines.size(), files.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QJsonArray read = QJsonDocument::fromJson(lines[i]).array();
        const Entry &entry = entries[i];
        QCOMPARE(read[0].toString(), entry.adsoyad);
        const QJsonArray tels = read[1].toArray();
        if (!entry.telefon.isEmpty())
            QVERIFY(tels.contains(entry.telefon));
        if (!entry.cep.isEmpty())
            QVERIFY(tels.contains(entry.cep));
        if (!entry.mail.isEmpty())
            QVERIFY(read[2].toArray().contains(entry.mail));
    }
}

void CardDavTest::theAddressBookIsFoundFromAnyAddress()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QString book = server.makeAddressBook();
    CardDavClient client(PrivateCardDav::user(), PrivateCardDav::password());
    for (const QString &given : {server.root(), server.root() + "/",
                                 server.root() + "/" + PrivateCardDav::user() + "/", book}) {
        QString error;
        const std::optional<QUrl> found = client.findAddressBook(QUrl(given), error);
        QVERIFY2(found, qPrintable(given + ": " + error));
        // The account's first address book; the one given when given.
        if (given == book)
            QCOMPARE(found->toString(), book);
        else
            QVERIFY(found->path().startsWith("/" + PrivateCardDav::user() + "/rehber-"));
    }
    CardDavClient wrong(PrivateCardDav::user(), "yanlış");
    QString error;
    QVERIFY(!wrong.findAddressBook(QUrl(book), error));
    QVERIFY2(error.contains("401"), qPrintable(error));
    QVERIFY(!error.contains("yanlış"));
}

void CardDavTest::cardsAreWrittenAndReadByVersion()
{
    PrivateCardDav &server = PrivateCardDav::instance();
    const QUrl book(server.makeAddressBook());
    CardDavClient client(PrivateCardDav::user(), PrivateCardDav::password());
    QString error;
    // The first sync: every card, and a token.
    const QUrl mine = book.resolved(QUrl("td-1.vcf"));
    const DavReply made = client.put(mine, card("td-1", "Ayşe Yılmaz", "0212 555 11 22"), {});
    QVERIFY2(made.ok(), qPrintable(made.error + QString::number(made.status)));
    QVERIFY(!made.etag.isEmpty());
    // Never over a card that is there.
    QCOMPARE(client.put(mine, card("td-1", "Başka", "1"), {}).status, 412);
    std::optional<DavAnswer> first = client.changesSince(book, {}, error);
    QVERIFY2(first, qPrintable(error));
    QCOMPARE(first->resources.size(), 1);
    QCOMPARE(first->resources[0].etag, made.etag);
    const QString token = first->syncToken;
    QVERIFY(!token.isEmpty());
    // A phone adds a card and changes ours.
    QCOMPARE(server
                 .curl("PUT", book.toString() + "telefon.vcf", card("t", "İlker Işık", "0216"),
                       {"Content-Type: text/vcard", "If-None-Match: *"})
                 .first,
             201);
    QVERIFY(server.curl("PUT", mine.toString(), card("td-1", "Ayşe Yılmaz Kaya", "0212"),
                        {"Content-Type: text/vcard"})
                    .first /
                100 ==
            2);
    const std::optional<DavAnswer> changed = client.changesSince(book, token, error);
    QVERIFY2(changed, qPrintable(error));
    QStringList hrefs;
    for (const DavResource &resource : changed->resources) {
        QCOMPARE(resource.status, 200);
        hrefs << resource.href;
    }
    hrefs.sort();
    QCOMPARE(hrefs.size(), 2);
    // Fetched together, as the phone wrote them.
    const std::optional<DavAnswer> fetched = client.cards(book, hrefs, error);
    QVERIFY2(fetched, qPrintable(error));
    QCOMPARE(fetched->resources.size(), 2);
    QStringList names;
    for (const DavResource &resource : fetched->resources) {
        QVERIFY(!resource.etag.isEmpty());
        const QString text = QString::fromUtf8(resource.addressData);
        names << text.section("FN:", 1).section("\n", 0, 0);
    }
    names.sort();
    QCOMPARE(names, QStringList({"Ayşe Yılmaz Kaya", "İlker Işık"}));
    // Our version is old now: neither written over nor deleted.
    QCOMPARE(client.put(mine, card("td-1", "Eski", "1"), made.etag).status, 412);
    QCOMPARE(client.remove(mine, made.etag).status, 412);
    // The phone deletes its card: the sync names it removed.
    const QString second = changed->syncToken;
    QCOMPARE(server.curl("DELETE", book.toString() + "telefon.vcf").first / 100, 2);
    const std::optional<DavAnswer> removed = client.changesSince(book, second, error);
    QVERIFY2(removed, qPrintable(error));
    QCOMPARE(removed->resources.size(), 1);
    QCOMPARE(removed->resources[0].status, 404);
    // Every card's version, without a token.
    const std::optional<DavAnswer> versions = client.versions(book, error);
    QVERIFY2(versions, qPrintable(error));
    int cards = 0;
    for (const DavResource &resource : versions->resources)
        cards += resource.href.endsWith(".vcf") ? 1 : 0;
    QCOMPARE(cards, 1);
    // A token the server does not know.
    const std::optional<DavAnswer> unknown =
        client.changesSince(book, "http://radicale.org/ns/sync/yok", error);
    QVERIFY2(unknown, qPrintable(error));
    QCOMPARE(unknown->failedCondition, QString("valid-sync-token"));
    QVERIFY(client.requestsMade() >= 10);
}

void CardDavTest::aHostileServerGivesAReasonAndNoCards()
{
    // A server gone wrong, until the test ends.
    const ScriptServer server(QStringLiteral(CARDDAV_TESTS "/hostile_server.py"));
    CardDavClient client("ofis", "gizli");
    QString error;
    // Away to another server: the password is not sent there.
    QVERIFY(!client.versions(server.url("/yonlendir/"), error));
    QVERIFY2(error.contains("başka bir sunucuya"), qPrintable(error));
    QVERIFY(!client.findAddressBook(server.url("/yonlendir/"), error));
    // On the same server a redirect is followed with the method and body, but not forever.
    QVERIFY(!client.versions(server.url("/tasi/"), error));
    QVERIFY2(error.contains("yer kalmadı"), qPrintable(error));
    const int before = client.requestsMade();
    QVERIFY(!client.versions(server.url("/dongu/"), error));
    QVERIFY2(error.contains("çok kez"), qPrintable(error));
    QCOMPARE(client.requestsMade() - before, CardDavClient::mostRedirects + 1);
    // An answer without end.
    QVERIFY(!client.cards(server.url("/sonsuz/"), {"/a.vcf"}, error));
    QVERIFY2(error.contains("çok büyük"), qPrintable(error));
    // Statuses a server refuses with, each with its reason.
    for (const auto &[status, said] :
         {qMakePair(401, QString("401")), qMakePair(403, QString("403")),
          qMakePair(412, QString("412")), qMakePair(507, QString("yer kalmadı")),
          qMakePair(500, QString("500"))}) {
        const QUrl url = server.url(QStringLiteral("/durum/%1/").arg(status));
        QVERIFY(!client.changesSince(url, "t", error));
        QVERIFY2(error.contains(said), qPrintable(QStringLiteral("%1: %2").arg(status).arg(error)));
    }
    QCOMPARE(client.put(server.url("/durum/507/a.vcf"), "BEGIN:VCARD", {}).status, 507);
    QVERIFY(!client.put(server.url("/durum/507/a.vcf"), "BEGIN:VCARD", {}).error.isEmpty());
    // Not XML where XML was promised.
    QVERIFY(!client.versions(server.url("/bozuk/"), error));
    QVERIFY2(error.contains("okunamadı"), qPrintable(error));
}

QTEST_GUILESS_MAIN(CardDavTest)
#include "tst_carddav.moc"
