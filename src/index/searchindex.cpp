#include "index/searchindex.h"

#include "search/folding.h"
#include "search/likepattern.h"
#include "search/searchquery.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <thread>

namespace
{

constexpr char between = '\xFE';
constexpr char ending = '\xFF';

// Folded for the search, and then once more made to stand for itself: a letter above the
// Latin range may fold to one below it that folds again (the Angstrom sign to "å", which
// folds to "a"), while the search folds a text once. Such a result is written as a private
// code point, which folds to itself, so that matching the folded text, even through a
// pattern that folds it again, finds what the search finds.
std::string folded(const QString &text)
{
    QVector<uint> codePoints = text.toUcs4();
    for (uint &c : codePoints) {
        c = foldForSearch(char32_t(c));
        if (foldForSearch(char32_t(c)) != c)
            c += 0xF0000;
    }
    const QByteArray utf8 = QString::fromUcs4(codePoints.constData(), codePoints.size()).toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
}

std::string keyOf(const QString &number)
{
    const QByteArray key = phoneNumberKey(number);
    return std::string(key.constData(), std::size_t(key.size()));
}

const char *find(const char *from, const char *end, const std::string &needle)
{
    if (needle.empty() || from >= end)
        return nullptr;
    return static_cast<const char *>(
        memmem(from, std::size_t(end - from), needle.data(), needle.size()));
}

// Found from the word's rarest byte: memchr runs over the buffer at the speed of memory
// and stops only where that byte is, most often nowhere near a word.
const char *findByRareByte(const char *from, const char *end, const std::string &needle,
                           std::size_t rare)
{
    const std::size_t length = needle.size();
    for (const char *at = from + rare; at < end;) {
        at = static_cast<const char *>(std::memchr(at, needle[rare], std::size_t(end - at)));
        if (!at)
            return nullptr;
        const char *start = at - rare;
        if (std::size_t(end - start) >= length && std::memcmp(start, needle.data(), length) == 0)
            return start;
        ++at;
    }
    return nullptr;
}

} // namespace

// A word of the search: matched as folded bytes when it is a plain text, through the
// pattern when it holds % or _.
struct SearchIndex::Word {
    std::string literal;
    std::optional<FoldedLikePattern> pattern;
    // Where its rarest byte is in the texts.
    std::size_t rare = 0;
};

void SearchIndex::append(const Entry &entry)
{
    write(std::size_t(ids.size()), entry, false);
}

std::size_t SearchIndex::bytes() const
{
    return std::size_t(ids.capacity()) * sizeof(qint64) + texts.capacity() + numbers.capacity() +
           (textStart.capacity() + numberStart.capacity() + entryDigests.capacity()) *
               sizeof(std::uint32_t) +
           nulls.capacity();
}

void SearchIndex::releaseSpare()
{
    ids.squeeze();
    texts.shrink_to_fit();
    numbers.shrink_to_fit();
    textStart.shrink_to_fit();
    numberStart.shrink_to_fit();
    nulls.shrink_to_fit();
    entryDigests.shrink_to_fit();
}

std::uint32_t SearchIndex::digestOf(const Entry &entry)
{
    static const uint seed = uint(QRandomGenerator::system()->generate());
    uint digest = seed;
    for (const QString *value : {&entry.adsoyad, &entry.telefon, &entry.cep, &entry.mail})
        // A NULL and an empty text differ to the search.
        digest = qHash(*value, digest * 31 + (value->isNull() ? 1 : 2));
    return digest;
}

void SearchIndex::write(std::size_t at, const Entry &entry, bool replace)
{
    const std::string text = folded(entry.adsoyad) + between + folded(entry.mail) + ending;
    const std::string keys = keyOf(entry.telefon) + between + keyOf(entry.cep) + ending;
    const std::uint8_t nullFlags = (entry.adsoyad.isNull() ? 1 : 0) | (entry.mail.isNull() ? 2 : 0);
    const auto splice = [at, replace](std::string &buffer, Positions &starts,
                                      const std::string &part) {
        const std::size_t begin = starts[at];
        const std::size_t old = replace ? starts[at + 1] - begin : 0;
        buffer.replace(begin, old, part);
        const auto shift = std::int64_t(part.size()) - std::int64_t(old);
        if (!replace)
            starts.insert(starts.begin() + std::ptrdiff_t(at) + 1, std::uint32_t(begin));
        for (std::size_t i = at + 1; i < starts.size(); ++i)
            starts[i] = std::uint32_t(std::int64_t(starts[i]) + shift);
    };
    for (const char byte : text)
        ++byteCounts[std::uint8_t(byte)];
    splice(texts, textStart, text);
    splice(numbers, numberStart, keys);
    if (replace) {
        nulls[at] = nullFlags;
        entryDigests[at] = digestOf(entry);
    } else {
        ids.insert(int(at), entry.id);
        nulls.insert(nulls.begin() + std::ptrdiff_t(at), nullFlags);
        entryDigests.insert(entryDigests.begin() + std::ptrdiff_t(at), digestOf(entry));
    }
}

void SearchIndex::place(const Entry &entry)
{
    const auto at = std::lower_bound(ids.cbegin(), ids.cend(), entry.id);
    write(std::size_t(at - ids.cbegin()), entry, at != ids.cend() && *at == entry.id);
}

void SearchIndex::forget(qint64 id)
{
    const auto at = std::lower_bound(ids.cbegin(), ids.cend(), id);
    if (at == ids.cend() || *at != id)
        return;
    const std::size_t entry = std::size_t(at - ids.cbegin());
    const auto cut = [entry](std::string &buffer, Positions &starts) {
        const std::uint32_t begin = starts[entry], length = starts[entry + 1] - begin;
        buffer.erase(begin, length);
        starts.erase(starts.begin() + std::ptrdiff_t(entry) + 1);
        for (std::size_t i = entry + 1; i < starts.size(); ++i)
            starts[i] -= length;
    };
    cut(texts, textStart);
    cut(numbers, numberStart);
    ids.remove(int(entry));
    nulls.erase(nulls.begin() + std::ptrdiff_t(entry));
    entryDigests.erase(entryDigests.begin() + std::ptrdiff_t(entry));
}

void SearchIndex::apply(const QVector<Entry> &present, const QVector<qint64> &gone)
{
    SearchIndex merged(parallelFrom);
    merged.byteCounts = byteCounts;
    merged.ids.reserve(ids.size() + present.size());
    merged.texts.reserve(texts.size());
    merged.numbers.reserve(numbers.size());
    const auto keep = [&](std::size_t entry) {
        merged.ids.append(ids.at(int(entry)));
        merged.nulls.push_back(nulls[entry]);
        merged.entryDigests.push_back(entryDigests[entry]);
        merged.texts.append(texts, textStart[entry], textStart[entry + 1] - textStart[entry]);
        merged.textStart.push_back(std::uint32_t(merged.texts.size()));
        merged.numbers.append(numbers, numberStart[entry],
                              numberStart[entry + 1] - numberStart[entry]);
        merged.numberStart.push_back(std::uint32_t(merged.numbers.size()));
    };
    auto deleted = gone.cbegin();
    const auto isGone = [&](qint64 id) {
        while (deleted != gone.cend() && *deleted < id)
            ++deleted;
        return deleted != gone.cend() && *deleted == id;
    };
    const std::size_t count = std::size_t(ids.size());
    std::size_t entry = 0;
    for (const Entry &changed : present) {
        for (; entry < count && ids.at(int(entry)) <= changed.id; ++entry)
            if (ids.at(int(entry)) != changed.id && !isGone(ids.at(int(entry))))
                keep(entry);
        merged.append(changed);
    }
    for (; entry < count; ++entry)
        if (!isGone(ids.at(int(entry))))
            keep(entry);
    merged.releaseSpare();
    *this = std::move(merged);
}

bool SearchIndex::holds(std::size_t entry, const Word &word) const
{
    const char *begin = texts.data() + textStart[entry];
    const char *end = texts.data() + textStart[entry + 1] - 1;
    const char *middle = static_cast<const char *>(std::memchr(begin, between, end - begin));
    if (!word.pattern)
        return find(begin, end, word.literal) != nullptr;
    return (!(nulls[entry] & 1) && word.pattern->matches(begin, int(middle - begin))) ||
           (!(nulls[entry] & 2) && word.pattern->matches(middle + 1, int(end - middle - 1)));
}

SearchIndex::Positions SearchIndex::entriesWithWords(const std::vector<Word> &words,
                                                     std::size_t first, std::size_t last) const
{
    // The longest plain word leads: it is found by scanning the buffer at once, and the
    // other words are looked for only in the entries it is found in.
    const Word *lead = nullptr;
    for (const Word &word : words)
        if (!word.pattern && (!lead || word.literal.size() > lead->literal.size()))
            lead = &word;
    const auto holdsTheRest = [&](std::size_t entry) {
        for (const Word &word : words)
            if (&word != lead && !holds(entry, word))
                return false;
        return true;
    };
    Positions found;
    if (!lead) {
        for (std::size_t entry = first; entry < last; ++entry)
            if (holdsTheRest(entry))
                found.push_back(std::uint32_t(entry));
        return found;
    }
    const char *const start = texts.data();
    const char *const end = start + textStart[last];
    std::size_t entry = first;
    for (const char *hit = findByRareByte(start + textStart[first], end, lead->literal, lead->rare);
         hit;) {
        const auto at = std::uint32_t(hit - start);
        // Hits come in order: a few steps forward, or a binary search for a far one.
        for (int step = 0; step < 8 && textStart[entry + 1] <= at; ++step)
            ++entry;
        if (textStart[entry + 1] <= at)
            entry = std::size_t(std::upper_bound(textStart.begin() + std::ptrdiff_t(entry),
                                                 textStart.begin() + std::ptrdiff_t(last) + 1, at) -
                                textStart.begin()) -
                    1;
        if (holdsTheRest(entry))
            found.push_back(std::uint32_t(entry));
        hit = findByRareByte(start + textStart[entry + 1], end, lead->literal, lead->rare);
    }
    return found;
}

SearchIndex::Positions SearchIndex::entriesWithNumber(const std::string &key, std::size_t first,
                                                      std::size_t last) const
{
    Positions found;
    const char *const start = numbers.data();
    const char *const end = start + numberStart[last];
    std::size_t entry = first;
    for (const char *hit = find(start + numberStart[first], end, key); hit;) {
        const auto at = std::uint32_t(hit - start);
        entry = std::size_t(std::upper_bound(numberStart.begin() + std::ptrdiff_t(entry),
                                             numberStart.begin() + std::ptrdiff_t(last) + 1, at) -
                            numberStart.begin()) -
                1;
        found.push_back(std::uint32_t(entry));
        hit = find(start + numberStart[entry + 1], end, key);
    }
    return found;
}

SearchIndex::Positions SearchIndex::entriesFound(const std::vector<Word> &words,
                                                 const std::string &key, std::size_t first,
                                                 std::size_t last) const
{
    Positions found = entriesWithWords(words, first, last);
    if (key.empty())
        return found;
    const Positions numbered = entriesWithNumber(key, first, last);
    Positions both;
    both.reserve(found.size() + numbered.size());
    std::set_union(found.begin(), found.end(), numbered.begin(), numbered.end(),
                   std::back_inserter(both));
    return both;
}

QVector<qint64> SearchIndex::search(const QString &typedText) const
{
    // What the store is handed of the text.
    const QString text = withoutLoneSurrogates(typedText);
    const QStringList typed = searchWords(text);
    if (typed.isEmpty())
        return allIds();
    std::vector<Word> words;
    for (const QString &word : typed) {
        Word compiled;
        compiled.literal = folded(word);
        for (std::size_t i = 1; i < compiled.literal.size(); ++i)
            if (byteCounts[std::uint8_t(compiled.literal[i])] <
                byteCounts[std::uint8_t(compiled.literal[compiled.rare])])
                compiled.rare = i;
        if (word.contains(QLatin1Char('%')) || word.contains(QLatin1Char('_'))) {
            const std::string pattern = '%' + compiled.literal + '%';
            compiled.pattern.emplace(pattern.data(), int(pattern.size()));
        }
        words.push_back(std::move(compiled));
    }
    const std::string key = looksLikePhoneNumber(text) ? keyOf(text) : std::string();
    // A large book is searched in two halves at once, one on a thread of its own.
    const std::size_t count = std::size_t(ids.size()),
                      half = count >= parallelFrom ? count / 2 : count;
    Positions secondHalf;
    std::thread second;
    if (half < count)
        second = std::thread([&] { secondHalf = entriesFound(words, key, half, count); });
    Positions found = entriesFound(words, key, 0, half);
    if (second.joinable()) {
        second.join();
        found.insert(found.end(), secondHalf.begin(), secondHalf.end());
    }
    QVector<qint64> result;
    result.reserve(int(found.size()));
    for (const std::uint32_t entry : found)
        result << ids.at(int(entry));
    return result;
}
