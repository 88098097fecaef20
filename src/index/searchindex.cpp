#include "index/searchindex.h"

#include "index/bytesearch.h"
#include "index/foldedbytepattern.h"

#include "search/folding.h"
#include "search/likepattern.h"
#include "search/marked.h"
#include "search/searchquery.h"

#include <QRandomGenerator>

#include <algorithm>
#include <array>
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

// Half a byte of the number keys: a digit, or one of these.
constexpr char betweenKeys = 0xE, endOfKeys = 0xF;
// Room to spare in the keys: two halves that never stand together in an entry's keys.
constexpr std::uint8_t spareKeys = 0xEE;
// How much room to spare follows an entry that has it.
constexpr std::size_t spareTextBytes = 1024, spareKeyBytes = 256;

// The keys of an entry's phone and mobile, two to a byte, high half first: the digits,
// betweenKeys between the two, endOfKeys at the end (twice, where that leaves half a
// byte). No key can match across them.
std::string packedKeys(const std::string &phone, const std::string &mobile)
{
    std::string halves;
    for (const char digit : phone)
        halves += char(digit - '0');
    halves += betweenKeys;
    for (const char digit : mobile)
        halves += char(digit - '0');
    halves += endOfKeys;
    if (halves.size() % 2 != 0)
        halves += endOfKeys;
    std::string packed(halves.size() / 2, '\0');
    for (std::size_t i = 0; i < packed.size(); ++i)
        packed[i] = char(halves[2 * i] << 4 | halves[2 * i + 1]);
    return packed;
}

// A key as it lies in packed keys: from the high half of a byte, or from the low half,
// the halves before and after it left out of the comparison.
std::array<BytePattern, 2> keyPatterns(const std::string &key)
{
    std::array<BytePattern, 2> patterns;
    for (std::size_t low = 0; low < 2; ++low) {
        BytePattern &pattern = patterns[low];
        const std::size_t halves = low + key.size(), bytes = (halves + 1) / 2;
        pattern.values.assign(bytes, '\0');
        pattern.masks.assign(bytes, '\0');
        for (std::size_t i = 0; i < key.size(); ++i) {
            const std::size_t half = low + i, shift = half % 2 == 0 ? 4 : 0;
            pattern.values[half / 2] = char(pattern.values[half / 2] | (key[i] - '0') << shift);
            pattern.masks[half / 2] = char(pattern.masks[half / 2] | 0xF << shift);
        }
        pattern.other = bytes - 1;
    }
    return patterns;
}

using marked::Bits;

EntryBitmaps::Kinds numberKinds(const std::string &digits)
{
    return EntryBitmaps::numberKinds(digits.data(), digits.size());
}

// Looking into one entry costs about what a scan of this many bytes of the buffer does.
constexpr std::size_t costlyBytes = 1024;

// The second on a thread of its own beside the first, when asked to.
template <typename First, typename Second> void inTwo(First first, Second second, bool parallel)
{
    if (!parallel) {
        first();
        second();
        return;
    }
    std::thread other(second);
    first();
    other.join();
}

// The entry whose bytes hold the place, from an entry at or before it: hits come in
// order, so a few steps forward, or a binary search for a far one.
std::size_t entryHolding(const std::vector<std::uint32_t> &starts, std::size_t from,
                         std::size_t last, std::uint32_t at)
{
    std::size_t entry = from;
    for (int step = 0; step < 8 && starts[entry + 1] <= at; ++step)
        ++entry;
    if (starts[entry + 1] <= at)
        entry = std::size_t(std::upper_bound(starts.begin() + std::ptrdiff_t(entry),
                                             starts.begin() + std::ptrdiff_t(last) + 1, at) -
                            starts.begin()) -
                1;
    return entry;
}

// A word with % at either end finds what it finds without: the search looks for every
// word anywhere in the name or the mail. Only % itself keeps one.
std::string withoutOuterRuns(const std::string &word)
{
    const std::size_t first = word.find_first_not_of('%');
    if (first == std::string::npos)
        return word.empty() ? word : std::string(1, '%');
    return word.substr(first, word.find_last_not_of('%') - first + 1);
}

// The longest run of a word without % or _: its bytes lie whole in every text it matches.
std::string longestPlainRun(const std::string &word)
{
    std::string longest;
    std::size_t from = 0;
    while (from <= word.size()) {
        const std::size_t end = std::min(word.find_first_of("%_", from), word.size());
        if (end - from > longest.size())
            longest = word.substr(from, end - from);
        from = end + 1;
    }
    return longest;
}

} // namespace

// A word of the search: matched as folded bytes when it is a plain text, through the
// pattern when it holds % or _.
struct SearchIndex::Word {
    std::string literal;
    bool pattern = false;
    // What every text it matches holds: the word, or the longest run of a pattern
    // without % or _ (empty when it has none).
    std::string scanned;
    // Those bytes, their rarest two in the texts compared first.
    BytePattern bytes;
    // A pattern is matched on the bytes as they lie when it is short enough, else by
    // decoding them.
    std::optional<FoldedBytePattern> onBytes;
    std::optional<FoldedLikePattern> decoding;
    const char *findIn(const char *from, const char *end) const
    {
        return findBytes(from, end, bytes);
    }
};

struct SearchIndex::Query {
    std::vector<Word> words;
    // The key of the numbers, when the text reads as one, and how it lies in the packed
    // keys from either half of a byte.
    std::string key;
    std::array<BytePattern, 2> keyAt;
    // What an entry's texts, and its numbers, must hold for the words and the key.
    EntryBitmaps::Kinds textKinds = 0, numberKinds = 0;
    // Every word is one letter or digit, or the key one digit: the bitmaps are the answer.
    bool textByBitmaps = false, numberByBitmaps = false;
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
           nulls.capacity() + kinds.bytes();
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
    kinds.releaseSpare();
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
    const std::string phone = keyOf(entry.telefon), mobile = keyOf(entry.cep);
    const std::string keys = packedKeys(phone, mobile);
    const std::uint8_t nullFlags = (entry.adsoyad.isNull() ? 1 : 0) | (entry.mail.isNull() ? 2 : 0);
    // Every so many entries one is followed by room to spare, so that an entry that grows
    // moves only the bytes up to the next room, not the rest of the buffer.
    const bool spared = !replace && at == std::size_t(ids.size()) && (at + 1) % sparedEvery == 0;
    for (const char byte : text)
        ++byteCounts[std::uint8_t(byte)];
    splice(texts, textStart, Spare{std::uint8_t(ending), spareTextBytes, true}, at, replace, text,
           spared);
    splice(numbers, numberStart, Spare{spareKeys, spareKeyBytes, false}, at, replace, keys, spared);
    const EntryBitmaps::Kinds held =
        EntryBitmaps::textKinds(text.data(), text.size()) | numberKinds(phone + mobile);
    if (replace)
        kinds.replace(at, held);
    else
        kinds.insert(at, held);
    if (replace) {
        nulls[at] = nullFlags;
        entryDigests[at] = digestOf(entry);
    } else {
        ids.insert(int(at), entry.id);
        nulls.insert(nulls.begin() + std::ptrdiff_t(at), nullFlags);
        entryDigests.insert(entryDigests.begin() + std::ptrdiff_t(at), digestOf(entry));
    }
}

std::size_t SearchIndex::spareAfter(const std::string &buffer, const Positions &starts, Spare spare,
                                    std::size_t entry)
{
    // Room to spare is a run of the spare byte at the end of an entry's bytes; where the
    // entry's own ending is that byte, it is not room.
    std::size_t end = starts[entry + 1], begin = starts[entry], run = 0;
    while (end > begin + run && std::uint8_t(buffer[end - run - 1]) == spare.byte)
        ++run;
    return spare.endsEntries && run > 0 ? run - 1 : run;
}

void SearchIndex::splice(std::string &buffer, Positions &starts, Spare spare, std::size_t at,
                         bool replace, const std::string &part, bool spared)
{
    const std::size_t begin = starts[at], held = replace ? starts[at + 1] - begin : 0;
    if (replace && part.size() <= held) {
        // Shorter or the same: written over, the rest room to spare.
        std::copy(part.begin(), part.end(), buffer.begin() + std::ptrdiff_t(begin));
        std::fill_n(buffer.begin() + std::ptrdiff_t(begin + part.size()), held - part.size(),
                    char(spare.byte));
        return;
    }
    if (replace) {
        // Longer: the bytes up to the next entry with room enough move along into it.
        const std::size_t grows = part.size() - held, last = starts.size() - 1;
        for (std::size_t next = at + 1; next < last && next <= at + 4 * sparedEvery; ++next)
            if (spareAfter(buffer, starts, spare, next) >= grows) {
                const std::size_t from = starts[at + 1], to = starts[next + 1] - grows;
                std::memmove(&buffer[from + grows], &buffer[from], to - from);
                std::copy(part.begin(), part.end(), buffer.begin() + std::ptrdiff_t(begin));
                for (std::size_t i = at + 1; i <= next; ++i)
                    starts[i] += std::uint32_t(grows);
                return;
            }
    }
    // No room near: the rest of the buffer moves, and the entry gets room of its own.
    const std::string written =
        replace || spared ? part + std::string(spare.bytes, char(spare.byte)) : part;
    buffer.replace(begin, held, written);
    const auto shift = std::int64_t(written.size()) - std::int64_t(held);
    if (!replace)
        starts.insert(starts.begin() + std::ptrdiff_t(at) + 1, std::uint32_t(begin));
    for (std::size_t i = at + 1; i < starts.size(); ++i)
        starts[i] = std::uint32_t(std::int64_t(starts[i]) + shift);
}

void SearchIndex::place(const Entry &entry)
{
    const auto at = std::lower_bound(ids.cbegin(), ids.cend(), entry.id);
    write(std::size_t(at - ids.cbegin()), entry, at != ids.cend() && *at == entry.id);
}

bool SearchIndex::holds(const Entry &entry) const
{
    const auto at = std::lower_bound(ids.cbegin(), ids.cend(), entry.id);
    return at != ids.cend() && *at == entry.id &&
           entryDigests[std::size_t(at - ids.cbegin())] == digestOf(entry);
}

bool SearchIndex::holds(qint64 id) const
{
    return std::binary_search(ids.cbegin(), ids.cend(), id);
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
    kinds.erase(entry);
    nulls.erase(nulls.begin() + std::ptrdiff_t(entry));
    entryDigests.erase(entryDigests.begin() + std::ptrdiff_t(entry));
}

void SearchIndex::apply(const QVector<Entry> &present, const QVector<qint64> &gone)
{
    *this = mergedWith(present, gone);
}

SearchIndex SearchIndex::mergedWith(const QVector<Entry> &present,
                                    const QVector<qint64> &gone) const
{
    SearchIndex merged(parallelFrom, sparedEvery);
    merged.byteCounts = byteCounts;
    merged.ids.reserve(ids.size() + present.size());
    merged.texts.reserve(texts.size());
    merged.numbers.reserve(numbers.size());
    // What did not change is copied a run of neighbours at a time.
    std::size_t runFirst = 0;
    const auto keepRunTo = [&](std::size_t end) {
        if (runFirst < end)
            merged.appendRun(*this, runFirst, end);
    };
    auto deleted = gone.cbegin();
    const auto isGone = [&](qint64 id) {
        while (deleted != gone.cend() && *deleted < id)
            ++deleted;
        return deleted != gone.cend() && *deleted == id;
    };
    const std::size_t count = std::size_t(ids.size());
    std::size_t entry = 0;
    const auto passTo = [&](qint64 id) {
        for (; entry < count && ids.at(int(entry)) < id; ++entry)
            if (isGone(ids.at(int(entry)))) {
                keepRunTo(entry);
                runFirst = entry + 1;
            }
    };
    for (const Entry &changed : present) {
        passTo(changed.id);
        keepRunTo(entry);
        if (entry < count && ids.at(int(entry)) == changed.id)
            ++entry;
        runFirst = entry;
        merged.append(changed);
    }
    passTo(std::numeric_limits<qint64>::max());
    keepRunTo(count);
    merged.releaseSpare();
    return merged;
}

void SearchIndex::appendRun(const SearchIndex &from, std::size_t first, std::size_t last)
{
    const auto copy = [first, last](std::string &buffer, Positions &starts,
                                    const std::string &source, const Positions &sourceStarts) {
        const std::uint32_t begin = sourceStarts[first];
        const auto shift = std::int64_t(buffer.size()) - std::int64_t(begin);
        buffer.append(source, begin, sourceStarts[last] - begin);
        for (std::size_t i = first + 1; i <= last; ++i)
            starts.push_back(std::uint32_t(std::int64_t(sourceStarts[i]) + shift));
    };
    copy(texts, textStart, from.texts, from.textStart);
    copy(numbers, numberStart, from.numbers, from.numberStart);
    const int held = ids.size(), added = int(last - first);
    ids.resize(held + added);
    std::copy_n(from.ids.constData() + first, added, ids.data() + held);
    nulls.insert(nulls.end(), from.nulls.begin() + std::ptrdiff_t(first),
                 from.nulls.begin() + std::ptrdiff_t(last));
    entryDigests.insert(entryDigests.end(), from.entryDigests.begin() + std::ptrdiff_t(first),
                        from.entryDigests.begin() + std::ptrdiff_t(last));
    kinds.appendRun(from.kinds, first, last);
}

bool SearchIndex::holds(std::size_t entry, const Word &word) const
{
    const char *begin = texts.data() + textStart[entry];
    // Its own ending, before any room to spare.
    const char *middle = static_cast<const char *>(
        std::memchr(begin, between, textStart[entry + 1] - textStart[entry]));
    const char *end = static_cast<const char *>(
        std::memchr(middle, ending, std::size_t(texts.data() + textStart[entry + 1] - middle)));
    // A plain word is its run; a pattern is matched only where its run lies.
    if (!word.scanned.empty() && word.findIn(begin, end) == nullptr)
        return false;
    if (!word.pattern)
        return true;
    const auto matches = [&word](const char *from, const char *to) {
        return word.onBytes ? word.onBytes->matches(from, to)
                            : word.decoding->matches(from, int(to - from));
    };
    return (!(nulls[entry] & 1) && matches(begin, middle)) ||
           (!(nulls[entry] & 2) && matches(middle + 1, end));
}

void SearchIndex::keepEntriesWithWords(const Query &query, std::size_t firstWord,
                                       std::size_t lastWord, Bits *found) const
{
    kinds.holdingAll(query.textKinds, firstWord, lastWord, found);
    if (query.textByBitmaps)
        return;
    const std::size_t words = lastWord - firstWord, first = firstWord * 64,
                      last = std::min(lastWord * 64, std::size_t(ids.size()));
    // The longest run of bytes leads: it is found by scanning the buffer at once, and the
    // words are looked for only in the entries it is found in. A pattern's single letter
    // would pass nearly every entry on to the pattern: the letter's bitmap does as well.
    const Word *lead = nullptr;
    for (const Word &word : query.words)
        if (word.scanned.size() > (word.pattern ? 1 : 0) &&
            (!lead || word.scanned.size() > lead->scanned.size()))
            lead = &word;
    // A pattern is matched whole even where its run was found.
    const auto holdsAll = [&](std::size_t entry, const Word *known) {
        for (const Word &word : query.words)
            if ((&word != known || word.pattern) && !holds(entry, word))
                return false;
        return true;
    };
    // Entries that hold every letter are looked into one by one when they are few against
    // the bytes a scan reads.
    const std::size_t bytes = textStart[last] - textStart[first];
    if (!lead || marked::count(found, words) <= bytes / costlyBytes) {
        marked::forEach(found, words, [&](std::size_t bit) {
            if (!holdsAll(first + bit, nullptr))
                found[bit / 64] &= ~(Bits(1) << bit % 64);
        });
        return;
    }
    const std::vector<Bits> candidates(found, found + words);
    std::fill(found, found + words, 0);
    const char *const start = texts.data();
    const char *const end = start + textStart[last];
    std::size_t entry = first;
    for (const char *hit = lead->findIn(start + textStart[first], end); hit;) {
        entry = entryHolding(textStart, entry, last, std::uint32_t(hit - start));
        const std::size_t bit = entry - first;
        if ((candidates[bit / 64] >> bit % 64 & 1) && holdsAll(entry, lead))
            found[bit / 64] |= Bits(1) << bit % 64;
        hit = lead->findIn(start + textStart[entry + 1], end);
    }
}

void SearchIndex::addEntriesWithNumber(const Query &query, std::size_t firstWord,
                                       std::size_t lastWord, Bits *found) const
{
    const std::size_t words = lastWord - firstWord, first = firstWord * 64,
                      last = std::min(lastWord * 64, std::size_t(ids.size()));
    std::vector<Bits> numbered(words);
    kinds.holdingAll(query.numberKinds, firstWord, lastWord, numbered.data());
    const char *const start = numbers.data();
    // A key of one digit is its bitmap; a longer one is looked for in the entries that hold
    // its digits when they are few, else found by a scan of the keys, from either half of
    // a byte.
    const bool few = marked::count(numbered.data(), words) <=
                     (numberStart[last] - numberStart[first]) / costlyBytes;
    if (!query.numberByBitmaps && few) {
        marked::forEach(numbered.data(), words, [&](std::size_t bit) {
            const char *from = start + numberStart[first + bit],
                       *end = start + numberStart[first + bit + 1];
            if (!findBytes(from, end, query.keyAt[0]) && !findBytes(from, end, query.keyAt[1]))
                numbered[bit / 64] &= ~(Bits(1) << bit % 64);
        });
    } else if (!query.numberByBitmaps) {
        numbered.assign(words, 0);
        const char *const end = start + numberStart[last];
        for (const BytePattern &key : query.keyAt) {
            std::size_t entry = first;
            for (const char *hit = findBytes(start + numberStart[first], end, key); hit;) {
                entry = entryHolding(numberStart, entry, last, std::uint32_t(hit - start));
                numbered[(entry - first) / 64] |= Bits(1) << (entry - first) % 64;
                hit = findBytes(start + numberStart[entry + 1], end, key);
            }
        }
    }
    for (std::size_t i = 0; i < words; ++i)
        found[i] |= numbered[i];
}

void SearchIndex::searchRange(const Query &query, std::size_t firstWord, std::size_t lastWord,
                              Bits *found) const
{
    // A book too small to be halved has a second half of nothing.
    if (firstWord == lastWord)
        return;
    keepEntriesWithWords(query, firstWord, lastWord, found);
    if (!query.key.empty())
        addEntriesWithNumber(query, firstWord, lastWord, found);
}

std::size_t SearchIndex::halfWords() const
{
    const std::size_t words = (std::size_t(ids.size()) + 63) / 64;
    return std::size_t(ids.size()) >= parallelFrom ? words / 2 : words;
}

SearchIndex::Found SearchIndex::find(const QString &typedText) const
{
    const std::size_t count = std::size_t(ids.size()), words = (count + 63) / 64,
                      split = halfWords();
    Found found;
    found.bits.resize(words);
    // What the store is handed of the text.
    const QString text = withoutLoneSurrogates(typedText);
    const QStringList typed = searchWords(text);
    if (typed.isEmpty()) {
        kinds.holdingAll(0, 0, words, found.bits.data());
        found.count = count;
        return found;
    }
    Query query;
    query.textByBitmaps = true;
    for (const QString &word : typed) {
        Word compiled;
        compiled.literal = withoutOuterRuns(folded(word));
        compiled.scanned = longestPlainRun(compiled.literal);
        // A word folded to nothing is matched as % is: by any name or mail there is.
        if (compiled.scanned.size() < compiled.literal.size() || compiled.scanned.empty()) {
            compiled.pattern = true;
            compiled.onBytes = FoldedBytePattern::of(compiled.literal);
            if (!compiled.onBytes) {
                const std::string pattern = '%' + compiled.literal + '%';
                compiled.decoding.emplace(pattern.data(), int(pattern.size()));
            }
        }
        const std::string &scanned = compiled.scanned;
        const auto countOf = [&](std::size_t i) { return byteCounts[std::uint8_t(scanned[i])]; };
        std::size_t rare = 0;
        for (std::size_t i = 1; i < scanned.size(); ++i)
            if (countOf(i) < countOf(rare))
                rare = i;
        std::size_t second = rare == 0 ? std::max<std::size_t>(scanned.size(), 1) - 1 : 0;
        for (std::size_t i = 0; i < scanned.size(); ++i)
            if (i != rare && countOf(i) < countOf(second))
                second = i;
        if (!scanned.empty())
            compiled.bytes = BytePattern::whole(scanned, rare, second);
        // Every letter and digit of a word, a pattern's too, is in the text it matches.
        query.textKinds |=
            EntryBitmaps::textKinds(compiled.literal.data(), compiled.literal.size());
        query.textByBitmaps = query.textByBitmaps && !compiled.pattern &&
                              compiled.literal.size() == 1 &&
                              EntryBitmaps::textHasKind(compiled.literal[0]);
        query.words.push_back(std::move(compiled));
    }
    if (looksLikePhoneNumber(text)) {
        query.key = keyOf(text);
        query.keyAt = keyPatterns(query.key);
        query.numberKinds = numberKinds(query.key);
        query.numberByBitmaps = query.key.size() == 1;
    }
    // A large book is searched in two halves at once, one on a thread of its own.
    Bits *const bits = found.bits.data();
    inTwo([&] { searchRange(query, 0, split, bits); },
          [&] { searchRange(query, split, words, bits + split); }, split < words);
    found.count = marked::count(bits, words);
    return found;
}

QVector<qint64> SearchIndex::search(const QString &text) const
{
    const Found found = find(text);
    if (found.count == std::size_t(ids.size()))
        return allIds();
    // The ids of the two halves are written at once too.
    const std::size_t words = found.bits.size(), split = halfWords(),
                      inFirst = marked::count(found.bits.data(), split);
    QVector<qint64> result(static_cast<int>(found.count));
    qint64 *const out = result.data();
    const auto write = [&](std::size_t firstWord, std::size_t lastWord, qint64 *to) {
        for (std::size_t word = firstWord; word < lastWord; ++word)
            to = marked::writeIds(found.bits[word], ids.constData() + word * 64, to);
    };
    inTwo([&] { write(0, split, out); }, [&] { write(split, words, out + inFirst); },
          split < words);
    return result;
}
