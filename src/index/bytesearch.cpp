#include "index/bytesearch.h"

#include <immintrin.h>

#include <cstdint>

namespace
{

bool liesAt(const char *at, const BytePattern &pattern)
{
    for (std::size_t i = 0; i < pattern.values.size(); ++i)
        if (std::uint8_t(at[i] & pattern.masks[i]) != std::uint8_t(pattern.values[i]))
            return false;
    return true;
}

// The first of the places the mask marks from 'at' on where the whole pattern lies.
const char *firstWhole(const char *at, unsigned mask, const BytePattern &pattern)
{
    for (; mask != 0; mask &= mask - 1) {
        const char *start = at + __builtin_ctz(mask);
        if (liesAt(start, pattern))
            return start;
    }
    return nullptr;
}

// What is left of the buffer, fewer bytes than a block, a place at a time.
const char *findOneByOne(const char *at, const char *end, const BytePattern &pattern)
{
    for (; std::size_t(end - at) >= pattern.values.size(); ++at)
        if (liesAt(at, pattern))
            return at;
    return nullptr;
}

__attribute__((target("avx2"))) const char *findWithAvx2(const char *at, const char *end,
                                                         const BytePattern &p)
{
    const std::size_t length = p.values.size();
    const __m256i oneMask = _mm256_set1_epi8(p.masks[p.one]),
                  oneValue = _mm256_set1_epi8(p.values[p.one]),
                  otherMask = _mm256_set1_epi8(p.masks[p.other]),
                  otherValue = _mm256_set1_epi8(p.values[p.other]);
    for (; std::size_t(end - at) >= 32 + length - 1; at += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + p.one));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + p.other));
        const auto mask = unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_and_si256(x, oneMask), oneValue),
                             _mm256_cmpeq_epi8(_mm256_and_si256(y, otherMask), otherValue))));
        if (const char *found = firstWhole(at, mask, p))
            return found;
    }
    return findOneByOne(at, end, p);
}

const char *findWithSse2(const char *at, const char *end, const BytePattern &p)
{
    const std::size_t length = p.values.size();
    const __m128i oneMask = _mm_set1_epi8(p.masks[p.one]),
                  oneValue = _mm_set1_epi8(p.values[p.one]),
                  otherMask = _mm_set1_epi8(p.masks[p.other]),
                  otherValue = _mm_set1_epi8(p.values[p.other]);
    for (; std::size_t(end - at) >= 16 + length - 1; at += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + p.one));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + p.other));
        const auto mask = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(x, oneMask), oneValue),
                          _mm_cmpeq_epi8(_mm_and_si128(y, otherMask), otherValue))));
        if (const char *found = firstWhole(at, mask, p))
            return found;
    }
    return findOneByOne(at, end, p);
}

} // namespace

BytePattern BytePattern::whole(const std::string &bytes, std::size_t one, std::size_t other)
{
    return {bytes, std::string(bytes.size(), '\xFF'), one, other};
}

const char *findBytes(const char *from, const char *end, const BytePattern &pattern)
{
    static const ByteBlocks blocks =
        __builtin_cpu_supports("avx2") ? ByteBlocks::Avx2 : ByteBlocks::Sse2;
    return findBytesIn(blocks, from, end, pattern);
}

const char *findBytesIn(ByteBlocks blocks, const char *from, const char *end,
                        const BytePattern &pattern)
{
    if (pattern.values.empty() || from >= end)
        return nullptr;
    return blocks == ByteBlocks::Avx2 ? findWithAvx2(from, end, pattern)
                                      : findWithSse2(from, end, pattern);
}
