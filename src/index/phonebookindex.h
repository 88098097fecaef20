#pragma once

#include "index/searchindex.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class QSqlDatabase;
class QThread;

// The search index of the open phone book, built in a thread of its own on a connection of
// its own, so that nobody waits for it: until it is ready, and again while another
// program's changes are read, the store's search answers instead. This program's own
// changes are put into it at once, and into what a reading brings when it arrives.
class PhoneBookIndex : public QObject
{
    Q_OBJECT

public:
    explicit PhoneBookIndex(QObject *parent = nullptr);
    ~PhoneBookIndex() override;

    // Reads the whole book again in the background; the index in use is dropped at once.
    void rebuild();
    // After another program's commit: only what changed is put into the index and listed
    // by changesFound, before refresh returns when the log names a few changes, otherwise
    // once the book is read again in the background. False when there is no index to
    // compare with: it is built whole, or the build under way reads them when it is done,
    // and changesFound will not list them until then.
    bool refresh();
    // Null while there is none ready, or while another program's changes are read beside
    // it. While they are read by revision it answers on: they follow through changesFound.
    const SearchIndex *ready() const { return stale ? nullptr : current.get(); }
    bool readingChanges() const { return refreshing; }

    void place(const Entry &entry);
    void forget(qint64 id);
    // Cancels a reading under way and waits for its thread, which holds a connection.
    void stop();

signals:
    // An index is ready, after a build or after another program's changes.
    void built();
    // After refresh: the entries another program added or changed and the ids it deleted,
    // ascending; whole when they were too many to list and the index was read whole.
    void changesFound(const QVector<Entry> &present, const QVector<qint64> &gone, bool whole);

private:
    struct Reading;
    using Read = std::function<Reading(const QSqlDatabase &db, const std::atomic<bool> &stopped)>;
    // The changes after the revision, when the log names so few that they are read at once.
    bool takeFewChanges();
    void startReading(Read read);
    void take(const Reading &reading, quint64 generation);
    void takeIn(const QVector<Entry> &present, const QVector<qint64> &gone);

    // Shared with a reading's thread while it merges changes into a copy.
    std::shared_ptr<SearchIndex> current;
    SearchIndex &writable();
    // The change log's newest revision that current holds (on a server: that the window has
    // seen); -1 when the book has no log or none is known yet.
    qint64 revision = -1;
    bool stale = false;
    // A reading of another program's changes is under way; changesFound will list them.
    bool refreshing = false;
    std::unique_ptr<QThread> builder;
    std::shared_ptr<std::atomic<bool>> cancelled;
    quint64 generation = 0;
    bool reading = false;
    // The whole book is read after the log's revision, and another program changed it since.
    bool buildLogged = false;
    bool changedWhileBuilding = false;
    // The connections to the server made when the revision was last known to be reached.
    quint64 connectionsSeen = 0;
    // This program's changes since the reading began, in order, to put into what it brings.
    struct Change {
        Entry entry;
        bool gone = false;
    };
    QVector<Change> changes;
};
