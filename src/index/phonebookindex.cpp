#include "index/phonebookindex.h"

#include "changelog/changelog.h"
#include "platform/freedmemory.h"
#include "store/entries.h"
#include "store/phonebookdb.h"

#include <QSet>
#include <QSqlDatabase>
#include <QThread>

#include <algorithm>
#include <limits>

namespace
{

// The buffers address their bytes with 32 bits; a book that needs more is searched by
// the store.
constexpr qint64 largestText = std::numeric_limits<std::uint32_t>::max() / 2;
// Beyond this many changes made elsewhere the index is read whole instead: holding them
// all would cost more memory than reading it again costs time.
constexpr int mostChangesListed = 65536;

// The whole book in a new index; null when stopped, failed or too large.
std::shared_ptr<SearchIndex> readWhole(const QSqlDatabase &db, const std::atomic<bool> &stopped)
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

// What changed after the revision, as the change log names it: the entries changed, as
// they are now, and those gone. False when the log cannot be read, or names too many.
bool readLoggedChanges(const QSqlDatabase &db, qint64 revision, qint64 &newest,
                       QVector<Entry> &present, QVector<qint64> &gone)
{
    QVector<qint64> ids;
    if (!changedAfter(db, revision, ids, newest) || ids.size() > mostChangesListed ||
        !readEntriesOn(db, ids, present))
        return false;
    QSet<qint64> stored;
    for (const Entry &entry : present)
        stored << entry.id;
    for (const qint64 id : ids)
        if (!stored.contains(id))
            gone << id;
    // Ascending, as the index and the order take them.
    std::sort(present.begin(), present.end(),
              [](const Entry &a, const Entry &b) { return a.id < b.id; });
    std::sort(gone.begin(), gone.end());
    return true;
}

} // namespace

struct PhoneBookIndex::Reading {
    std::shared_ptr<SearchIndex> whole;
    bool changesOnly = false;
    QVector<Entry> present;
    QVector<qint64> gone;
    // The log's newest revision the reading saw everything up to; -1 without a log.
    qint64 revision = -1;
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
    // A server answers with its own indexes: nothing to build, and a reading of its changes
    // under way must not be dropped. Its changes are followed from the revision first seen.
    if (!bookIsLocal()) {
        if (revision < 0 && changeLogPresent())
            revision = newestRevision(phoneBookDb);
        return;
    }
    stop();
    current.reset();
    stale = false;
    changes.clear();
    reading = true;
    ++generation;
    const bool logged = changeLogPresent();
    revision = -1;
    mapPhoneBookFile(true);
    startReading([logged](const QSqlDatabase &db, const std::atomic<bool> &stopped) {
        Reading read;
        // Read before the entries: a change between the two is read again, never missed.
        read.revision = logged ? newestRevision(db) : -1;
        read.whole = readWhole(db, stopped);
        return read;
    });
}

bool PhoneBookIndex::refresh()
{
    // Without an index, a server's changes are still named by the log.
    const bool byRevision = revision >= 0 && changeLogPresent();
    if (!current && !(byRevision && !bookIsLocal())) {
        rebuild();
        return false;
    }
    // A reading under way may have missed this change too.
    stop();
    changes.clear();
    stale = reading = true;
    ++generation;
    if (current)
        mapPhoneBookFile(true);
    auto held = std::make_shared<const SearchIndex::Digests>(current ? current->digests()
                                                                     : SearchIndex::Digests{});
    const bool indexed = bool(current);
    startReading([held, indexed, byRevision, after = revision](const QSqlDatabase &db,
                                                               const std::atomic<bool> &stopped) {
        Reading read;
        if (byRevision && readLoggedChanges(db, after, read.revision, read.present, read.gone)) {
            read.changesOnly = true;
            return read;
        }
        read.present.clear();
        read.gone.clear();
        read.revision = -1;
        if (!indexed)
            return read;
        read.changesOnly = readChanges(db, *held, stopped, read.present, read.gone);
        if (!read.changesOnly && !stopped) {
            read.present.clear();
            read.gone.clear();
            read.whole = readWhole(db, stopped);
        }
        return read;
    });
    return true;
}

void PhoneBookIndex::startReading(Read read)
{
    cancelled = std::make_shared<std::atomic<bool>>(false);
    builder.reset(QThread::create([this, read, book = bookAddress(), wanted = generation,
                                   stopped = cancelled] {
        auto result = std::make_shared<Reading>();
        readOnOwnConnection(book, [&](const QSqlDatabase &db) { *result = read(db, *stopped); });
        QMetaObject::invokeMethod(
            this, [this, result, wanted] { take(*result, wanted); }, Qt::QueuedConnection);
    }));
    builder->start(QThread::LowPriority);
}

void PhoneBookIndex::take(const Reading &read, quint64 readFor)
{
    if (readFor != generation)
        return;
    const bool refreshing = stale;
    reading = stale = false;
    QVector<Entry> present;
    QVector<qint64> gone;
    revision = read.revision;
    if (read.changesOnly) {
        // This program's own changes since the reading began are in the index already,
        // and newer than what the reading saw of those entries.
        QSet<qint64> own;
        for (const Change &change : changes)
            own << change.entry.id;
        // What the log names again (read up to a revision before it, or this program's
        // own) and the index holds already is no change.
        for (const Entry &entry : read.present)
            if (!own.contains(entry.id) && !(current && current->holds(entry)))
                present << entry;
        for (const qint64 id : read.gone)
            if (!own.contains(id) && !(current && !current->holds(id)))
                gone << id;
        if (current)
            takeIn(present, gone);
    } else if (!bookIsLocal()) {
        // A server book without its log: the order is read again whole.
    } else {
        current.reset();
        if (read.whole) {
            for (const Change &change : changes) {
                if (change.gone)
                    read.whole->forget(change.entry.id);
                else
                    read.whole->place(change.entry);
            }
            current = std::make_unique<SearchIndex>(std::move(*read.whole));
        }
    }
    changes.clear();
    releaseFreedMemory();
    if (current)
        mapPhoneBookFile(false);
    if (refreshing)
        emit changesFound(present, gone, !read.changesOnly);
    if (current)
        emit this->built();
}

void PhoneBookIndex::takeIn(const QVector<Entry> &present, const QVector<qint64> &gone)
{
    // A colleague's save or two moves its entries in place; many are merged in one pass
    // over the buffers, which at a million entries costs tens of milliseconds.
    constexpr int fewChanges = 16;
    if (present.size() + gone.size() > fewChanges) {
        current->apply(present, gone);
        return;
    }
    for (const qint64 id : gone)
        current->forget(id);
    for (const Entry &entry : present)
        current->place(entry);
}

void PhoneBookIndex::place(const Entry &entry)
{
    if (current)
        current->place(entry);
    if (reading)
        changes.append({entry, false});
}

void PhoneBookIndex::forget(qint64 id)
{
    if (current)
        current->forget(id);
    if (reading) {
        Entry gone;
        gone.id = id;
        changes.append({gone, true});
    }
}
