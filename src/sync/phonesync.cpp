#include "sync/phonesync.h"

#include "carddav/carddavclient.h"
#include "carddav/cardtext.h"
#include "exchange/sameperson.h"
#include "store/entries.h"
#include "store/entrieschange.h"
#include "store/phonebookdb.h"
#include "sync/cardlinks.h"

#include <QHash>
#include <QSet>
#include <QUuid>

namespace
{

constexpr int cardsPerRequest = 100;
// Sizes asked for card by card, at most; more take one listing of the whole address book.
constexpr int fewSizes = 50;
// New cards' entries written in one transaction, then their links in another: a first
// sync of many cards does not commit twice for each.
constexpr int addsPerTransaction = 500;

bool sameValues(const Entry &entry, const CardFields &card)
{
    return entry.adsoyad.trimmed() == card.name && entry.telefon.trimmed() == card.phone &&
           entry.cep.trimmed() == card.mobile && entry.mail.trimmed() == card.mail;
}

Entry entryOf(qint64 id, const CardFields &card)
{
    return {id, card.name, card.phone, card.mobile, card.mail};
}

QString shown(const QString &name, const QString &phone, const QString &mobile, const QString &mail)
{
    QStringList values = {name, phone, mobile, mail};
    values.removeAll(QString());
    return values.isEmpty() ? QStringLiteral("silinmiş") : values.join(QStringLiteral(", "));
}

class Sync
{
public:
    Sync(const SyncRequest &request, const Progress &progress)
        : request(request), progress(progress), client(request.user, request.password)
    {
        client.setStopCheck([this] { return stopped(); });
    }

    SyncOutcome run()
    {
        if (!findBook() || !readBothSides() || !fetchChangedCards())
            return done();
        for (CardLink &link : links)
            if (!reconcile(link))
                return done();
        if (!takeNewCards() || !sendNewEntries())
            return done();
        if (allIn && !newToken.isEmpty())
            onBook([&] { saveSyncToken(bookKey, newToken, failure); });
        return done();
    }

private:
    // Whether the sync is to stop, told how far it has come.
    bool stopped()
    {
        if (!halted && progress && !progress(std::min(doneSteps, totalSteps), totalSteps))
            halted = true;
        return halted;
    }

    bool step()
    {
        ++doneSteps;
        return !stopped();
    }

    // A touch of the book, where its connection lives; false when the sync is stopping.
    bool onBook(const std::function<void()> &touch)
    {
        if (halted)
            return false;
        if (!request.onBookThread) {
            touch();
            return true;
        }
        if (request.onBookThread(touch))
            return true;
        halted = true;
        return false;
    }

    bool fail(const QString &why)
    {
        if (failure.isEmpty())
            failure = why;
        return false;
    }

    SyncOutcome done()
    {
        outcome.error = halted
                            ? QStringLiteral("eşitleme durduruldu; kalanı bir sonrakinde eşitlenir")
                            : failure;
        outcome.requests = client.requestsMade();
        return outcome;
    }

    QString pathOf(const QString &href) const
    {
        return CardDavClient::resolved(book, href).path(QUrl::FullyEncoded);
    }

    QUrl urlOf(const QString &path) const
    {
        QUrl url = book;
        url.setPath(path, QUrl::StrictMode);
        return url;
    }

    bool findBook()
    {
        QString error;
        const std::optional<QUrl> found = client.findAddressBook(request.address, error);
        if (!found)
            return fail(error);
        book = *found;
        outcome.book = book;
        bookKey = book.toString(QUrl::RemoveUserInfo);
        std::optional<QVector<CardLink>> read;
        if (!onBook([&] { read = readCardLinks(error); }))
            return false;
        if (!read)
            return fail(QStringLiteral("defterin kartları okunamadı: ") + error);
        links = *read;
        return true;
    }

    // The server's cards and versions, changed or all; the book's entries.
    bool readBothSides()
    {
        QString error;
        QString token;
        if (!onBook([&] { token = syncToken(bookKey); }))
            return false;
        std::optional<DavAnswer> listing;
        bool whole = token.isEmpty();
        if (!whole) {
            listing = client.changesSince(book, token, error);
            // A token the server forgot, or changes it will not tell: every card compared,
            // none added twice.
            whole = !listing || listing->failedCondition == QLatin1String("valid-sync-token");
        }
        if (whole) {
            // The token before the listing (with every card's size): a change made between
            // the two is told again next time and found the same by its version, never
            // missed. No token: every sync compares the versions.
            const std::optional<QString> current = client.syncTokenOf(book, error);
            if (!current)
                return fail(error);
            listing = client.versions(book, error);
            if (!listing)
                return fail(error);
            listing->syncToken = *current;
        }
        newToken = listing->syncToken;
        for (const DavResource &resource : listing->resources) {
            const QString path = pathOf(resource.href);
            const QString folder = book.path(QUrl::FullyEncoded);
            if (path == folder || !path.startsWith(folder))
                continue;
            if (resource.status == 404) {
                gone << path;
            } else if (resource.status / 100 == 2) {
                present.insert(path, resource.etag);
                lengths.insert(path, resource.contentLength);
            }
        }
        if (whole)
            for (const CardLink &link : links)
                if (!link.etag.isEmpty() && !present.contains(link.href))
                    gone << link.href;
        return readEntries() || fail(QStringLiteral("defter okunamadı"));
    }

    bool readEntries()
    {
        bool read = false;
        const auto take = [this](const Entry &entry) {
            entries.insert(entry.id, entry);
            return entries.size() % 1000 != 0 || !stopped();
        };
        if (request.readFrom) {
            const bool opened = readOnOwnConnection(*request.readFrom, [&](const QSqlDatabase &db) {
                read = readEveryEntry(db, take);
            });
            return opened && read;
        }
        return onBook([&] { read = readEveryEntry(phoneBookDb, take); }) && read;
    }

    bool fetchChangedCards()
    {
        QHash<QString, QString> linkedVersions;
        for (const CardLink &link : links)
            linkedVersions.insert(link.href, link.etag);
        QStringList changed, unsized;
        for (auto at = present.constBegin(); at != present.constEnd(); ++at)
            if (linkedVersions.value(at.key(), QStringLiteral("?")) != at.value()) {
                changed << at.key();
                if (lengths.value(at.key(), -1) < 0)
                    unsized << at.key();
            }
        // A card larger than a card may be (a photo of many megabytes) is not downloaded:
        // a server that gives no sizes with its changes is asked for them, card by card
        // when they are few, else in one listing of all.
        const bool few = unsized.size() <= fewSizes;
        for (const QString &path : few ? unsized : QStringList{book.path(QUrl::FullyEncoded)}) {
            if (stopped())
                return false;
            QString error;
            const std::optional<DavAnswer> sizes = client.versions(urlOf(path), error, few ? 0 : 1);
            if (!sizes)
                return fail(error);
            for (const DavResource &resource : sizes->resources)
                lengths.insert(pathOf(resource.href), resource.contentLength);
        }
        const qint64 largest = DavLimits().largestCard;
        QStringList wanted;
        for (const QString &path : changed) {
            if (lengths.value(path, -1) > largest) {
                outcome.skipped << QStringLiteral("%1: kart çok büyük (%2 bayt), alınmadı")
                                       .arg(path)
                                       .arg(lengths.value(path));
                present.remove(path);
                continue;
            }
            wanted << path;
        }
        countSteps(wanted);
        for (int first = 0; first < wanted.size(); first += cardsPerRequest) {
            doneSteps = first;
            if (stopped())
                return false;
            QString error;
            const std::optional<DavAnswer> answer =
                client.cards(book, wanted.mid(first, cardsPerRequest), error);
            if (!answer)
                return fail(error);
            for (const DavResource &resource : answer->resources) {
                const QString path = pathOf(resource.href);
                if (resource.cardTooLarge) {
                    outcome.skipped << QStringLiteral("%1: kart çok büyük, alınmadı").arg(path);
                    present.remove(path);
                } else if (resource.status / 100 == 2 && !resource.addressData.isEmpty()) {
                    fetched.insert(path, resource);
                }
            }
        }
        doneSteps = wanted.size();
        return true;
    }

    // The sync's steps, for its progress: the cards read, then each link, new card and entry
    // without a card.
    void countSteps(const QStringList &wanted)
    {
        QSet<QString> linkedCards;
        QSet<qint64> linkedEntries;
        for (const CardLink &link : links) {
            linkedCards << link.href;
            linkedEntries << link.entry;
        }
        qint64 steps = wanted.size() + links.size();
        for (const QString &path : wanted)
            steps += linkedCards.contains(path) ? 0 : 1;
        for (auto at = entries.constBegin(); at != entries.constEnd(); ++at)
            steps += linkedEntries.contains(at.key()) ? 0 : 1;
        totalSteps = std::max<qint64>(1, steps);
    }

    // What became of a change of the book the sync decided on.
    enum class Applied { Done, LeftForNext, Failed };

    // An entry another desk changed since the sync read it is left as it is, its link on
    // the versions before, so that the next sync sees both changes and decides again.
    Applied changeBook(const Entry &current, const std::function<Change()> &make)
    {
        Change change;
        if (!onBook([&] { change = make(); }))
            return Applied::Failed;
        if (change.outcome == ChangeOutcome::ChangedElsewhere) {
            allIn = false;
            outcome.skipped << QStringLiteral("%1: eşitlenirken defterde değişti; bir sonraki "
                                              "eşitlemede")
                                   .arg(current.adsoyad);
            return Applied::LeftForNext;
        }
        if (change.outcome != ChangeOutcome::Done) {
            fail(failureMessage(change));
            return Applied::Failed;
        }
        return Applied::Done;
    }

    Applied update(const Entry &current, const Entry &wanted)
    {
        if (current == wanted)
            return Applied::Done;
        const Applied applied = changeBook(current, [&] { return replaceEntry(current, wanted); });
        if (applied == Applied::Done) {
            entries.insert(wanted.id, wanted);
            outcome.present << wanted;
            ++outcome.changed;
        }
        return applied;
    }

    Applied remove(const Entry &current)
    {
        const Applied applied = changeBook(current, [&] { return removeEntries({current}); });
        if (applied == Applied::Done) {
            entries.remove(current.id);
            outcome.gone << current.id;
            ++outcome.deleted;
        }
        return applied;
    }

    bool add(Entry &entry)
    {
        Change change;
        if (!onBook([&] { change = addEntry(entry); }))
            return false;
        if (change.outcome != ChangeOutcome::Done)
            return fail(failureMessage(change));
        entries.insert(entry.id, entry);
        outcome.present << entry;
        ++outcome.added;
        return true;
    }

    bool keep(const CardLink &link)
    {
        QString error;
        bool saved = false;
        return onBook([&] { saved = saveCardLink(link, error); }) &&
               (saved || fail(QStringLiteral("bağlantı yazılamadı: ") + error));
    }

    bool forget(qint64 entry)
    {
        QString error;
        bool forgotten = false;
        return onBook([&] { forgotten = forgetCardLink(entry, error); }) &&
               (forgotten || fail(QStringLiteral("bağlantı silinemedi: ") + error));
    }

    // Writes the entry into the card (over the version the link knows, or as a new card).
    bool send(CardLink &link, const Entry &entry, bool asNew)
    {
        const QByteArray card = cardWithEntry(link.card, entry, link.uid);
        const DavReply reply = client.put(urlOf(link.href), card, asNew ? QString() : link.etag);
        if (reply.status == 412) {
            // Changed on the server meanwhile: the next sync reads it first.
            allIn = false;
            return true;
        }
        if (!reply.ok())
            return fail(reply.error);
        QString etag = reply.etag;
        if (etag.isEmpty()) {
            QString error;
            const std::optional<DavAnswer> back = client.cards(book, {link.href}, error);
            if (!back || back->resources.isEmpty())
                return fail(error.isEmpty() ? QStringLiteral("yazılan kart okunamadı") : error);
            etag = back->resources.first().etag;
        }
        link.etag = etag;
        link.card = card;
        ++outcome.sent;
        if (!keep(link))
            return false;
        // A value emptied lets another of its kind on the card stand first: the entry shows
        // it, so that the next sync does not take that one out too.
        const CardFields written = fieldsOf(card);
        return sameValues(entry, written) ||
               update(entry, entryOf(entry.id, written)) != Applied::Failed;
    }

    // Told, and decided: whether the desk's version stays. A sync stopped while asking keeps
    // the server's, which touches the book first and so goes no further.
    bool deskWins(const Entry &entry, const CardFields &card)
    {
        bool desk = request.localWins;
        if (request.keepDesk && !onBook([&] { desk = request.keepDesk(entry, card); }))
            return false;
        outcome.conflicts << QStringLiteral("%1: sunucuda %2; defterde %3; %4 kaldı")
                                 .arg(entry.adsoyad.isEmpty() ? card.name : entry.adsoyad,
                                      shown(card.name, card.phone, card.mobile, card.mail),
                                      shown(entry.adsoyad, entry.telefon, entry.cep, entry.mail),
                                      desk ? QStringLiteral("defterdeki")
                                           : QStringLiteral("sunucudaki"));
        return desk;
    }

    bool reconcile(CardLink &link)
    {
        if (!step())
            return false;
        const bool entryGone = !entries.contains(link.entry);
        const Entry entry = entries.value(link.entry);
        if (link.etag.isEmpty()) {
            // A new card whose writing was cut off: taken as it arrived, or sent again.
            if (!fetched.contains(link.href)) {
                if (entryGone)
                    return forget(link.entry);
                return send(link, entry, true);
            }
            link.etag = fetched.value(link.href).etag;
            link.card = fetched.value(link.href).addressData;
            fetched.remove(link.href);
            if (!keep(link))
                return false;
        }
        const CardFields base = fieldsOf(link.card);
        const bool changedHere = !entryGone && !sameValues(entry, base);
        if (gone.contains(link.href)) {
            if (entryGone)
                return forget(link.entry);
            if (changedHere && deskWins(entry, CardFields{})) {
                link.card.clear();
                return send(link, entry, true);
            }
            const Applied removed = remove(entry);
            return removed == Applied::Done ? forget(link.entry) : removed == Applied::LeftForNext;
        }
        const bool changedThere = fetched.contains(link.href);
        const DavResource server = fetched.take(link.href);
        const CardFields there = changedThere ? fieldsOf(server.addressData) : base;
        if (entryGone) {
            if (!changedThere || deskWins(Entry{}, there)) {
                const DavReply reply =
                    client.remove(urlOf(link.href), changedThere ? server.etag : link.etag);
                if (reply.status == 412) {
                    allIn = false;
                    return true;
                }
                if (!reply.error.isEmpty())
                    return fail(reply.error);
                ++outcome.removed;
                return forget(link.entry);
            }
            // Deleted here, changed on a phone: the phone's version comes back.
            Entry again = entryOf(0, there);
            if (!add(again) || !forget(link.entry))
                return false;
            link.entry = again.id;
            link.etag = server.etag;
            link.card = server.addressData;
            return keep(link);
        }
        if (changedThere) {
            const bool both = changedHere && !sameValues(entry, there);
            link.etag = server.etag;
            link.card = server.addressData;
            if (both && deskWins(entry, there))
                return keep(link) && send(link, entry, false);
            // The link follows the book only where the book changed.
            const Applied updated = update(entry, entryOf(entry.id, there));
            return updated == Applied::Done ? keep(link) : updated == Applied::LeftForNext;
        }
        if (changedHere)
            return send(link, entry, false);
        return true;
    }

    // Cards no entry is linked to: the same person's entry is linked, else one is added.
    bool takeNewCards()
    {
        QSet<qint64> linkedEntries;
        for (const CardLink &link : links)
            linkedEntries << link.entry;
        QVector<Entry> unlinked;
        QVector<QPair<CardLink, Entry>> toAdd;
        SamePeople people;
        for (const Entry &entry : entries)
            if (!linkedEntries.contains(entry.id)) {
                people.add(unlinked.size(),
                           {entry.adsoyad, entry.telefon, entry.cep, entry.mail, {}});
                unlinked << entry;
            }
        for (auto at = fetched.constBegin(); at != fetched.constEnd(); ++at) {
            if (!step())
                return false;
            const CardFields card = fieldsOf(at.value().addressData);
            CardLink link{0, at.key(), card.uid, at.value().etag, at.value().addressData};
            const int same = people.find({card.name, card.phone, card.mobile, card.mail, {}});
            if (same >= 0 && !linkedEntries.contains(unlinked[same].id)) {
                // The book's values stay; what it lacks comes from the card.
                const Entry entry = unlinked[same];
                Contact completed{entry.adsoyad, entry.telefon, entry.cep, entry.mail, {}};
                complete(completed, {card.name, card.phone, card.mobile, card.mail, {}});
                const Entry wanted{entry.id, completed.adsoyad, completed.telefon, completed.cep,
                                   completed.mail};
                link.entry = entry.id;
                // Neither is sent or added now; left for the next sync, they are matched again
                // then.
                linkedEntries << entry.id;
                const Applied applied = update(entry, wanted);
                if (applied == Applied::Failed)
                    return false;
                if (applied == Applied::LeftForNext)
                    continue;
                ++outcome.linked;
                if (!keep(link) || (!sameValues(wanted, card) && !send(link, wanted, false)))
                    return false;
                continue;
            }
            toAdd.append({link, entryOf(0, card)});
            if (toAdd.size() == addsPerTransaction && !addWithLinks(toAdd, linkedEntries))
                return false;
        }
        if (!addWithLinks(toAdd, linkedEntries))
            return false;
        newlyLinked = linkedEntries;
        return true;
    }

    // Entries for new cards, and their links. Cut off between the two, the entries stay
    // unlinked: the next sync finds them the same people as the cards and links them.
    bool addWithLinks(QVector<QPair<CardLink, Entry>> &batch, QSet<qint64> &linkedEntries)
    {
        if (batch.isEmpty())
            return true;
        EntriesChange change;
        for (const auto &[link, entry] : batch)
            change.inserted << entry;
        Change applied;
        QVector<qint64> ids;
        if (!onBook([&] { applied = applyEntriesChange(change, &ids); }))
            return false;
        if (applied.outcome != ChangeOutcome::Done)
            return fail(failureMessage(applied));
        QVector<CardLink> newLinks;
        for (int i = 0; i < batch.size(); ++i) {
            auto [link, entry] = batch[i];
            entry.id = link.entry = ids[i];
            entries.insert(entry.id, entry);
            outcome.present << entry;
            ++outcome.added;
            linkedEntries << entry.id;
            newLinks << link;
        }
        batch.clear();
        QString error;
        bool saved = false;
        return onBook([&] { saved = saveCardLinks(newLinks, error); }) &&
               (saved || fail(QStringLiteral("bağlantı yazılamadı: ") + error));
    }

    // Entries no card is linked to: a card of their own, at an address of the program's
    // choosing, noted before it is written so that a sync cut off sends it once.
    bool sendNewEntries()
    {
        for (const Entry &entry : entries) {
            if (newlyLinked.contains(entry.id))
                continue;
            if (!step())
                return false;
            const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
            CardLink link{entry.id, book.path(QUrl::FullyEncoded) + uid + QStringLiteral(".vcf"),
                          uid, QString(), QByteArray()};
            if (!keep(link) || !send(link, entry, true))
                return false;
        }
        return true;
    }

    const SyncRequest request;
    const Progress progress;
    bool halted = false;
    qint64 doneSteps = 0, totalSteps = 1;
    CardDavClient client;
    SyncOutcome outcome;
    QString failure;
    QUrl book;
    QString bookKey;
    QVector<CardLink> links;
    QHash<qint64, Entry> entries;
    // The server's cards by path: their versions, those gone, those read.
    QHash<QString, QString> present;
    QHash<QString, qint64> lengths;
    QSet<QString> gone;
    QHash<QString, DavResource> fetched;
    QSet<qint64> newlyLinked;
    QString newToken;
    // Everything the listing named is in: the token may move on.
    bool allIn = true;
};

} // namespace

SyncOutcome syncWithPhones(const SyncRequest &request, const Progress &progress)
{
    return Sync(request, progress).run();
}
