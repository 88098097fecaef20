#include "list/listorder.h"

#include "search/folding.h"

#include <QLocale>

#include <algorithm>

ListOrder::ListOrder(EntryColumn column, Qt::SortOrder direction)
    : sortedColumn(column), sortedDirection(direction),
      collator(QLocale(QLocale::Turkish, QLocale::Turkey))
{
    collator.setCaseSensitivity(Qt::CaseInsensitive);
}

ListOrder::Item ListOrder::itemOf(qint64 id, const QString &value) const
{
    Item item;
    item.id = id;
    const QString trimmed = value.trimmed();
    item.empty = trimmed.isEmpty();
    if (item.empty)
        return item;
    if (sortedColumn == EntryColumn::Phone || sortedColumn == EntryColumn::Mobile)
        item.digits = phoneNumberKey(trimmed);
    else
        item.text = collator.sortKey(trimmed);
    return item;
}

bool ListOrder::before(const Item &a, const Item &b) const
{
    if (a.empty != b.empty)
        return b.empty;
    int order = 0;
    if (a.text && b.text)
        order = a.text->compare(*b.text);
    else
        order = a.digits.compare(b.digits);
    if (order != 0)
        return sortedDirection == Qt::AscendingOrder ? order < 0 : order > 0;
    return a.id < b.id;
}

void ListOrder::build(const QVector<QPair<qint64, QString>> &values)
{
    items.clear();
    items.reserve(std::size_t(values.size()));
    for (const auto &[id, value] : values)
        items.push_back(itemOf(id, value));
    std::sort(items.begin(), items.end(),
              [this](const Item &a, const Item &b) { return before(a, b); });
    indexByRank();
}

void ListOrder::reverse()
{
    sortedDirection =
        sortedDirection == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    std::stable_sort(items.begin(), items.end(),
                     [this](const Item &a, const Item &b) { return before(a, b); });
    indexByRank();
}

void ListOrder::indexByRank()
{
    rankById.resize(items.size());
    for (std::size_t rank = 0; rank < items.size(); ++rank)
        rankById[rank] = {items[rank].id, int(rank)};
    std::sort(rankById.begin(), rankById.end());
}

QVector<qint64> ListOrder::arrange(const QVector<qint64> &storedOrder) const
{
    // Marks the rank of every id listed, then reads the marks in rank order: linear in the
    // book, whatever the number of matches.
    std::vector<bool> listed(items.size(), false);
    QVector<qint64> unknown;
    const bool ascending = std::is_sorted(storedOrder.cbegin(), storedOrder.cend());
    auto known = rankById.cbegin();
    for (const qint64 id : storedOrder) {
        if (!ascending || known == rankById.cend() || known->first > id)
            known = std::lower_bound(rankById.cbegin(), rankById.cend(), std::make_pair(id, 0));
        while (known != rankById.cend() && known->first < id)
            ++known;
        if (known != rankById.cend() && known->first == id)
            listed[std::size_t(known->second)] = true;
        else
            unknown << id;
    }
    QVector<qint64> arranged;
    arranged.reserve(storedOrder.size());
    for (std::size_t rank = 0; rank < items.size(); ++rank)
        if (listed[rank])
            arranged << items[rank].id;
    return arranged + unknown;
}

void ListOrder::forget(qint64 id)
{
    items.erase(std::remove_if(items.begin(), items.end(),
                               [id](const Item &item) { return item.id == id; }),
                items.end());
    indexByRank();
}

void ListOrder::place(const Entry &entry)
{
    const QString value = sortedColumn == EntryColumn::Name     ? entry.adsoyad
                          : sortedColumn == EntryColumn::Phone  ? entry.telefon
                          : sortedColumn == EntryColumn::Mobile ? entry.cep
                                                                : entry.mail;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [&entry](const Item &item) { return item.id == entry.id; }),
                items.end());
    Item item = itemOf(entry.id, value);
    const auto at = std::lower_bound(items.begin(), items.end(), item,
                                     [this](const Item &a, const Item &b) { return before(a, b); });
    items.insert(at, std::move(item));
    indexByRank();
}
