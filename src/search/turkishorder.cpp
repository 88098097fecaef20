#include "search/turkishorder.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>
#include <vector>

QVector<Entry> inTurkishOrder(QVector<Entry> entries)
{
    QCollator collator(QLocale(QLocale::Turkish, QLocale::Turkey));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(entries.size()));
    for (const Entry &entry : entries)
        keys.push_back(collator.sortKey(entry.adsoyad.trimmed()));
    std::vector<int> order(size_t(entries.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
        return keys[size_t(a)].compare(keys[size_t(b)]) < 0;
    });
    QVector<Entry> sorted;
    sorted.reserve(entries.size());
    for (const int i : order)
        sorted << entries.at(i);
    return sorted;
}
