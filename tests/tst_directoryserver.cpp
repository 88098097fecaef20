// The book served live to desk phones and the switchboard: telefon-defteri-aktar sun on a
// free loopback port, asked with curl and raw sockets; the caller lookup against a
// reference through changes.
#include "directory/phonedirectory.h"
#include "directoryserver/directoryrequest.h"
#include "directoryserver/requestrate.h"
#include "directoryserver/servedbook.h"
#include "search/folding.h"
#include "store/entries.h"

#include "testsupport.h"

#include <QCollator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <map>

namespace
{

// A subscriber's number (its ten national digits) written as people write it.
QString written(const QString &national, int style)
{
    const QString area = national.left(3), rest = national.mid(3);
    switch (style % 6) {
    case 0:
        return "0" + area + " " + rest.left(3) + " " + rest.mid(3, 2) + " " + rest.mid(5);
    case 1:
        return "+90 " + area + " " + rest;
    case 2:
        return "0090" + national;
    case 3:
        return "(0" + area + ") " + rest.left(3) + "-" + rest.mid(3, 2) + "-" + rest.mid(5);
    case 4:
        return national;
    default:
        return "+90(" + area + ")" + rest.left(3) + "." + rest.mid(3);
    }
}

// What the reference knows of an entry: the national numbers it was written from.
struct Known {
    QString name;
    QString phone;
    QString mobile;
};

QStringList namesCalling(const std::map<qint64, Known> &book, const QString &national)
{
    QStringList names;
    for (const auto &[id, known] : book)
        if (known.phone == national || known.mobile == national)
            names << known.name;
    return names;
}

bool inCollatedOrder(const QStringList &names)
{
    QCollator turkish(QLocale(QLocale::Turkish, QLocale::Turkey));
    turkish.setCaseSensitivity(Qt::CaseInsensitive);
    turkish.setNumericMode(true);
    for (int i = 1; i < names.size(); ++i)
        if (turkish.compare(names[i - 1], names[i]) > 0)
            return false;
    return true;
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

QString reader(const char *script)
{
    return QStringLiteral(DIRECTORY_TESTS "/") + QLatin1String(script);
}

// The hostile client's findings, or a failure of the test.
QJsonObject askAsAnAttacker(int port, const QStringList &mode = {})
{
    QProcess client;
    client.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{reader("hostile_client.py"), QString::number(port)} + mode);
    if (!client.waitForFinished(600000) || client.exitCode() != 0)
        return {{"failed", QString::fromUtf8(client.readAllStandardError())}};
    return QJsonDocument::fromJson(client.readAllStandardOutput()).object();
}

} // namespace

class DirectoryServerTest : public QObject
{
    Q_OBJECT

private slots:
    void callersAreFoundAsTheReferenceFindsThemThroughChanges();
    void aBookNotReadYetIsNotServedAsAnEmptyOne();
    void aFloodFromManyClientsLeavesEachItsOwnRate();
    void phonesAndTheSwitchboardAreAnsweredFromTheBook();
    void aChangeIsServedWithinMoments();
    void theServedBookOutlivesALostConnection();
    void onlyTheRightCredentialsAreLetIn();
    void hostileRequestsDoNoHarm();
};

void DirectoryServerTest::callersAreFoundAsTheReferenceFindsThemThroughChanges()
{
    QRandomGenerator random(20261209);
    QStringList pool;
    for (int i = 0; i < 40; ++i)
        pool << QString::number(5000000000LL + random.bounded(999999999));
    // Numbers with an extension: as long as a key is held exactly, one digit more, and
    // longer still.
    pool << "532123456789012345"
         << "5321234567890123456";
    for (int i = 0; i < 6; ++i)
        pool << QString::number(5000000000LL + random.bounded(999999999)) +
                    QString::number(1000000000LL + random.bounded(999999999)).left(10 + i);
    const QStringList first = {"Ayşe", "ılgın", "İlker", "Şule", "Çağla", "Ömer", "Ali", "ali"};
    std::map<qint64, Known> book;
    ServedBook served;
    qint64 nextId = 1;
    // A number of the pool or none, written in any style.
    const auto someNumber = [&](QString &national) {
        national = random.bounded(4) == 0 ? QString() : pool[random.bounded(pool.size())];
        return national.isEmpty() ? QString() : written(national, random.bounded(6));
    };
    const auto someEntry = [&](qint64 id, Entry &entry) {
        Known known;
        known.name =
            first[random.bounded(first.size())] + " " + QString::number(random.bounded(50));
        entry = {id, known.name, someNumber(known.phone), someNumber(known.mobile), QString()};
        book[id] = known;
    };
    QVector<Entry> initial;
    for (; nextId <= 3000; ++nextId) {
        Entry entry;
        someEntry(nextId, entry);
        initial << entry;
    }
    QVERIFY(!served.loaded());
    served.replace(initial);
    for (int round = 0; round < 12; ++round) {
        QVERIFY(served.loaded());
        QCOMPARE(served.size(), int(book.size()));
        for (const QString &national : pool) {
            const QString asked = written(national, random.bounded(6));
            const QStringList names = served.callerNames(phoneNumberKey(asked));
            QCOMPARE(sorted(names), sorted(namesCalling(book, national)));
            QVERIFY2(inCollatedOrder(names), qPrintable(names.join(", ")));
        }
        QVERIFY(served.callerNames(phoneNumberKey("0555 000 00 00")).isEmpty());
        QVERIFY(served.callerNames(QByteArray()).isEmpty());
        // Changes as the log brings them: entries changed, deleted, and added at the
        // highest ids; now and then the whole book read again.
        QVector<Entry> present;
        QVector<qint64> gone;
        for (int change = 0; change < 200; ++change) {
            const qint64 id = 1 + random.bounded(int(nextId - 1));
            const bool held = book.count(id) > 0;
            if (held && random.bounded(3) == 0) {
                gone << id;
                book.erase(id);
                present.erase(std::remove_if(present.begin(), present.end(),
                                             [id](const Entry &e) { return e.id == id; }),
                              present.end());
            } else if (held) {
                Entry entry;
                someEntry(id, entry);
                present << entry;
            }
        }
        for (int added = 0; added < 20; ++added) {
            Entry entry;
            someEntry(nextId++, entry);
            present << entry;
        }
        if (round % 4 == 3) {
            QVector<Entry> whole;
            for (const auto &[id, known] : book) {
                Entry entry{id, known.name, known.phone, known.mobile, QString()};
                whole << entry;
            }
            served.replace(whole);
        } else {
            // A deleted id named again as gone, and an entry named twice, change nothing.
            gone << 999999;
            served.apply(present, gone);
            served.apply(present, gone);
        }
    }
}

void DirectoryServerTest::aBookNotReadYetIsNotServedAsAnEmptyOne()
{
    ServedBook unread;
    const DirectoryCredentials none;
    for (const char *path : {"/arayan", "/rehber/yealink.xml"}) {
        DirectoryRequest request{"GET", path, std::string("05321234567"), false, {}};
        const DirectoryReply reply = answerDirectoryRequest(request, unread, none);
        QCOMPARE(reply.status, 503);
        QVERIFY(std::count(reply.headers.begin(), reply.headers.end(),
                           std::make_pair(std::string("Retry-After"), std::string("1"))) == 1);
    }
    // A book read empty is a book: nobody calls, and the directory lists nobody.
    unread.replace({});
    DirectoryRequest lookup{"GET", "/arayan", std::string("05321234567"), false, {}};
    QCOMPARE(answerDirectoryRequest(lookup, unread, none).status, 404);
    DirectoryRequest directory{"GET", "/rehber/yealink.xml", std::nullopt, false, {}};
    const DirectoryReply listed = answerDirectoryRequest(directory, unread, none);
    QCOMPARE(listed.status, 200);
    QVERIFY(!QByteArray::fromStdString(listed.body).contains("DirectoryEntry"));
}

void DirectoryServerTest::aFloodFromManyClientsLeavesEachItsOwnRate()
{
    // One request every 100 s: the first passes, the next waits.
    RequestRate rate(0.01);
    QVERIFY(rate.allow("192.0.2.1"));
    QVERIFY(!rate.allow("192.0.2.1"));
    // More clients than are remembered: those that asked nothing lately are forgotten, the
    // flooding one is not.
    for (int client = 0; client < 5000; ++client)
        QVERIFY(rate.allow("198.51.100." + std::to_string(client)));
    QVERIFY(!rate.allow("192.0.2.1"));
}

void DirectoryServerTest::phonesAndTheSwitchboardAreAnsweredFromTheBook()
{
    const BookFixture book([](const SideConnection &seed) {
        seed.insert("Ayşe Yılmaz", "0212 555 11 22", "+90 532 123 45 67", "a@ornek.tr");
        seed.insert("Şule Çelik", "", "0 532 123 45 67");
        seed.insert("İlker Işık", "(0216) 444-0000", QVariant());
        seed.insert("Satır\r\nKırık <&>", "0312 111 22 33");
        seed.insert("Numarasız", "", "");
    });
    QCOMPARE(book.opening, PhoneBookOpening::Opened);
    ServingAktar server(book.cwd.path());

    // Each directory as the command line writes it, byte for byte.
    for (const QString &layout : directoryLayoutNames()) {
        const QString path = book.cwd.path() + "/" + layout + ".xml";
        QCOMPARE(runAktar(book.cwd.path(), {"rehber", "--bicim", layout, path}).first, 0);
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const HttpAnswer answer = askWithCurl(server.url("/rehber/" + layout + ".xml"));
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, written.readAll());
        QCOMPARE(answer.header("Content-Type"), QByteArray("text/xml; charset=utf-8"));
        QCOMPARE(answer.header("Cache-Control"), QByteArray("no-cache"));
        const HttpAnswer head = askWithCurl(server.url("/rehber/" + layout + ".xml"), {"--head"});
        QCOMPARE(head.status, 200);
        QCOMPARE(head.header("Content-Length").toInt(), answer.body.size());
    }

    // Where a Grandstream phone looks, given the folder.
    QCOMPARE(askWithCurl(server.url("/rehber/grandstream/phonebook.xml")).body,
             askWithCurl(server.url("/rehber/grandstream.xml")).body);
    // The caller's name, by the number key, in every style; the name on one line.
    const QVector<QPair<QString, QString>> callers = {
        {"05321234567", "Ayşe Yılmaz"},        {"+905321234567", "Ayşe Yılmaz"},
        {"0090 532 123 45 67", "Ayşe Yılmaz"}, {"532-123-45-67", "Ayşe Yılmaz"},
        {"(0532) 123 45 67", "Ayşe Yılmaz"},   {"+90 212 555 11 22", "Ayşe Yılmaz"},
        {"2125551122", "Ayşe Yılmaz"},         {"0216.444.00.00", "İlker Işık"},
        {"03121112233", "Satır Kırık <&>"}};
    for (const auto &[number, name] : callers) {
        const HttpAnswer answer =
            askWithCurl(server.url("/arayan"), {"--get", "--data-urlencode", "numara=" + number});
        QCOMPARE(answer.status, 200);
        QCOMPARE(QString::fromUtf8(answer.body), name);
        QCOMPARE(answer.header("Content-Type"), QByteArray("text/plain; charset=utf-8"));
    }
    // As a switchboard puts the number into the address, its + unencoded.
    QCOMPARE(askWithCurl(server.url("/arayan?numara=+905321234567")).body,
             QByteArray("Ayşe Yılmaz"));
    // Everyone who calls from the number, as JSON when asked.
    for (const QStringList &asking : {QStringList{"--header", "Accept: application/json"},
                                      QStringList{"--get", "--data", "bicim=json"}}) {
        const HttpAnswer answer =
            askWithCurl(server.url("/arayan?numara=%2B90%20532%20123%2045%2067"), asking);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.header("Content-Type"), QByteArray("application/json"));
        const QJsonObject object = QJsonDocument::fromJson(answer.body).object();
        QCOMPARE(object.value("ad").toString(), QString("Ayşe Yılmaz"));
        QCOMPARE(object.value("adlar").toArray(),
                 QJsonArray::fromStringList({"Ayşe Yılmaz", "Şule Çelik"}));
        QCOMPARE(object.value("numara").toString(), QString("5321234567"));
    }
    const HttpAnswer nobody = askWithCurl(server.url("/arayan?numara=0555%20999%2099%2099"));
    QCOMPARE(nobody.status, 404);
    QVERIFY(nobody.body.isEmpty());
    const HttpAnswer nobodyInJson =
        askWithCurl(server.url("/arayan?numara=05559999999&bicim=json"));
    QCOMPARE(nobodyInJson.status, 404);
    QCOMPARE(QJsonDocument::fromJson(nobodyInJson.body).object().value("adlar").toArray().size(),
             0);
    // Numbers that are none.
    for (const QString &query :
         QStringList{"/arayan", "/arayan?numara=", "/arayan?numara=abc",
                     "/arayan?numara=0532%27%20OR%201=1", "/arayan?numara=%2B",
                     "/arayan?numara=%FF%FE", "/arayan?numara=" + QString(41, '1')})
        QVERIFY2(askWithCurl(server.url(query)).status == 400, qPrintable(query));
    // Paths outside the server's own tell nothing, however they are spelt.
    for (const QString &path : QStringList{
             "/", "/rehber/", "/rehber/nokia.xml", "/rehber/yealink.xml/", "/rehber/YEALINK.xml",
             "/rehber/../rehber/yealink.xml", "/rehber/%2e%2e/%2e%2e/etc/passwd",
             "/rehber/yealink.xml%00", "/../../etc/passwd", "/database.db", "//rehber/yealink.xml",
             "/arayan/../rehber/yealink.xml"}) {
        const HttpAnswer answer = askWithCurl(server.url(path), {"--path-as-is"});
        QVERIFY2(answer.status == 404, qPrintable(path + ": " + QString::number(answer.status)));
        QVERIFY(!answer.body.contains("DirectoryEntry") && !answer.body.contains("SQLite"));
    }
    // Read-only, whatever the method.
    for (const QString &method : QStringList{"POST", "PUT", "DELETE", "PATCH"}) {
        const HttpAnswer answer =
            askWithCurl(server.url("/rehber/yealink.xml"), {"--request", method, "--data", "x"});
        QCOMPARE(answer.status, 405);
        QCOMPARE(answer.header("Allow"), QByteArray("GET, HEAD"));
    }
    QCOMPARE(wholeBook().size(), 5);
    QVERIFY(server.running());
    QCOMPARE(server.stop(), 0);
    QVERIFY2(server.output().contains("Rehber sunucusu durdu."), qPrintable(server.output()));
    closePhoneBook();
}

void DirectoryServerTest::aChangeIsServedWithinMoments()
{
    const BookFixture book([](const SideConnection &seed) {
        seed.insert("Ali Veli", "0212 000 00 01");
        seed.insert("Can Er", "0212 000 00 02");
    });
    QCOMPARE(book.opening, PhoneBookOpening::Opened);
    ServingAktar server(book.cwd.path());
    const auto caller = [&server](const QString &number) {
        const HttpAnswer answer = askWithCurl(server.url("/arayan?numara=" + number));
        return answer.status == 200 ? QString::fromUtf8(answer.body)
                                    : QString::number(answer.status);
    };
    QTRY_COMPARE_WITH_TIMEOUT(caller("02120000001"), QString("Ali Veli"), 30000);
    // Another desk or program: an entry at the highest id, a number changed, one deleted.
    book.cwd.runOtherProgram("INSERT INTO telefon (adsoyad, cep) VALUES ('Deniz Ak', "
                             "'0533 444 55 66')");
    QTRY_COMPARE_WITH_TIMEOUT(caller("05334445566"), QString("Deniz Ak"), 30000);
    book.cwd.runOtherProgram("UPDATE telefon SET telefon = '0212 000 00 09' WHERE adsoyad = "
                             "'Ali Veli'");
    QTRY_COMPARE_WITH_TIMEOUT(caller("02120000009"), QString("Ali Veli"), 30000);
    QCOMPARE(caller("02120000001"), QString("404"));
    book.cwd.runOtherProgram("DELETE FROM telefon WHERE adsoyad = 'Deniz Ak'");
    QTRY_COMPARE_WITH_TIMEOUT(caller("05334445566"), QString("404"), 30000);
    // A save at a desk, through the program's own store.
    Entry saved{0, "Ece Su", "", "0544 111 22 33", ""};
    QCOMPARE(addEntry(saved).outcome, ChangeOutcome::Done);
    QTRY_COMPARE_WITH_TIMEOUT(caller("05441112233"), QString("Ece Su"), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(
        askWithCurl(server.url("/rehber/snom.xml")).body.contains("<first_name>Ece</first_name>"),
        30000);
    // More changes at once than are read by revision: the book is read whole again.
    book.cwd.runOtherProgram(
        insertNumberedRows(70000, "adsoyad, telefon", "'Toplu ' || i, '0850 ' || (1000000 + i)"));
    QTRY_COMPARE_WITH_TIMEOUT(caller("08501070000"), QString("Toplu 70000"), 60000);
    QCOMPARE(caller("08501000001"), QString("Toplu 1"));
    QCOMPARE(caller("05441112233"), QString("Ece Su"));
    QCOMPARE(server.stop(), 0);
    closePhoneBook();
}

void DirectoryServerTest::theServedBookOutlivesALostConnection()
{
    if (!testingOnServer())
        QSKIP("A file has no connection to lose: the server variant runs this.");
    const BookFixture book([](const SideConnection &seed) { seed.insert("Ali Veli", "0212 1"); });
    ServingAktar server(book.cwd.path());
    QTRY_COMPARE_WITH_TIMEOUT(askWithCurl(server.url("/arayan?numara=02121")).status, 200, 30000);
    // The server goes: what is held is answered on; the lost connection is said.
    PrivateServer::instance().stop();
    const HttpAnswer meanwhile = askWithCurl(server.url("/arayan?numara=02121"));
    QCOMPARE(meanwhile.status, 200);
    QCOMPARE(meanwhile.body, QByteArray("Ali Veli"));
    PrivateServer::instance().start();
    // Back, it catches up with what other desks saved after.
    book.cwd.runOtherProgram("INSERT INTO telefon (adsoyad, telefon) VALUES ('Bora Tan', "
                             "'0212 2'); DELETE FROM telefon WHERE adsoyad = 'Ali Veli'");
    QTRY_COMPARE_WITH_TIMEOUT(askWithCurl(server.url("/arayan?numara=02122")).body,
                              QByteArray("Bora Tan"), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(askWithCurl(server.url("/arayan?numara=02121")).status, 404, 30000);
    QVERIFY(server.running());
    QCOMPARE(server.stop(), 0);
    closePhoneBook();
}

void DirectoryServerTest::onlyTheRightCredentialsAreLetIn()
{
    if (testingOnServer())
        QSKIP("The back end plays no part in the server's authentication.");
    const BookFixture book([](const SideConnection &seed) { seed.insert("Ali Veli", "0212 1"); });
    const QString passwordFile = book.cwd.path() + "/parola";
    const QByteArray password = "gizli:şifre ç";
    QFile file(passwordFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(password + "\n");
    file.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("TELEFON_DEFTERI_SUN_PAROLA");
    {
        ServingAktar server(book.cwd.path(),
                            {"--kullanici", "santral", "--parola-dosyasi", passwordFile},
                            &environment);
        const QString url = server.url("/arayan?numara=02121");
        const HttpAnswer none = askWithCurl(url);
        QCOMPARE(none.status, 401);
        QVERIFY(none.header("WWW-Authenticate").startsWith("Basic realm="));
        for (const QStringList &wrong :
             {QStringList{"--user", "santral:gizli"}, QStringList{"--user", "santra:" + password},
              QStringList{"--user", "santral:" + password + "x"},
              QStringList{"--header", "Authorization: Basic !!!!"},
              QStringList{"--header", "Authorization: Bearer " + password.toBase64()},
              QStringList{"--header", "Authorization: Basic " + QByteArray("santral").toBase64()}})
            QCOMPARE(askWithCurl(url, wrong).status, 401);
        const HttpAnswer right = askWithCurl(url, {"--user", "santral:" + password});
        QCOMPARE(right.status, 200);
        QCOMPARE(right.body, QByteArray("Ali Veli"));
        QCOMPARE(
            askWithCurl(server.url("/rehber/cisco.xml"), {"--user", "santral:" + password}).status,
            200);
        // The address is taken: status 1, with the reason.
        const auto [taken, said] = runAktar(
            book.cwd.path(), {"sun", "--adres", "127.0.0.1:" + QString::number(server.port())});
        QCOMPARE(taken, 1);
        QVERIFY2(said.contains("dinlenemiyor"), qPrintable(said));
        QCOMPARE(server.stop(), 0);
        QVERIFY(!server.output().contains(QString::fromUtf8(password)));
    }
    // The password from the environment, as a service manager may give it.
    environment.insert("TELEFON_DEFTERI_SUN_PAROLA", "ortam");
    {
        ServingAktar server(book.cwd.path(), {"--kullanici=santral"}, &environment);
        QCOMPARE(
            askWithCurl(server.url("/arayan?numara=02121"), {"--user", "santral:ortam"}).status,
            200);
        QCOMPARE(askWithCurl(server.url("/arayan?numara=02121")).status, 401);
    }
    // Wrong usage starts nothing.
    environment.remove("TELEFON_DEFTERI_SUN_PAROLA");
    for (const QStringList &wrong :
         {QStringList{"sun", "--kullanici", "santral"}, QStringList{"sun", "--adres", "bir:yer:9"},
          QStringList{"sun", "--adres", "127.0.0.1:70000"},
          QStringList{"sun", "--parola-dosyasi", passwordFile}, QStringList{"sun", "--bilinmez"},
          QStringList{"sun", "--istek-siniri", "0"}, QStringList{"sun", "fazla"}})
        QCOMPARE(runAktar(book.cwd.path(), wrong, environment).first, 2);
    // A password file that cannot be read.
    const auto [unread, why] = runAktar(
        book.cwd.path(), {"sun", "--kullanici", "s", "--parola-dosyasi", passwordFile + ".yok"},
        environment);
    QCOMPARE(unread, 1);
    QVERIFY2(why.contains("parola dosyası okunamadı"), qPrintable(why));
    closePhoneBook();
}

void DirectoryServerTest::hostileRequestsDoNoHarm()
{
    if (testingOnServer())
        QSKIP("The back end plays no part in how requests are read.");
    const BookFixture book(
        [](const SideConnection &seed) { seed.insert("Ayşe Yılmaz", "", "0532 123 45 67"); });
    {
        ServingAktar server(book.cwd.path());
        const QJsonObject found = askAsAnAttacker(server.port());
        QVERIFY2(!found.contains("failed"), qPrintable(found.value("failed").toString()));
        // Refused as the HTTP library reads them.
        QCOMPARE(found.value("huge header").toInt(), 400);
        QCOMPARE(found.value("long uri").toInt(), 414);
        QCOMPARE(found.value("garbage").toInt(), 400);
        // Refused before the body is read.
        QCOMPARE(found.value("big body").toInt(), 405);
        QCOMPARE(found.value("absolute uri").toInt(), 404);
        // Headers without end are cut off long before they fill the memory.
        const QJsonObject flood = found.value("header flood").toObject();
        QVERIFY(flood.value("closed").toBool());
        QVERIFY2(flood.value("sent").toDouble() < 64 << 20,
                 qPrintable(QString::number(flood.value("sent").toDouble())));
        // Forty slow clients: another is answered meanwhile, and those beyond one client's
        // share are dropped.
        const QJsonObject slow = found.value("slow clients").toObject();
        QCOMPARE(slow.value("answered").toInt(), 200);
        QVERIFY2(slow.value("dropped").toInt() >= 24,
                 qPrintable(QString::number(slow.value("dropped").toInt())));
        QVERIFY(found.value("silent client").toObject().value("closed").toBool());
        QCOMPARE(found.value("afterwards").toInt(), 200);
        QVERIFY(server.running());
        QCOMPARE(server.stop(), 0);
    }
    // A flood of requests from one client is refused beyond its rate, for a moment.
    ServingAktar limited(book.cwd.path(), {"--istek-siniri", "5"});
    const QJsonObject flood = askAsAnAttacker(limited.port(), {"rate"});
    QVERIFY2(!flood.contains("failed"), qPrintable(flood.value("failed").toString()));
    QVERIFY2(flood.value("refused at").toInt() > 10, qPrintable(QJsonDocument(flood).toJson()));
    QCOMPARE(flood.value("retry after").toString(), QString("1"));
    QCOMPARE(flood.value("later").toInt(), 200);
    QCOMPARE(limited.stop(), 0);
    closePhoneBook();
}

QTEST_MAIN(DirectoryServerTest)
#include "tst_directoryserver.moc"
