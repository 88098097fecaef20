#include "directoryserver/bookfollower.h"

#include "changelog/changelog.h"
#include "directoryserver/servedbook.h"
#include "store/bookwatcher.h"
#include "store/entries.h"
#include "store/listing.h"
#include "store/phonebookdb.h"
#include "store/serverbook.h"

#include <QTimer>

namespace
{

constexpr int retryMs = 2000;
// More changes than this are read with the whole book instead.
constexpr int mostChangesRead = 65536;

} // namespace

BookFollower::BookFollower(ServedBook &book, QObject *parent) : QObject(parent), book(book)
{
    watcher = new BookWatcher(this);
    connect(watcher, &BookWatcher::changedElsewhere, this, &BookFollower::readChanges);
    retry = new QTimer(this);
    retry->setSingleShot(true);
    retry->setInterval(retryMs);
    connect(retry, &QTimer::timeout, this, &BookFollower::readChanges);
}

void BookFollower::start()
{
    watcher->start();
    readChanges();
}

void BookFollower::readChanges()
{
    QString lost;
    if (!keepPhoneBookConnection(lost)) {
        emit readingFailed(lost);
        tryAgain();
        return;
    }
    const qint64 version = bookVersion();
    if (version == seenVersion && !wholeWanted)
        return;
    // A standby promoted in the primary's place may lack the primary's last commits: a
    // revision the book no longer reaches is no base for reading by revision.
    if (revision >= 0 && connectionsSeen != serverConnectionCount()) {
        const qint64 newest = newestRevision(phoneBookDb);
        if (newest >= 0 && newest < revision)
            wholeWanted = true;
    }
    connectionsSeen = serverConnectionCount();
    if (wholeWanted || revision < 0) {
        readWhole();
        if (!wholeWanted)
            seenVersion = version;
        return;
    }
    QVector<Entry> present;
    QVector<qint64> gone;
    qint64 newest = revision;
    if (!readLoggedChanges(phoneBookDb, revision, newest, present, gone, mostChangesRead)) {
        // Too many, or no log this role may read: the whole book tells what changed.
        wholeWanted = true;
        readWhole();
        if (!wholeWanted)
            seenVersion = version;
        return;
    }
    book.apply(present, gone);
    revision = newest;
    seenVersion = version;
}

void BookFollower::readWhole()
{
    // Read before the entries: a change between the two is read again, never missed.
    const qint64 before = changeLogPresent() ? newestRevision(phoneBookDb) : -1;
    QVector<Entry> read;
    if (!readEveryEntry(phoneBookDb, [&read](const Entry &entry) {
            read << entry;
            return true;
        })) {
        emit readingFailed(QStringLiteral("defter okunamadı"));
        tryAgain();
        return;
    }
    book.replace(read);
    revision = before;
    wholeWanted = false;
}

void BookFollower::tryAgain()
{
    if (!retry->isActive())
        retry->start();
}
