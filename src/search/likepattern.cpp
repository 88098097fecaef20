#include "search/likepattern.h"

#include "search/folding.h"

#include <algorithm>
#include <array>
#include <utility>

namespace
{

// Outside Unicode, so no folded character can equal them.
constexpr char32_t anyRun = 0xFFFFFFFF;
constexpr char32_t anyOne = 0xFFFFFFFE;
constexpr char32_t invalid = 0xFFFFFFFD;

// Reads one character at text (never past end), folded. Only well-formed UTF-8 reads
// as a character (Unicode's table of well-formed byte sequences); otherwise the lead
// byte alone reads as invalid, and each byte after it is read on its own.
char32_t decodeFolded(const unsigned char *&text, const unsigned char *end)
{
    const unsigned char lead = *text++;
    if (lead < 0x80)
        return foldForSearch(char32_t(lead));
    int more = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        low = lead == 0xE0 ? 0xA0 : low;   // overlong
        high = lead == 0xED ? 0x9F : high; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        low = lead == 0xF0 ? 0x90 : low;   // overlong
        high = lead == 0xF4 ? 0x8F : high; // above U+10FFFF
    } else {
        return invalid;
    }
    if (end - text < more || text[0] < low || text[0] > high)
        return invalid;
    char32_t c = lead & (0x3F >> more);
    for (int i = 0; i < more; ++i) {
        if ((text[i] & 0xC0) != 0x80)
            return invalid;
        c = (c << 6) | (text[i] & 0x3F);
    }
    text += more;
    return foldForSearch(c);
}

// Folds every character of every name the search scans: ASCII from a table, the rest
// as it comes.
void decodeAll(const unsigned char *text, const unsigned char *end, std::vector<char32_t> &out,
               bool wildcards)
{
    static const std::array<char32_t, 0x80> asciiFolded = [] {
        std::array<char32_t, 0x80> folded{};
        for (char32_t c = 0; c < 0x80; ++c)
            folded[c] = foldForSearch(c);
        return folded;
    }();
    out.resize(std::size_t(end - text));
    char32_t *unit = out.data();
    while (text < end) {
        if (*text >= 0x80)
            *unit++ = decodeFolded(text, end);
        else if (wildcards && (*text == '%' || *text == '_'))
            *unit++ = *text++ == '%' ? anyRun : anyOne;
        else
            *unit++ = asciiFolded[*text++];
    }
    out.resize(std::size_t(unit - out.data()));
}

constexpr std::size_t bitsPerWord = 64;
constexpr std::size_t noMask = std::size_t(-1);

void setBit(std::uint64_t *words, std::size_t bit)
{
    words[bit / bitsPerWord] |= std::uint64_t(1) << (bit % bitsPerWord);
}

bool bitIsSet(const std::uint64_t *words, std::size_t bit)
{
    return (words[bit / bitsPerWord] >> (bit % bitsPerWord)) & 1;
}

} // namespace

void FoldedLikePattern::prepareBitParallel(Segment &segment, const char32_t *core,
                                           std::size_t length)
{
    segment.words = (length + bitsPerWord - 1) / bitsPerWord;
    segment.anyOneMask.assign(segment.words, 0);
    std::vector<std::pair<char32_t, std::size_t>> byLetter;
    for (std::size_t j = 0; j < length; ++j) {
        if (core[j] == anyOne)
            setBit(segment.anyOneMask.data(), j);
        else
            byLetter.emplace_back(core[j], j);
    }
    std::sort(byLetter.begin(), byLetter.end());
    for (std::size_t i = 0; i < byLetter.size(); ++i) {
        if (i == 0 || byLetter[i].first != byLetter[i - 1].first) {
            segment.letters.push_back(byLetter[i].first);
            segment.placesBegin.push_back(i);
        }
        segment.places.push_back(byLetter[i].second);
    }
    segment.placesBegin.push_back(byLetter.size());
    segment.asciiLetter.assign(0x80, segment.letters.size());
    for (std::size_t letter = 0; letter < segment.letters.size(); ++letter)
        if (segment.letters[letter] < segment.asciiLetter.size())
            segment.asciiLetter[segment.letters[letter]] = letter;
    for (std::size_t letter = 0; letter < segment.letters.size(); ++letter) {
        const std::size_t begin = segment.placesBegin[letter],
                          end = segment.placesBegin[letter + 1];
        if (end - begin < segment.words) {
            segment.maskOf.push_back(noMask);
            continue;
        }
        segment.maskOf.push_back(segment.masks.size());
        segment.masks.insert(segment.masks.end(), segment.anyOneMask.begin(),
                             segment.anyOneMask.end());
        for (std::size_t i = begin; i < end; ++i)
            setBit(segment.masks.data() + segment.maskOf.back(), segment.places[i]);
    }
}

FoldedLikePattern::FoldedLikePattern(const char *utf8, int bytes)
{
    const auto *begin = reinterpret_cast<const unsigned char *>(utf8);
    std::vector<char32_t> decoded;
    decodeAll(begin, begin + bytes, decoded, true);

    anchoredStart = decoded.empty() || decoded.front() != anyRun;
    anchoredEnd = decoded.empty() || decoded.back() != anyRun;
    Segment current;
    for (std::size_t i = 0; i <= decoded.size(); ++i) {
        if (i < decoded.size() && decoded[i] != anyRun) {
            units.push_back(decoded[i]);
            continue;
        }
        hasAnyRun = hasAnyRun || i < decoded.size();
        current.end = units.size();
        // Runs of "%" leave empty segments between them, which match anywhere.
        if (current.end > current.begin || segments.empty() || i == decoded.size())
            segments.push_back(current);
        current.begin = units.size();
    }
    unitsNeeded = units.size();

    for (Segment &segment : segments) {
        segment.coreBegin = segment.begin;
        segment.coreEnd = segment.end;
        while (segment.coreBegin < segment.coreEnd && units[segment.coreBegin] == anyOne)
            ++segment.coreBegin;
        while (segment.coreEnd > segment.coreBegin && units[segment.coreEnd - 1] == anyOne)
            --segment.coreEnd;
        const char32_t *core = units.data() + segment.coreBegin;
        const std::size_t length = segment.coreEnd - segment.coreBegin;
        segment.coreHasAnyOne = std::find(core, core + length, anyOne) != core + length;
        if (!segment.coreHasAnyOne) {
            segment.border.assign(length, 0);
            for (std::size_t i = 1, k = 0; i < length; ++i) {
                while (k > 0 && core[i] != core[k])
                    k = segment.border[k - 1];
                k += core[i] == core[k] ? 1 : 0;
                segment.border[i] = k;
            }
            continue;
        }
        prepareBitParallel(segment, core, length);
    }
}

std::size_t FoldedLikePattern::Segment::letterIndex(char32_t c) const
{
    if (c < asciiLetter.size())
        return asciiLetter[c];
    const auto letter = std::lower_bound(letters.begin(), letters.end(), c);
    return letter != letters.end() && *letter == c ? std::size_t(letter - letters.begin())
                                                   : letters.size();
}

bool FoldedLikePattern::matchesAt(const Segment &segment, const char32_t *text) const
{
    for (std::size_t i = segment.begin; i < segment.end; ++i, ++text)
        if (units[i] != anyOne && units[i] != *text)
            return false;
    return true;
}

std::size_t FoldedLikePattern::find(const Segment &segment, const char32_t *text, std::size_t from,
                                    std::size_t limit) const
{
    const std::size_t lead = segment.coreBegin - segment.begin;
    const std::size_t trail = segment.end - segment.coreEnd;
    if (limit - from < segment.length())
        return limit;
    if (segment.coreBegin == segment.coreEnd)
        return from;
    const std::size_t core = segment.coreHasAnyOne
                                 ? findCoreWithAnyOne(segment, text, from + lead, limit - trail)
                                 : findCore(segment, text, from + lead, limit - trail);
    return core == limit - trail ? limit : core - lead;
}

// Knuth, Morris and Pratt: every character of the text is compared a bounded number of
// times on average, however the core repeats itself.
std::size_t FoldedLikePattern::findCore(const Segment &segment, const char32_t *text,
                                        std::size_t from, std::size_t limit) const
{
    const char32_t *core = units.data() + segment.coreBegin;
    const std::size_t length = segment.coreEnd - segment.coreBegin;
    for (std::size_t t = from, k = 0; t < limit; ++t) {
        while (k > 0 && text[t] != core[k])
            k = segment.border[k - 1];
        if (text[t] == core[k] && ++k == length)
            return t + 1 - length;
    }
    return limit;
}

// Shift-And: bit j of the state says whether the core's first j + 1 units end here.
std::size_t FoldedLikePattern::findCoreWithAnyOne(const Segment &segment, const char32_t *text,
                                                  std::size_t from, std::size_t limit) const
{
    const std::size_t length = segment.coreEnd - segment.coreBegin;
    const std::size_t words = segment.words;
    thread_local std::vector<std::uint64_t> state;
    thread_local std::vector<std::size_t> kept; // places a sparse letter keeps set
    state.assign(words, 0);
    kept.resize(words);
    std::uint64_t *const bits = state.data();
    const std::uint64_t *const anyOneMask = segment.anyOneMask.data();
    for (std::size_t t = from; t < limit; ++t) {
        const std::size_t index = segment.letterIndex(text[t]);
        const bool known = index < segment.letters.size();
        const bool dense = known && segment.maskOf[index] != noMask;
        std::size_t keptCount = 0;
        for (std::size_t i = known && !dense ? segment.placesBegin[index] : 0;
             known && !dense && i < segment.placesBegin[index + 1]; ++i) {
            const std::size_t place = segment.places[i];
            if (place == 0 || bitIsSet(bits, place - 1))
                kept[keptCount++] = place;
        }
        // Shifted by one place, the first set, and what this character allows.
        const std::uint64_t *mask =
            dense ? segment.masks.data() + segment.maskOf[index] : anyOneMask;
        std::uint64_t carry = 1;
        for (std::size_t w = 0; w < words; ++w) {
            const std::uint64_t next = bits[w] >> (bitsPerWord - 1);
            bits[w] = ((bits[w] << 1) | carry) & mask[w];
            carry = next;
        }
        for (std::size_t i = 0; i < keptCount; ++i)
            setBit(bits, kept[i]);
        if (bitIsSet(bits, length - 1))
            return t + 1 - length;
    }
    return limit;
}

bool FoldedLikePattern::matches(const char *utf8, int bytes) const
{
    const auto *begin = reinterpret_cast<const unsigned char *>(utf8);
    thread_local std::vector<char32_t> folded;
    decodeAll(begin, begin + bytes, folded, false);
    const std::size_t n = folded.size();
    const char32_t *text = folded.data();
    if (n < unitsNeeded)
        return false;
    if (!hasAnyRun)
        return n == unitsNeeded && matchesAt(segments.front(), text);

    // Split at "%", the segments are found one after the other, each as early as it
    // can lie: any match leaves at least as much text for the rest as that one.
    std::size_t first = 0, last = segments.size(), from = 0, limit = n;
    if (anchoredStart) {
        if (!matchesAt(segments.front(), text))
            return false;
        from = segments.front().length();
        ++first;
    }
    if (anchoredEnd) {
        const Segment &end = segments.back();
        if (n - from < end.length() || !matchesAt(end, text + n - end.length()))
            return false;
        limit = n - end.length();
        --last;
    }
    for (std::size_t s = first; s < last; ++s) {
        const std::size_t at = find(segments[s], text, from, limit);
        if (at == limit && segments[s].length() > 0)
            return false;
        from = at + segments[s].length();
    }
    return true;
}
