#pragma once

#include "store/entry.h"
#include "store/listing.h"

#include <QCollator>
#include <QPair>
#include <QVector>

#include <cstdint>
#include <functional>
#include <vector>

// The list sorted by one column, kept as the order of every entry's id: a search only
// picks its matches out of it, and a change moves one entry, so nothing is sorted again
// on a keystroke. Names and mails in Turkish alphabetical order, case ignored (the
// platform's collation, ICU on Debian: C < Ç, ı < i, ...); numbers by their digits, the
// country and trunk prefix left out. Empty values come last either way; equal values keep
// the stored order. Only the order is kept, not the sort keys: the ids in this order and
// ascending and each one's rank, about 21 bytes an entry, 16 of them shared with the list
// of every entry and the search index. A changed entry finds its place by comparing
// values read again.
class ListOrder
{
public:
    // The stored value of an entry in the sorted column, for placing a changed one.
    using ValueOf = std::function<QString(qint64 id)>;
    ListOrder(EntryColumn column, Qt::SortOrder direction, ValueOf valueOf);

    EntryColumn column() const { return sortedColumn; }
    Qt::SortOrder direction() const { return sortedDirection; }
    // How many entries it orders.
    std::size_t size() const { return std::size_t(ids.size()); }

    // Told how far a build has come (done of total); answers false to stop it.
    using Going = std::function<bool(qint64 done, qint64 total)>;
    // Orders every entry of the book: its id and its value in the column. What sorting
    // took, the values too, is given back to the system. False when going stopped it,
    // and the order is then not to be used.
    bool build(QVector<QPair<qint64, QString>> values, const Going &going = {});
    // The same entries turned round; equal values keep the stored order.
    void reverse();
    // The ids given (in stored order, as a search lists them) in this order. An id the
    // order does not know comes last.
    QVector<qint64> arrange(const QVector<qint64> &storedOrder) const;
    // The entries a search marked, a bit each over these ascending ids, in this order:
    // without looking any id up when they are every id the order holds.
    QVector<qint64> arrange(const std::vector<std::uint64_t> &marked,
                            const QVector<qint64> &over) const;
    // Holds these instead of its own list of every id ascending when they are the same,
    // as the search index's are: the memory is shared until either changes.
    void shareIds(const QVector<qint64> &ascending);
    // Moves a changed or new entry to its place; forgets a deleted one.
    void place(const Entry &entry);
    void forget(qint64 id);

private:
    // Negative, zero or positive as a sorts before, with or after b (ascending).
    int compare(const QString &a, const QString &b) const;
    // Where the entry belongs, counting ranks as if the one at leftOut were not there.
    std::size_t rankFor(const Entry &entry, std::size_t leftOut) const;
    // Whether the entry at the rank, of this value, and the one after it tie with the one
    // before each.
    void markTies(std::size_t rank, const QString &value);
    void move(std::size_t position, const Entry &entry);
    void insert(std::size_t position, const Entry &entry);
    // The ids at the ranks marked, in rank order: its own when every one is.
    QVector<qint64> idsRanked(const std::vector<std::uint64_t> &listed) const;

    EntryColumn sortedColumn;
    Qt::SortOrder sortedDirection;
    ValueOf valueOf;
    QCollator collator;
    // Shared with the list when it shows every entry.
    QVector<qint64> ids;
    // Whether each entry's value equals the one before it: a byte each, so that moving an
    // entry far moves them as fast as the ids.
    std::vector<std::uint8_t> tiedWithPrevious;
    // Where the entries with an empty value begin.
    std::size_t firstEmpty = 0;
    // Every id ascending, and where each stands in the order: found by a walk along the
    // ascending ids a search yields, or by a binary search for a few.
    QVector<qint64> idsAscending;
    std::vector<std::uint32_t> rankOf;
};
