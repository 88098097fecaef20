#pragma once

#include "directory/phonedirectory.h"
#include "store/entry.h"

#include <QHash>
#include <QMutex>
#include <QReadWriteLock>
#include <QStringList>

#include <array>
#include <cstdint>
#include <unordered_map>

// The book as the directory server serves it: every entry, and which entries each phone
// number calls from, held in memory and read by the server's threads while the book's
// changes come in on the main thread.
class ServedBook
{
public:
    // The whole book, read afresh.
    void replace(const QVector<Entry> &entries);
    // The entries added or changed, and the ids deleted, since.
    void apply(const QVector<Entry> &present, const QVector<qint64> &gone);

    // Whether the book has been read once: until then there is nothing to answer with.
    bool loaded() const;
    int size() const;
    // The names of the entries whose phone or mobile has the number key (see
    // phoneNumberKey), as listed, in Turkish order.
    QStringList callerNames(const QByteArray &key) const;
    // The book as a directory of the layout; made once after each change.
    QByteArray directory(DirectoryLayout layout) const;

private:
    void add(const Entry &entry);
    void remove(qint64 id);

    mutable QReadWriteLock lock;
    // Each entry's name, phone and mobile, packed (see packed()).
    QHash<qint64, QByteArray> entries;
    // Number keys in 64 bits (see keyCode) to the ids of the entries that hold them.
    std::unordered_multimap<std::uint64_t, qint64> callers;
    quint64 version = 0;
    bool isLoaded = false;

    struct Made {
        quint64 version = 0;
        QByteArray xml;
        bool made = false;
    };
    // One directory is made at a time; a request for it meanwhile waits for it.
    mutable QMutex making;
    mutable std::array<Made, 4> made;
};
