// The in-memory search index against the search functions of the store, entry by entry,
// before and after entries are taken out and put back in their places, and after another
// program's changes are merged in.
// Input: the search text, then the entries' name, phone, mobile and mail, each part ended
// by a zero byte; a part that is "\x01" alone is NULL.
#include "index/searchindex.h"
#include "search/searchquery.h"

#include <QString>
#include <QVector>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> parts(const std::uint8_t *data, std::size_t size)
{
    std::vector<std::string> split(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            split.emplace_back();
        else
            split.back() += char(data[i]);
    }
    return split;
}

QString textOf(const std::string &part)
{
    return part == "\x01" ? QString() : QString::fromUtf8(part.data(), int(part.size()));
}

StoredText stored(const QString &text, const QByteArray &utf8)
{
    return text.isNull() ? StoredText{} : StoredText{utf8.constData(), utf8.size()};
}

bool found(const SearchQuery &query, const Entry &entry)
{
    const QByteArray name = entry.adsoyad.toUtf8(), phone = entry.telefon.toUtf8(),
                     mobile = entry.cep.toUtf8(), mail = entry.mail.toUtf8();
    return query.matches(stored(entry.adsoyad, name), stored(entry.mail, mail),
                         stored(entry.telefon, phone), stored(entry.cep, mobile));
}

void compare(const SearchIndex &index, const QVector<Entry> &held, const QString &search)
{
    const SearchQuery query(search);
    QVector<qint64> expected;
    for (const Entry &entry : held)
        if (found(query, entry))
            expected << entry.id;
    if (index.search(search) != expected) {
        std::fprintf(stderr, "the index found other entries than expected\n");
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::string> input = parts(data, size);
    // What the store is handed of the text.
    const QString search = withoutLoneSurrogates(textOf(input[0]));
    QVector<Entry> held;
    // Searched in two halves, as a large book is, and written in bitmaps of 64.
    SearchIndex index(2);
    for (std::size_t i = 1; i + 3 < input.size(); i += 4) {
        Entry entry{qint64(i), withoutLoneSurrogates(textOf(input[i])),
                    withoutLoneSurrogates(textOf(input[i + 1])),
                    withoutLoneSurrogates(textOf(input[i + 2])),
                    withoutLoneSurrogates(textOf(input[i + 3]))};
        index.append(entry);
        held << entry;
    }
    compare(index, held, search);
    // Every other entry out, then back in its place.
    for (int i = 0; i < held.size(); i += 2)
        index.forget(held.at(i).id);
    QVector<Entry> left;
    for (int i = 1; i < held.size(); i += 2)
        left << held.at(i);
    compare(index, left, search);
    for (int i = 0; i < held.size(); i += 2)
        index.place(held.at(i));
    compare(index, held, search);
    // Another program's changes merged at once: every third entry with its name and mail
    // swapped, every fourth gone, one added.
    QVector<Entry> present, after;
    QVector<qint64> gone;
    for (int i = 0; i < held.size(); ++i) {
        Entry entry = held.at(i);
        if (i % 4 == 1) {
            gone << entry.id;
            continue;
        }
        if (i % 3 == 0) {
            std::swap(entry.adsoyad, entry.mail);
            present << entry;
        }
        after << entry;
    }
    if (!held.isEmpty()) {
        present << Entry{held.last().id + 1, held.first().mail, held.first().cep,
                         held.first().telefon, held.first().adsoyad};
        after << present.last();
    }
    index.apply(present, gone);
    compare(index, after, search);
    return 0;
}
