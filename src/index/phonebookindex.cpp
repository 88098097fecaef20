#include "index/phonebookindex.h"

#include "changelog/changelog.h"
#include "platform/freedmemory.h"
#include "store/entries.h"
#include "store/phonebookdb.h"
#include "store/serverbook.h"

#include <QSet>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

namespace
{

// The buffers address their bytes with 32 bits; a book that needs more is searched by
// the store.
constexpr qint64 largestText = std::numeric_limits<std::uint32_t>::max() / 2;
// Up to this many changes are moved in the index in place, each at the cost of moving
// its buffers' tails; more are merged into a new index in one pass.
constexpr int fewChanges = 16;
// Beyond this many changes made elsewhere the index is read whole instead: holding them
// all would cost more memory than reading it again costs time.
constexpr int mostChangesListed = 65536;

// A reading that could not be made (the connection lost, say) is made again after this.
constexpr int retryMs = 2000;

// The whole book in a new index; null when stopped, failed or too large, `failed` telling
// which.
std::shared_ptr<SearchIndex> readWhole(const QSqlDatabase &db, const std::atomic<bool> &stopped,
                                       bool &failed)
{
    auto read = std::make_shared<SearchIndex>();
    qint64 bytes = 0;
    const bool whole = readEveryEntry(db, [&](const Entry &entry) {
        bytes += 2 * (entry.adsoyad.size() + entry.mail.size()) + 64;
        if (stopped || bytes > largestText)
            return false;
        read->append(entry);
        return true;
    });
    failed = !whole && !stopped && bytes <= largestText;
    if (!whole)
        return nullptr;
    read->releaseSpare();
    return read;
}

// The book read again beside what the index holds: the entries that are new or differ
// from their digest, and the ids no longer stored. False when stopped, failed or too many.
bool readChanges(const QSqlDatabase &db, const SearchIndex::Digests &held,
                 const std::atomic<bool> &stopped, QVector<Entry> &present, QVector<qint64> &gone)
{
    int next = 0;
    const auto goneBefore = [&](qint64 id) {
        while (next < held.ids.size() && held.ids[next] < id)
            gone << held.ids[next++];
    };
    const auto few = [&] { return present.size() + gone.size() <= mostChangesListed; };
    const bool read = readEveryEntry(db, [&](const Entry &entry) {
        goneBefore(entry.id);
        const bool known = next < held.ids.size() && held.ids[next] == entry.id;
        if (!known || held.digests[std::size_t(next)] != SearchIndex::digestOf(entry))
            present << entry;
        next += known ? 1 : 0;
        return !stopped && few();
    });
    goneBefore(std::numeric_limits<qint64>::max());
    return read && few();
}

} // namespace

struct PhoneBookIndex::Reading {
    std::shared_ptr<SearchIndex> whole;
    // The index read with the changes merged in, when they were many.
    std::shared_ptr<SearchIndex> merged;
    bool changesOnly = false;
    QVector<Entry> present;
    QVector<qint64> gone;
    // The log's newest revision the reading saw everything up to; -1 without a log.
    qint64 revision = -1;
    // Nothing could be read: the index stays as it was.
    bool failed = false;
};

PhoneBookIndex::PhoneBookIndex(QObject *parent) : QObject(parent) {}

PhoneBookIndex::~PhoneBookIndex()
{
    stop();
}

void PhoneBookIndex::stop()
{
    if (!builder)
        return;
    *cancelled = true;
    builder->wait();
    builder.reset();
}

void PhoneBookIndex::rebuild()
{
    stop();
    current.reset();
    stale = refreshing = false;
    changes.clear();
    reading = true;
    ++generation;
    const bool logged = changeLogPresent();
    buildLogged = logged;
    changedWhileBuilding = false;
    connectionsSeen = serverConnectionCount();
    revision = -1;
    mapPhoneBookFile(true);
    startReading([logged](const QSqlDatabase &db, const std::atomic<bool> &stopped) {
        Reading read;
        // Read before the entries: a change between the two is read again, never missed.
        read.revision = logged ? newestRevision(db) : -1;
        read.whole = readWhole(db, stopped, read.failed);
        return read;
    });
}

bool PhoneBookIndex::refresh()
{
    const bool byRevision = revision >= 0 && changeLogPresent();
    if (!current) {
        // The whole book being read took the log's revision first: what changed since is
        // read by revision when it arrives, so that a busy book's index is ever ready.
        if (reading && !refreshing && buildLogged) {
            changedWhileBuilding = true;
            return false;
        }
        rebuild();
        return false;
    }
    // A standby promoted in the primary's place may lack the primary's last commits: a
    // revision the book no longer reaches means the book is read whole again.
    if (byRevision && connectionsSeen != serverConnectionCount()) {
        connectionsSeen = serverConnectionCount();
        const qint64 newest = newestRevision(phoneBookDb);
        if (newest >= 0 && newest < revision) {
            rebuild();
            return false;
        }
    }
    if (byRevision && !reading && takeFewChanges())
        return true;
    // A reading under way may have missed this change too.
    stop();
    changes.clear();
    reading = refreshing = true;
    // Read by revision, many changes are merged into a copy on the reading's thread while
    // this index answers on; compared entry by entry with the book, the store answers.
    stale = !byRevision;
    ++generation;
    if (current)
        mapPhoneBookFile(true);
    const bool logged = changeLogPresent();
    startReading(
        [base = std::shared_ptr<const SearchIndex>(current), byRevision, logged,
         after = revision](const QSqlDatabase &db, const std::atomic<bool> &stopped) mutable {
            Reading read;
            if (byRevision && readLoggedChanges(db, after, read.revision, read.present, read.gone,
                                                mostChangesListed)) {
                read.changesOnly = true;
            } else {
                read.present.clear();
                read.gone.clear();
                // Read before the book, so that the next change is read by revision again.
                read.revision = logged ? newestRevision(db) : -1;
                if (base)
                    read.changesOnly =
                        readChanges(db, base->digests(), stopped, read.present, read.gone);
                if (base && !read.changesOnly && !stopped) {
                    read.present.clear();
                    read.gone.clear();
                    read.whole = readWhole(db, stopped, read.failed);
                }
            }
            if (read.changesOnly && base) {
                // What the log names again (read up to a revision before it, or this
                // program's own) and the index holds already is no change.
                QVector<Entry> present;
                QVector<qint64> gone;
                for (const Entry &entry : read.present)
                    if (!base->holds(entry))
                        present << entry;
                for (const qint64 id : read.gone)
                    if (base->holds(id))
                        gone << id;
                read.present = present;
                read.gone = gone;
                if (present.size() + gone.size() > fewChanges)
                    read.merged = std::make_shared<SearchIndex>(base->mergedWith(present, gone));
            }
            // This program's saves may now change the index in place again.
            base.reset();
            return read;
        });
    return true;
}

bool PhoneBookIndex::takeFewChanges()
{
    // A colleague's save names an entry or two after the revision: read on the window's
    // connection through the log's key, they are in before the next key is answered,
    // without the store answering meanwhile or a thread started. This desk's own saves
    // since are named too, and dropped as held already.
    constexpr int fewIds = 64, fewRows = 1024;
    QVector<Entry> read;
    QVector<qint64> readGone;
    qint64 newest = revision;
    if (!readLoggedChanges(phoneBookDb, revision, newest, read, readGone, fewIds, fewRows))
        return false;
    QVector<Entry> present;
    QVector<qint64> gone;
    for (const Entry &entry : read)
        if (!(current && current->holds(entry)))
            present << entry;
    for (const qint64 id : readGone)
        if (!(current && !current->holds(id)))
            gone << id;
    // Each moves its entry in the buffers; more are merged on a thread.
    if (current && present.size() + gone.size() > fewChanges)
        return false;
    revision = newest;
    stale = false;
    if (current)
        takeIn(present, gone);
    emit changesFound(present, gone, false);
    return true;
}

void PhoneBookIndex::startReading(Read read)
{
    cancelled = std::make_shared<std::atomic<bool>>(false);
    builder.reset(QThread::create(
        [this, read, book = bookAddress(), wanted = generation, stopped = cancelled] {
            auto result = std::make_shared<Reading>();
            if (!readOnOwnConnection(book,
                                     [&](const QSqlDatabase &db) { *result = read(db, *stopped); }))
                result->failed = true;
            QMetaObject::invokeMethod(
                this, [this, result, wanted] { take(*result, wanted); }, Qt::QueuedConnection);
        }));
    builder->start(QThread::LowPriority);
}

void PhoneBookIndex::take(const Reading &read, quint64 readFor)
{
    if (readFor != generation)
        return;
    const bool wasRefreshing = refreshing;
    reading = stale = refreshing = false;
    if (read.failed) {
        // What the index holds stays, and so does its revision: the reading is made again
        // shortly, the store answering meanwhile.
        stale = true;
        changes.clear();
        if (current)
            mapPhoneBookFile(false);
        QTimer::singleShot(retryMs, this, [this, wanted = generation] {
            if (wanted == generation && !reading)
                refresh();
        });
        return;
    }
    QVector<Entry> present;
    QVector<qint64> gone;
    revision = read.revision;
    // This program's own changes since the reading began are in the index already, and
    // newer than what the reading saw of those entries.
    const auto ownChangesOn = [this](SearchIndex &index) {
        for (const Change &change : changes) {
            if (change.gone)
                index.forget(change.entry.id);
            else
                index.place(change.entry);
        }
    };
    if (read.changesOnly) {
        QSet<qint64> own;
        for (const Change &change : changes)
            own << change.entry.id;
        for (const Entry &entry : read.present)
            if (!own.contains(entry.id))
                present << entry;
        for (const qint64 id : read.gone)
            if (!own.contains(id))
                gone << id;
        if (read.merged) {
            ownChangesOn(*read.merged);
            current = read.merged;
        } else if (current) {
            takeIn(present, gone);
        }
    } else {
        current.reset();
        if (read.whole) {
            ownChangesOn(*read.whole);
            current = read.whole;
        }
    }
    changes.clear();
    if (read.merged || read.whole)
        releaseFreedMemory();
    if (current)
        mapPhoneBookFile(false);
    if (wasRefreshing)
        emit changesFound(present, gone, !read.changesOnly);
    // What changed while the whole book was read: until it is in, the store answers on.
    if (std::exchange(changedWhileBuilding, false) && current && revision >= 0 && refresh() &&
        refreshing)
        stale = true;
    if (ready())
        emit this->built();
}

void PhoneBookIndex::takeIn(const QVector<Entry> &present, const QVector<qint64> &gone)
{
    for (const qint64 id : gone)
        current->forget(id);
    for (const Entry &entry : present)
        current->place(entry);
}

SearchIndex &PhoneBookIndex::writable()
{
    // A reading's thread may be merging what it read into a copy of this one.
    if (current.use_count() > 1)
        current = std::make_shared<SearchIndex>(*current);
    return *current;
}

void PhoneBookIndex::place(const Entry &entry)
{
    if (current)
        writable().place(entry);
    if (reading)
        changes.append({entry, false});
}

void PhoneBookIndex::forget(qint64 id)
{
    if (current)
        writable().forget(id);
    if (reading) {
        Entry gone;
        gone.id = id;
        changes.append({gone, true});
    }
}
