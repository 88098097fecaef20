// The sync with a CardDAV address book, against a Radicale of the benchmark's own: a first
// sync of 10,000 cards the phones hold into an empty book, then one with ten changes on
// each side, each beside the one request no sync can do without (every card's version
// listed, or the changes since the last token asked for); then a book of 1,000 entries sent
// to an empty address book, beside as many bare writes of a card. Radicale's writing grows
// with the cards an address book holds, hence not 10,000. Usage: bench_sync DATA_DIR
// [--markdown FILE], DATA_DIR holding the generated 1000/database.db.
#include "carddav/carddavclient.h"
#include "store/entries.h"
#include "store/phonebookdb.h"
#include "sync/cardlinks.h"
#include "sync/phonesync.h"

#include "privatecarddav.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace
{

constexpr int cards = 10000;
constexpr int sent = 1000;

QByteArray phoneCard(int i)
{
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:telefon-%1\r\nFN:Şükrü Çağlar "
                          "Işık %1\r\nN:Işık;Şükrü Çağlar %1;;;\r\nTEL;TYPE=CELL:0532 %2\r\n"
                          "TEL;TYPE=WORK:0212 %2\r\nEMAIL:sukru%1@ornek.com.tr\r\nNOTE:Ofis\r\n"
                          "END:VCARD\r\n")
        .arg(i)
        .arg(1000000 + i)
        .toUtf8();
}

struct Timed {
    double ms = 0;
    SyncOutcome outcome;
};

Timed timedSync(const QString &book)
{
    SyncRequest request;
    request.address = QUrl(book);
    request.user = PrivateCardDav::user();
    request.password = PrivateCardDav::password();
    QElapsedTimer timer;
    timer.start();
    Timed timed;
    timed.outcome = syncWithPhones(request);
    timed.ms = double(timer.nsecsElapsed()) / 1e6;
    if (!timed.outcome.error.isEmpty())
        qFatal("the sync failed: %s", qPrintable(timed.outcome.error));
    return timed;
}

double floorMs(const std::function<bool(CardDavClient &)> &ask)
{
    CardDavClient client(PrivateCardDav::user(), PrivateCardDav::password());
    QElapsedTimer timer;
    timer.start();
    if (!ask(client))
        qFatal("the floor's request failed");
    return double(timer.nsecsElapsed()) / 1e6;
}

double listingFloor(const QString &book)
{
    return floorMs([&](CardDavClient &client) {
        QString error;
        return client.versions(QUrl(book), error).has_value();
    });
}

// What no sync can do without: the changes since the token listed, the cards named read, in
// batches of 100, and as many of them as given written back over the version read.
double protocolFloor(const QString &book, const QString &token, int writes = 0)
{
    return floorMs([&](CardDavClient &client) {
        QString error;
        const std::optional<DavAnswer> listed = client.changesSince(QUrl(book), token, error);
        if (!listed)
            return false;
        QStringList hrefs;
        for (const DavResource &resource : listed->resources)
            if (resource.href.endsWith(QLatin1String(".vcf")))
                hrefs << resource.href;
        QVector<DavResource> read;
        for (int first = 0; first < hrefs.size(); first += 100) {
            const std::optional<DavAnswer> cards =
                client.cards(QUrl(book), hrefs.mid(first, 100), error);
            if (!cards)
                return false;
            read += cards->resources;
        }
        for (int i = 0; i < writes && i < read.size(); ++i)
            if (!client
                     .put(CardDavClient::resolved(QUrl(book), read[i].href), read[i].addressData,
                          read[i].etag)
                     .ok())
                return false;
        return true;
    });
}

QString row(const char *what, const Timed &timed, double floor, const QString &counts)
{
    std::fprintf(stderr, "%s: %.0f ms, %d requests\n", what, timed.ms, timed.outcome.requests);
    return QStringLiteral("| %1 | %2 ms | %3 | %4 ms | %5 | %6 |\n")
        .arg(QString::fromUtf8(what))
        .arg(timed.ms, 0, 'f', 0)
        .arg(timed.outcome.requests)
        .arg(floor, 0, 'f', 1)
        .arg(timed.ms / floor, 0, 'f', 1)
        .arg(counts);
}

void openBookIn(const QString &folder)
{
    QDir::setCurrent(folder);
    if (openPhoneBook() != PhoneBookOpening::Opened)
        qFatal("no book in %s", qPrintable(folder));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2)
        qFatal("usage: bench_sync DATA_DIR [--markdown FILE]");
    const QString data = QDir(arguments.at(1)).absolutePath();
    const int markdownAt = arguments.indexOf(QStringLiteral("--markdown"));
    PrivateCardDav &server = PrivateCardDav::instance();
    QString table = QStringLiteral("| Sync | Took | Requests | Floor | Ratio | Done |\n"
                                   "|---|---|---|---|---|---|\n");

    // The phones' 10,000 cards, put where the server keeps them, and listed once so that
    // the server has read them all before anything is measured.
    const QString phones = server.makeAddressBook();
    for (int i = 0; i < cards; ++i) {
        QFile file(server.storedFolder(phones) + QStringLiteral("telefon-%1.vcf").arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(phoneCard(i)) < 0)
            qFatal("cannot write %s", qPrintable(file.fileName()));
    }
    listingFloor(phones);

    QTemporaryDir empty;
    openBookIn(empty.path());
    const double listed = protocolFloor(phones, QString());
    const Timed first = timedSync(phones);
    table +=
        row("10,000 cards into an empty book", first, listed,
            QStringLiteral("%1 added, %2 sent").arg(first.outcome.added).arg(first.outcome.sent));

    // Ten cards changed on the phones, ten entries at the desk.
    for (int i = 0; i < 10; ++i) {
        QByteArray changed = phoneCard(i * 97);
        changed.replace("0532 ", "0533 ");
        if (server.curl("PUT", phones + QStringLiteral("telefon-%1.vcf").arg(i * 97), changed,
                        {"Content-Type: text/vcard"})
                    .first /
                100 !=
            2)
            qFatal("the phone's change was refused");
    }
    QVector<Entry> entries;
    readEveryEntry(phoneBookDb, [&entries](const Entry &entry) {
        entries << entry;
        return true;
    });
    for (int i = 0; i < 10; ++i) {
        const Entry &was = entries.at(5000 + i * 89);
        Entry now = was;
        now.telefon = QStringLiteral("0216 %1").arg(i);
        if (replaceEntry(was, now).outcome != ChangeOutcome::Done)
            qFatal("the desk's change failed");
    }
    const QString token = syncToken(phones);
    const Timed few = timedSync(phones);
    // The changes since the token read (the phones' ten and the sync's own ten), and as many
    // of them written back as the sync wrote.
    const double asked = protocolFloor(phones, token, 10);
    table +=
        row("10 changes on each side", few, asked,
            QStringLiteral("%1 changed, %2 sent").arg(few.outcome.changed).arg(few.outcome.sent));
    closePhoneBook();

    // A book of 1,000 entries to an empty address book: one card written (and its version
    // noted) for each entry; the floor writes as many cards, new ones, and nothing else.
    const QString bare = server.makeAddressBook();
    const double written = floorMs([&](CardDavClient &client) {
        for (int i = 0; i < sent; ++i)
            if (!client
                     .put(QUrl(bare + QStringLiteral("telefon-%1.vcf").arg(i)), phoneCard(i),
                          QString())
                     .ok())
                return false;
        return true;
    });
    QTemporaryDir desks;
    if (!QFile::copy(data + QStringLiteral("/1000/database.db"),
                     desks.filePath(QStringLiteral("database.db"))))
        qFatal("no generated book of 1,000 entries in %s", qPrintable(data));
    openBookIn(desks.path());
    const Timed out = timedSync(server.makeAddressBook());
    table += row("1,000 entries to an empty address book", out, written,
                 QStringLiteral("%1 sent").arg(out.outcome.sent));
    closePhoneBook();

    std::fputs(table.toUtf8().constData(), stdout);
    if (markdownAt > 0 && markdownAt + 1 < arguments.size()) {
        QFile out(arguments.at(markdownAt + 1));
        if (!out.open(QIODevice::WriteOnly) || out.write(table.toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(out.fileName()));
    }
    return 0;
}
