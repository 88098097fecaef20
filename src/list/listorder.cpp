#include "list/listorder.h"

#include "platform/freedmemory.h"
#include "search/folding.h"
#include "search/marked.h"

#include <QCollatorSortKey>
#include <QLocale>
#include <QScopeGuard>

#include <algorithm>
#include <numeric>
#include <optional>
#include <thread>

ListOrder::ListOrder(EntryColumn column, Qt::SortOrder direction, ValueOf valueOf)
    : sortedColumn(column), sortedDirection(direction), valueOf(std::move(valueOf)),
      collator(QLocale(QLocale::Turkish, QLocale::Turkey))
{
    collator.setCaseSensitivity(Qt::CaseInsensitive);
}

int ListOrder::compare(const QString &a, const QString &b) const
{
    const QString x = a.trimmed(), y = b.trimmed();
    if (x.isEmpty() || y.isEmpty())
        return int(x.isEmpty()) - int(y.isEmpty());
    if (sortedColumn == EntryColumn::Phone || sortedColumn == EntryColumn::Mobile)
        return phoneNumberKey(x).compare(phoneNumberKey(y));
    return collator.compare(x, y);
}

bool ListOrder::build(QVector<QPair<qint64, QString>> values, const Going &going)
{
    // Sort keys while sorting, a comparison of bytes each; dropped afterwards.
    struct Key {
        bool empty = true;
        QByteArray digits;
        std::optional<QCollatorSortKey> text;
    };
    const bool numbers = sortedColumn == EntryColumn::Phone || sortedColumn == EntryColumn::Mobile;
    std::vector<Key> keys(std::size_t(values.size()));
    // Whether sorted or stopped, what sorting took is given back to the system.
    const auto release = qScopeGuard([&keys, &values] {
        keys = {};
        values = {};
        releaseFreedMemory();
    });
    // In stored order, as SQLite reads them (a server may answer in any order): each
    // entry's position is then its place among the ids ascending.
    const auto byId = [](const QPair<qint64, QString> &a, const QPair<qint64, QString> &b) {
        return a.first < b.first;
    };
    if (!std::is_sorted(values.cbegin(), values.cend(), byId))
        std::sort(values.begin(), values.end(), byId);
    // The keys are about two thirds of the work, the sort the rest.
    const qint64 work = values.size() + values.size() / 2;
    for (int i = 0; i < values.size(); ++i) {
        if (going && i % 4096 == 0 && !going(i, work))
            return false;
        const QString value = values.at(i).second.trimmed();
        Key &key = keys[std::size_t(i)];
        key.empty = value.isEmpty();
        if (key.empty)
            continue;
        if (numbers)
            key.digits = phoneNumberKey(value);
        else
            key.text = collator.sortKey(value);
    }
    const auto order = [&keys](std::size_t a, std::size_t b) {
        const Key &x = keys[a], &y = keys[b];
        if (x.empty || y.empty)
            return int(x.empty) - int(y.empty);
        return x.text ? x.text->compare(*y.text) : x.digits.compare(y.digits);
    };
    const bool ascending = sortedDirection == Qt::AscendingOrder;
    // Equal values keep the stored order: the order of the positions.
    const auto before = [&](std::uint32_t a, std::uint32_t b) {
        const int byValue = order(a, b);
        if (byValue != 0 && !keys[a].empty && !keys[b].empty)
            return ascending ? byValue < 0 : byValue > 0;
        if (byValue != 0)
            return byValue < 0; // empty last either way
        return a < b;
    };
    // Two halves sorted at once, then merged.
    std::vector<std::uint32_t> positions(keys.size());
    std::iota(positions.begin(), positions.end(), 0);
    const auto middle = positions.begin() + std::ptrdiff_t(positions.size() / 2);
    std::thread sortingSecond([&] { std::sort(middle, positions.end(), before); });
    std::sort(positions.begin(), middle, before);
    sortingSecond.join();
    std::inplace_merge(positions.begin(), middle, positions.end(), before);
    ids.resize(int(positions.size()));
    idsAscending.resize(int(positions.size()));
    rankOf.resize(positions.size());
    tiedWithPrevious.assign(positions.size(), 0);
    firstEmpty = std::size_t(
        std::count_if(keys.begin(), keys.end(), [](const Key &key) { return !key.empty; }));
    for (std::size_t rank = 0; rank < positions.size(); ++rank) {
        const std::uint32_t position = positions[rank];
        ids[int(rank)] = idsAscending[int(position)] = values.at(int(position)).first;
        rankOf[position] = std::uint32_t(rank);
        tiedWithPrevious[rank] = rank > 0 && order(positions[rank - 1], position) == 0;
    }
    return true;
}

void ListOrder::reverse()
{
    sortedDirection =
        sortedDirection == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    // Runs of equal values keep their stored order, and empty values stay last.
    const std::size_t filled = firstEmpty;
    QVector<qint64> turned;
    std::vector<std::uint8_t> tied;
    // Where each rank goes.
    std::vector<std::uint32_t> moved(size());
    turned.reserve(int(ids.size()));
    tied.reserve(size());
    const auto take = [&](std::size_t rank, bool tiedWithTheOneBefore) {
        moved[rank] = std::uint32_t(turned.size());
        turned.push_back(ids[int(rank)]);
        tied.push_back(tiedWithTheOneBefore);
    };
    std::size_t end = filled;
    while (end > 0) {
        std::size_t begin = end - 1;
        while (begin > 0 && tiedWithPrevious[begin])
            --begin;
        for (std::size_t i = begin; i < end; ++i)
            take(i, i > begin);
        end = begin;
    }
    for (std::size_t i = filled; i < size(); ++i)
        take(i, i > filled);
    ids.swap(turned);
    tiedWithPrevious.swap(tied);
    for (std::uint32_t &rank : rankOf)
        rank = moved[rank];
}

QVector<qint64> ListOrder::arrange(const QVector<qint64> &storedOrder) const
{
    QVector<qint64> arranged, unknown;
    const auto begin = idsAscending.cbegin(), end = idsAscending.cend();
    if (storedOrder.size() < ids.size() / 32) {
        arranged.reserve(storedOrder.size());
        // A few matches: each found by a binary search, their ranks sorted.
        std::vector<std::uint32_t> ranks;
        ranks.reserve(std::size_t(storedOrder.size()));
        for (const qint64 id : storedOrder) {
            const auto at = std::lower_bound(begin, end, id);
            if (at != end && *at == id)
                ranks.push_back(rankOf[std::size_t(at - begin)]);
            else
                unknown << id;
        }
        std::sort(ranks.begin(), ranks.end());
        for (const std::uint32_t rank : ranks)
            arranged << ids[rank];
    } else {
        // Many: the rank of every id listed marked in a bitmap small enough for the
        // processor's cache, then the marks read in rank order, linear in the book.
        std::vector<std::uint64_t> listed((size() + 63) / 64, 0);
        auto known = begin;
        const bool ascending = std::is_sorted(storedOrder.cbegin(), storedOrder.cend());
        for (const qint64 id : storedOrder) {
            if (!ascending)
                known = std::lower_bound(begin, end, id);
            while (known != end && *known < id)
                ++known;
            if (known != end && *known == id) {
                const std::uint32_t rank = rankOf[std::size_t(known - begin)];
                listed[rank / 64] |= std::uint64_t(1) << (rank % 64);
            } else {
                unknown << id;
            }
        }
        arranged = idsRanked(listed);
    }
    arranged.append(unknown);
    return arranged;
}

QVector<qint64> ListOrder::arrange(const std::vector<std::uint64_t> &found,
                                   const QVector<qint64> &over) const
{
    if (over != idsAscending) {
        // Not the ids the order holds, as while a change is on its way: looked up.
        QVector<qint64> storedOrder;
        marked::forEach(found.data(), found.size(),
                        [&](std::size_t at) { storedOrder << over.at(int(at)); });
        return arrange(storedOrder);
    }
    std::vector<std::uint64_t> listed((size() + 63) / 64, 0);
    marked::forEach(found.data(), found.size(), [&](std::size_t at) {
        const std::uint32_t rank = rankOf[at];
        listed[rank / 64] |= std::uint64_t(1) << rank % 64;
    });
    return idsRanked(listed);
}

QVector<qint64> ListOrder::idsRanked(const std::vector<std::uint64_t> &listed) const
{
    const std::size_t count = marked::count(listed.data(), listed.size());
    if (count == size())
        return ids;
    QVector<qint64> arranged(static_cast<int>(count));
    qint64 *out = arranged.data();
    for (std::size_t word = 0; word < listed.size(); ++word)
        out = marked::writeIds(listed[word], ids.constData() + word * 64, out);
    return arranged;
}

void ListOrder::shareIds(const QVector<qint64> &ascending)
{
    if (ascending == idsAscending)
        idsAscending = ascending;
}

void ListOrder::forget(qint64 id)
{
    const auto known = std::lower_bound(idsAscending.cbegin(), idsAscending.cend(), id);
    if (known == idsAscending.cend() || *known != id)
        return;
    const std::size_t position = std::size_t(known - idsAscending.cbegin());
    const std::uint32_t rank = rankOf[position];
    if (rank < firstEmpty)
        --firstEmpty;
    // The one after it is tied with the one before it only if both were tied with it.
    if (rank + 1 < size())
        tiedWithPrevious[rank + 1] = tiedWithPrevious[rank + 1] && tiedWithPrevious[rank];
    ids.erase(ids.begin() + std::ptrdiff_t(rank));
    tiedWithPrevious.erase(tiedWithPrevious.begin() + std::ptrdiff_t(rank));
    idsAscending.remove(int(position));
    rankOf.erase(rankOf.begin() + std::ptrdiff_t(position));
    for (std::uint32_t &later : rankOf)
        later -= later > rank ? 1 : 0;
}

std::size_t ListOrder::rankFor(const Entry &entry, std::size_t leftOut) const
{
    const QString value = textIn(entry, sortedColumn).trimmed();
    const bool ascending = sortedDirection == Qt::AscendingOrder;
    // Before the first entry it sorts before; among equals, by id.
    const auto before = [&](qint64 otherId) {
        const QString theirs = valueOf(otherId).trimmed();
        int byValue = compare(value, theirs);
        if (byValue != 0 && !value.isEmpty() && !theirs.isEmpty() && !ascending)
            byValue = -byValue;
        return byValue != 0 ? byValue < 0 : entry.id < otherId;
    };
    // Ranks counted as if the one left out were not there.
    const auto idAt = [&](std::size_t rank) { return ids[int(rank < leftOut ? rank : rank + 1)]; };
    std::size_t low = 0, high = size() - (leftOut < size() ? 1 : 0);
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (before(idAt(middle)))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

void ListOrder::markTies(std::size_t rank, const QString &value)
{
    const auto tiedWith = [&](std::size_t other) {
        return compare(value, valueOf(ids[int(other)])) == 0;
    };
    tiedWithPrevious[rank] = rank > 0 && tiedWith(rank - 1);
    if (rank + 1 < size())
        tiedWithPrevious[rank + 1] = tiedWith(rank + 1);
}

void ListOrder::place(const Entry &entry)
{
    const auto known = std::lower_bound(idsAscending.cbegin(), idsAscending.cend(), entry.id);
    if (known != idsAscending.cend() && *known == entry.id)
        move(std::size_t(known - idsAscending.cbegin()), entry);
    else
        insert(std::size_t(known - idsAscending.cbegin()), entry);
}

void ListOrder::move(std::size_t position, const Entry &entry)
{
    // A changed entry keeps its place among the ids ascending; only the ranks between its
    // old place and its new one shift by one, which for a typical edit is none or a few.
    const std::size_t from = rankOf[position], to = rankFor(entry, from);
    const QString value = textIn(entry, sortedColumn);
    if (from < firstEmpty)
        --firstEmpty;
    if (!value.trimmed().isEmpty())
        ++firstEmpty;
    if (from != to) {
        // The one after it is tied with the one before it only if both were tied with it.
        if (from + 1 < size())
            tiedWithPrevious[from + 1] = tiedWithPrevious[from + 1] && tiedWithPrevious[from];
        const auto turn = [from, to](auto begin) {
            if (to > from)
                std::rotate(begin + std::ptrdiff_t(from), begin + std::ptrdiff_t(from + 1),
                            begin + std::ptrdiff_t(to + 1));
            else
                std::rotate(begin + std::ptrdiff_t(to), begin + std::ptrdiff_t(from),
                            begin + std::ptrdiff_t(from + 1));
        };
        turn(ids.begin());
        turn(tiedWithPrevious.begin());
        const std::size_t low = std::min(from, to), high = std::max(from, to);
        if (high - low < size() / 64) {
            for (std::size_t rank = low; rank <= high; ++rank) {
                const auto at =
                    std::lower_bound(idsAscending.cbegin(), idsAscending.cend(), ids[int(rank)]);
                rankOf[std::size_t(at - idsAscending.cbegin())] = std::uint32_t(rank);
            }
        } else {
            // Without a branch, so that the pass runs at the speed of memory.
            const std::uint32_t first = std::uint32_t(low), span = std::uint32_t(high - low),
                                shift = to > from ? std::uint32_t(-1) : 1;
            for (std::uint32_t &rank : rankOf)
                rank += std::uint32_t(rank - first <= span) * shift;
            rankOf[position] = std::uint32_t(to);
        }
    }
    markTies(to, value);
}

void ListOrder::insert(std::size_t position, const Entry &entry)
{
    const std::size_t rank = rankFor(entry, size());
    const QString value = textIn(entry, sortedColumn);
    ids.insert(ids.begin() + std::ptrdiff_t(rank), entry.id);
    if (!value.trimmed().isEmpty())
        ++firstEmpty;
    tiedWithPrevious.insert(tiedWithPrevious.begin() + std::ptrdiff_t(rank), 0);
    markTies(rank, value);
    for (std::uint32_t &later : rankOf)
        later += later >= rank ? 1 : 0;
    rankOf.insert(rankOf.begin() + std::ptrdiff_t(position), std::uint32_t(rank));
    idsAscending.insert(int(position), entry.id);
}
