#include "index/entrybitmaps.h"

#include <algorithm>

namespace
{

constexpr int letters = 26, digits = 10;

int textKind(unsigned char byte)
{
    if (byte >= 'a' && byte <= 'z')
        return byte - 'a';
    if (byte >= '0' && byte <= '9')
        return letters + byte - '0';
    return -1;
}

std::uint64_t below(unsigned bit)
{
    return (std::uint64_t(1) << bit) - 1;
}

// Moves every bit from at on up one place and puts value at at.
void insertBit(std::vector<std::uint64_t> &words, std::size_t at, bool value)
{
    const std::size_t first = at / 64;
    const unsigned bit = at % 64;
    std::uint64_t carry = words[first] >> 63;
    words[first] = (words[first] & below(bit)) | ((words[first] & ~below(bit)) << 1) |
                   (std::uint64_t(value) << bit);
    for (std::size_t i = first + 1; i < words.size(); ++i) {
        const std::uint64_t next = words[i] >> 63;
        words[i] = (words[i] << 1) | carry;
        carry = next;
    }
}

// Moves every bit after at down one place.
void eraseBit(std::vector<std::uint64_t> &words, std::size_t at)
{
    const std::size_t first = at / 64;
    const unsigned bit = at % 64;
    words[first] = (words[first] & below(bit)) | ((words[first] >> 1) & ~below(bit));
    for (std::size_t i = first + 1; i < words.size(); ++i) {
        words[i - 1] |= (words[i] & 1) << 63;
        words[i] >>= 1;
    }
}

} // namespace

EntryBitmaps::Kinds EntryBitmaps::textKinds(const char *bytes, std::size_t size)
{
    Kinds kinds = 0;
    for (std::size_t i = 0; i < size; ++i)
        if (const int kind = textKind(std::uint8_t(bytes[i])); kind >= 0)
            kinds |= Kinds(1) << kind;
    return kinds;
}

EntryBitmaps::Kinds EntryBitmaps::numberKinds(const char *bytes, std::size_t size)
{
    Kinds kinds = 0;
    for (std::size_t i = 0; i < size; ++i)
        if (bytes[i] >= '0' && bytes[i] <= '9')
            kinds |= Kinds(1) << (letters + digits + bytes[i] - '0');
    return kinds;
}

bool EntryBitmaps::textHasKind(char byte)
{
    return textKind(std::uint8_t(byte)) >= 0;
}

void EntryBitmaps::insert(std::size_t at, Kinds kinds)
{
    ++count;
    for (int kind = 0; kind < kindCount; ++kind) {
        std::vector<std::uint64_t> &words = bitmaps[std::size_t(kind)];
        if (words.size() * 64 < count)
            words.push_back(0);
        insertBit(words, at, kinds >> kind & 1);
    }
}

void EntryBitmaps::replace(std::size_t at, Kinds kinds)
{
    for (int kind = 0; kind < kindCount; ++kind) {
        std::uint64_t &word = bitmaps[std::size_t(kind)][at / 64];
        word =
            (word & ~(std::uint64_t(1) << at % 64)) | (std::uint64_t(kinds >> kind & 1) << at % 64);
    }
}

void EntryBitmaps::erase(std::size_t at)
{
    --count;
    for (std::vector<std::uint64_t> &words : bitmaps) {
        eraseBit(words, at);
        if ((words.size() - 1) * 64 >= count)
            words.pop_back();
    }
}

void EntryBitmaps::appendRun(const EntryBitmaps &from, std::size_t first, std::size_t last)
{
    const std::size_t added = last - first;
    for (int kind = 0; kind < kindCount; ++kind) {
        const std::vector<std::uint64_t> &source = from.bitmaps[std::size_t(kind)];
        std::vector<std::uint64_t> &words = bitmaps[std::size_t(kind)];
        words.resize((count + added + 63) / 64, 0);
        // As many bits at a time as fill the word they go to.
        for (std::size_t done = 0; done < added;) {
            const std::size_t to = count + done, at = first + done;
            const std::size_t take = std::min<std::size_t>(64 - to % 64, added - done);
            std::uint64_t bits = source[at / 64] >> at % 64;
            if (at % 64 + take > 64)
                bits |= source[at / 64 + 1] << (64 - at % 64);
            if (take < 64)
                bits &= below(unsigned(take));
            words[to / 64] |= bits << to % 64;
            done += take;
        }
    }
    count += added;
}

std::size_t EntryBitmaps::bytes() const
{
    std::size_t total = 0;
    for (const std::vector<std::uint64_t> &words : bitmaps)
        total += words.capacity() * sizeof(std::uint64_t);
    return total;
}

void EntryBitmaps::releaseSpare()
{
    for (std::vector<std::uint64_t> &words : bitmaps)
        words.shrink_to_fit();
}

void EntryBitmaps::holdingAll(Kinds kinds, std::size_t firstWord, std::size_t lastWord,
                              std::uint64_t *out) const
{
    const std::size_t words = lastWord - firstWord;
    for (std::size_t i = 0; i < words; ++i)
        out[i] = ~std::uint64_t(0);
    for (int kind = 0; kind < kindCount; ++kind)
        if (kinds >> kind & 1) {
            const std::uint64_t *bits = bitmaps[std::size_t(kind)].data() + firstWord;
            for (std::size_t i = 0; i < words; ++i)
                out[i] &= bits[i];
        }
    // No entry lies beyond the last.
    if (words > 0 && lastWord * 64 > count)
        out[words - 1] &= below(unsigned(count % 64));
}
