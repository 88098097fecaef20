#pragma once

#include <QVector>

#include <cstddef>
#include <cstdint>

// Entries marked a bit each, 64 to a machine word, in the order of a list of ids: what a
// search finds, read without a branch per entry.
namespace marked
{

using Bits = std::uint64_t;

inline std::size_t count(const Bits *words, std::size_t size)
{
    std::size_t set = 0;
    for (std::size_t i = 0; i < size; ++i)
        set += std::size_t(__builtin_popcountll(words[i]));
    return set;
}

template <typename Visit> void forEach(const Bits *words, std::size_t size, Visit visit)
{
    for (std::size_t i = 0; i < size; ++i)
        for (Bits bits = words[i]; bits != 0; bits &= bits - 1)
            visit(i * 64 + std::size_t(__builtin_ctzll(bits)));
}

// The ids of the 64 the bits stand for that are marked, written from 'to' on; where 'to'
// ends. Where many are marked, each id is written and 'to' moves on past the marked ones
// only, without a branch to mispredict; the last write is of a marked one, so nothing is
// written past them.
inline qint64 *writeIds(Bits bits, const qint64 *ids, qint64 *to)
{
    if (__builtin_popcountll(bits) < 16) {
        for (; bits != 0; bits &= bits - 1)
            *to++ = ids[__builtin_ctzll(bits)];
        return to;
    }
    const int last = 63 - __builtin_clzll(bits);
    for (int i = 0; i <= last; ++i) {
        *to = ids[i];
        to += bits >> i & 1;
    }
    return to;
}

} // namespace marked
