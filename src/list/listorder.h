#pragma once

#include "store/entry.h"
#include "store/listing.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QPair>
#include <QVector>

#include <optional>
#include <vector>

// The list sorted by one column, kept as the order of every entry's id: a search only
// picks its matches out of it, and a change moves one entry, so nothing is sorted again
// on a keystroke. Names and mails in Turkish alphabetical order, case ignored (the
// platform's collation, ICU on Debian: C < Ç, ı < i, ...); numbers by their digits, the
// country and trunk prefix left out. Empty values come last either way; equal values keep
// the stored order.
class ListOrder
{
public:
    ListOrder(EntryColumn column, Qt::SortOrder direction);

    EntryColumn column() const { return sortedColumn; }
    Qt::SortOrder direction() const { return sortedDirection; }

    // Orders every entry of the book: its id and its value in the column.
    void build(const QVector<QPair<qint64, QString>> &values);
    // The same entries turned round, keys kept.
    void reverse();
    // The ids given (in stored order, as a search lists them) in this order. An id the
    // order does not know comes last.
    QVector<qint64> arrange(const QVector<qint64> &storedOrder) const;
    // Moves a changed or new entry to its place; forgets a deleted one.
    void place(const Entry &entry);
    void forget(qint64 id);

private:
    struct Item {
        qint64 id = 0;
        bool empty = true;
        QByteArray digits;
        std::optional<QCollatorSortKey> text;
    };
    Item itemOf(qint64 id, const QString &value) const;
    bool before(const Item &a, const Item &b) const;
    void indexByRank();

    EntryColumn sortedColumn;
    Qt::SortOrder sortedDirection;
    QCollator collator;
    std::vector<Item> items;
    // (id, rank), by id: where each entry stands, found by a walk along ascending ids.
    std::vector<std::pair<qint64, int>> rankById;
};
