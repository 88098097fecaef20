#pragma once

#include "index/searchindex.h"

#include <QObject>

#include <atomic>
#include <memory>

class QThread;

// The search index of the open phone book, built in a thread of its own on a connection of
// its own, so that nobody waits for it: until it is ready, and again while it is rebuilt
// after another program's changes, the store's search answers instead. This program's own
// changes are put into it at once, and into the one being built when it arrives.
class PhoneBookIndex : public QObject
{
    Q_OBJECT

public:
    explicit PhoneBookIndex(QObject *parent = nullptr);
    ~PhoneBookIndex() override;

    // Reads the whole book again in the background; the index in use is dropped at once.
    void rebuild();
    // Null while there is none ready.
    const SearchIndex *ready() const { return current.get(); }

    void place(const Entry &entry);
    void forget(qint64 id);
    // Cancels a build under way and waits for its thread, which holds a connection.
    void stop();

signals:
    // The index is ready; or building it failed, then the store goes on answering.
    void built();

private:
    void take(std::shared_ptr<SearchIndex> read, quint64 generation);

    std::unique_ptr<SearchIndex> current;
    std::unique_ptr<QThread> builder;
    std::shared_ptr<std::atomic<bool>> cancelled;
    quint64 generation = 0;
    bool building = false;
    // This program's changes since the build began, in order, to put into what it brings.
    struct Change {
        Entry entry;
        bool gone = false;
    };
    QVector<Change> changes;
};
